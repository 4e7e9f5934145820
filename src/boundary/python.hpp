// The one place that includes Python.h and knows which interpreter build the
// module is compiled for.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

namespace tavric::boundary {

// Declares that the module needs no GIL; a no-op on builds that have one.
inline int declare_no_gil(PyObject* module) noexcept
{
#ifdef Py_GIL_DISABLED
    return PyUnstable_Module_SetGIL(module, Py_MOD_GIL_NOT_USED);
#else
    (void)module;
    return 0;
#endif
}

}  // namespace tavric::boundary
