// The bodies of _tavric's four functions; the function table enters each
// through boundary::function_entry.
#pragma once

#include "boundary/error.hpp"

namespace tavric::lib {

boundary::Result<boundary::Ref> checkpw(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames);
boundary::Result<boundary::Ref> gensalt(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames);
boundary::Result<boundary::Ref> hashpw(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames);
boundary::Result<boundary::Ref> kdf(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames);

}  // namespace tavric::lib
