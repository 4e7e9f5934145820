// The bodies of the batch module's functions; the function table enters each
// through boundary::function_entry.
#pragma once

#include "boundary/error.hpp"

namespace tavric::lanes {

boundary::Result<boundary::Ref> hashpw_many(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames);
boundary::Result<boundary::Ref> checkpw_many(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames);
boundary::Result<boundary::Ref> set_combining(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames);
boundary::Result<boundary::Ref> combining_enabled(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames);

}  // namespace tavric::lanes
