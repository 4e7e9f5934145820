// How an object's text goes into a message.
#pragma once

#include "boundary/python.hpp"
#include "runtime/memory.hpp"

namespace tavric::binding {

// str(object) as UTF-8; a failing str() goes to the unraisable hook and an
// "<unprintable ... object>" text stands in.
runtime::Text display(PyObject* object);

}  // namespace tavric::binding
