// Reading text out of interpreter objects for messages.
#pragma once

#include <optional>

#include "boundary/python.hpp"
#include "runtime/memory.hpp"

namespace tavric {

// The UTF-8 text of a str; lone surrogates become U+FFFD characters.
Text utf8_text(PyObject* str);

// str(object) as UTF-8 text; nothing, with the exception still pending, when
// str() raises.
std::optional<Text> str_text(PyObject* object);

// The qualified name of a type, or "<failed to extract type name>".
Text type_qualname(PyObject* type);

}  // namespace tavric
