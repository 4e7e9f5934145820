// What every extension module of the package does between its init function
// being called and the module object being handed back: the interpreter
// check, the one-time creation under the module cache, the declaration that
// no GIL is needed, and the registration of functions and text attributes
// with the `__all__` that lists them. Each extension module links its own
// copy, so each has its own recorded interpreter and cache.
#pragma once

#include <span>
#include <string_view>

#include "boundary/error.hpp"

namespace tavric::startup {

struct Function {
    const char* name;
    PyCFunctionFastWithKeywords entry;
    const char* doc;  // a text signature: "name(args)\n--\n\n"
};

struct Attribute {
    const char* name;
    std::string_view value;
};

// A single-phase definition: no methods table (registration adds the
// functions), no slots, no state, no docstring but the empty one.
inline PyModuleDef single_phase_definition(const char* name) noexcept
{
    return PyModuleDef{
        .m_base = PyModuleDef_HEAD_INIT,
        .m_name = name,
        .m_doc = "",
        .m_size = 0,
        .m_methods = nullptr,
        .m_slots = nullptr,
        .m_traverse = nullptr,
        .m_clear = nullptr,
        .m_free = nullptr,
    };
}

struct ModuleSpec {
    PyModuleDef* definition;
    std::span<const Function> functions;    // registered first, in order
    std::span<const Attribute> attributes;  // then these, in order
    boundary::Status (*finish)(PyObject* module);     // a last step of the module's own, or null
};

// The init function's body: a new reference to the module, made at most once
// per process.
boundary::Result<boundary::Ref> make_module(const ModuleSpec& spec);

// Adds a str attribute and lists its name in `__all__`.
boundary::Status add_text(PyObject* module, const char* name, std::string_view value);

}  // namespace tavric::startup
