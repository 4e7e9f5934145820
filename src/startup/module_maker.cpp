#include "startup/module_maker.hpp"

#include <atomic>
#include <new>

#include "binding/convert.hpp"
#include "boundary/once_cell.hpp"
#include "runtime/pinned_texts.hpp"
#include "runtime/text.hpp"

namespace tavric::startup {

using boundary::Error;
using boundary::Result;
using boundary::Status;
using boundary::Ref;
using boundary::success;
using boundary::fetch_or_fallback;
using boundary::fault_api_call_failed;
using boundary::describe_exception;
using boundary::OnceCell;
using runtime::to_text;
using runtime::fault;
using runtime::allocate;

namespace pinned = runtime::pinned;

namespace {

// The module-API version the interpreter checks at creation, from the header,
// pinned: 3.13 to 3.15 all carry 1013.
constexpr int module_api_version = PYTHON_API_VERSION;
static_assert(module_api_version == 1013);

std::atomic<std::int64_t> recorded_interpreter{-1};
// Set when the interpreter that owns the cached objects is finalised; an
// embedding application may start a new one, which can carry the same id.
std::atomic<bool> owner_finalised{false};
OnceCell module_cache;
OnceCell name_attribute;
OnceCell all_attribute;

Ref make_str(std::string_view text)
{
    PyObject* str = PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size()));
    if (str == nullptr) fault_api_call_failed();
    return Ref::steal(str);
}

PyObject* interned(OnceCell& cell, std::string_view text)
{
    Result<PyObject*> name = cell.get_or_create([&]() -> Result<Ref> {
        PyObject* str = make_str(text).take();
        PyUnicode_InternInPlace(&str);
        return Ref::steal(str);
    });
    return name.value();  // the creator cannot return an error
}

Result<Ref> all_list(PyObject* module)
{
    PyObject* all_name = interned(all_attribute, "__all__");
    if (PyObject* found = PyObject_GetAttr(module, all_name)) {
        Ref list = Ref::steal(found);
        if (!PyList_Check(found)) return binding::cannot_convert(found, "PyList");
        return list;
    }
    Error error = fetch_or_fallback();
    if (!PyErr_GivenExceptionMatches(error.materialise(), PyExc_AttributeError)) return error;
    PyObject* fresh = PyList_New(0);
    if (fresh == nullptr) fault_api_call_failed();
    Ref list = Ref::steal(fresh);
    if (PyObject_SetAttr(module, all_name, fresh) < 0) return fetch_or_fallback();
    return list;
}

Status add(PyObject* module, PyObject* name, PyObject* value)
{
    TAVRIC_ASSIGN_OR_RETURN(const Ref list, all_list(module));
    if (PyList_Append(list.get(), name) < 0) {
        Error error = fetch_or_fallback();
        fault(to_text(pinned::append_to_all_failed) + describe_exception(error.materialise()));
    }
    if (PyObject_SetAttr(module, name, value) < 0) return fetch_or_fallback();
    return success();
}

Status add_function(PyObject* module, Ref function)
{
    Ref name = Ref::steal(PyObject_GetAttr(function.get(), interned(name_attribute, "__name__")));
    if (!name) return fetch_or_fallback();
    if (!PyUnicode_Check(name.get())) return binding::cannot_convert(name.get(), "PyString");
    return add(module, name.get(), function.get());
}

Result<Ref> make_function(PyObject* module, const Function& row)
{
    Ref module_name = Ref::steal(PyModule_GetNameObject(module));
    if (!module_name) return fetch_or_fallback();
    // The function object refers to its definition for the life of the process.
    auto* method = new (allocate(sizeof(PyMethodDef)))
        PyMethodDef{row.name, reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(row.entry)),
                    METH_FASTCALL | METH_KEYWORDS, row.doc};
    PyObject* function = PyCMethod_New(method, module, module_name.get(), nullptr);
    if (function == nullptr) return fetch_or_fallback();
    return Ref::steal(function);
}

Status register_contents(PyObject* module, const ModuleSpec& spec)
{
    for (const Function& row : spec.functions) {
        TAVRIC_ASSIGN_OR_RETURN(Ref function, make_function(module, row));
        TAVRIC_TRY(add_function(module, std::move(function)));
    }
    for (const Attribute& attribute : spec.attributes) {
        TAVRIC_TRY(add_text(module, attribute.name, attribute.value));
    }
    return spec.finish != nullptr ? spec.finish(module) : success();
}

void mark_owner_finalised() { owner_finalised.store(true); }

Result<Ref> create_module(const ModuleSpec& spec)
{
    Ref module = Ref::steal(PyModule_Create2(spec.definition, module_api_version));
    if (!module) return fetch_or_fallback();
    if (boundary::declare_no_gil(module.get()) < 0) return fetch_or_fallback();
    TAVRIC_TRY(register_contents(module.get(), spec));
    Py_AtExit(mark_owner_finalised);
    return module;
}

}  // namespace

Status add_text(PyObject* module, const char* name, std::string_view value)
{
    Ref name_object = make_str(name);
    Ref value_object = make_str(value);
    return add(module, name_object.get(), value_object.get());
}

Result<Ref> make_module(const ModuleSpec& spec)
{
    const std::int64_t id = PyInterpreterState_GetID(PyInterpreterState_Get());
    if (id == -1) return fetch_or_fallback();
    std::int64_t expected = -1;
    if (!recorded_interpreter.compare_exchange_strong(expected, id) && expected != id)
        return Error::make(PyExc_ImportError, pinned::subinterpreters);
    if (owner_finalised.load())
        return Error::make(PyExc_ImportError, pinned::owner_finalised);
    TAVRIC_ASSIGN_OR_RETURN(PyObject* const module, module_cache.get_or_create([&] { return create_module(spec); }));
    return Ref::borrow(module);
}

}  // namespace tavric::startup
