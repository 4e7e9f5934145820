// The four module functions, each behind its own boundary entry.
#pragma once

#include "boundary/python.hpp"

namespace tavric::lib {

PyObject* checkpw(PyObject* module, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) noexcept;
PyObject* gensalt(PyObject* module, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) noexcept;
PyObject* hashpw(PyObject* module, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) noexcept;
PyObject* kdf(PyObject* module, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) noexcept;

}  // namespace tavric::lib
