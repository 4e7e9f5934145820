// Reading text out of interpreter objects for messages.
#pragma once

#include <optional>
#include <string_view>

#include "boundary/python.hpp"
#include "runtime/memory.hpp"

namespace tavric::boundary {

// The UTF-8 of a str, or nothing with the interpreter's error cleared: for
// messages, where a failure to read a name only changes what is shown.
std::optional<std::string_view> utf8_or_clear(PyObject* str) noexcept;

// The UTF-8 text of a str; lone surrogates become U+FFFD characters.
runtime::Text utf8_text(PyObject* str);

// str(object) as UTF-8 text; nothing, with the exception still pending, when
// str() raises.
std::optional<runtime::Text> str_text(PyObject* object);

// The qualified name of a type, or "<failed to extract type name>".
runtime::Text type_qualname(PyObject* type);

}  // namespace tavric::boundary
