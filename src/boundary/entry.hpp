// Boundary entries: the only way the interpreter enters the module. No C++
// exception leaves one; a fault outside the guarded body aborts.
#pragma once

#include "boundary/error.hpp"
#include "runtime/fault.hpp"

namespace tavric::boundary {

// Raises an error value on the way out; returns the result object or null.
PyObject* deliver(Result<Ref> outcome);

template <class Body>
PyObject* boundary_entry(Body&& body) noexcept
{
    try {
        ++attach_depth();
        drain_deferred_drops();
        Result<Ref> outcome = [&]() -> Result<Ref> {
            try {
                return body();
            } catch (runtime::Fault& fault) {
                return Error::panic(std::move(fault.message()));
            }
        }();
        PyObject* result = deliver(std::move(outcome));
        --attach_depth();
        return result;
    } catch (...) {
        runtime::abort_at_boundary();
    }
}

// What a module function does between binding and delivery: bind, convert,
// compute, make the result.
using FunctionBody = Result<Ref>(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames);

// The vectorcall entry of a module function whose body is
// `Body(args, nargsf, kwnames)`: what a function table points at.
template <FunctionBody* Body>
PyObject* function_entry(PyObject*, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) noexcept
{
    return boundary_entry([&] { return Body(args, nargsf, kwnames); });
}

}  // namespace tavric::boundary
