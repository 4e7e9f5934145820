// The batch module's functions, each behind its own boundary entry.
#pragma once

#include "boundary/python.hpp"

namespace tavric::lanes {

PyObject* hashpw_many(PyObject* module, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) noexcept;
PyObject* checkpw_many(PyObject* module, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) noexcept;
PyObject* set_combining(PyObject* module, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) noexcept;
PyObject* combining_enabled(PyObject* module, PyObject* const* args, Py_ssize_t nargsf,
                            PyObject* kwnames) noexcept;

}  // namespace tavric::lanes
