// Switching the combining of single hashpw/checkpw calls on and off. The
// combiner belongs to _tavric; this module finds it through the capsule that
// _tavric leaves in the interpreter's dictionary.
#include "binding/bind.hpp"
#include "binding/convert.hpp"
#include "boundary/entry.hpp"
#include "lanes/operations.hpp"
#include "lib/shared_combiner.hpp"
#include "runtime/pinned_texts.hpp"

namespace tavric::lanes {

using boundary::Ref;

namespace {

constexpr std::string_view set_names[] = {"enabled"};
constexpr binding::Parameters set_parameters{"set_combining", set_names, 1};
constexpr binding::Parameters get_parameters{"combining_enabled", {}, 0};

boundary::Result<crypto::Combiner*> find_combiner()
{
    // Importing _tavric makes sure that it has published the capsule.
    Ref owner = Ref::steal(PyImport_ImportModule("tavric._tavric"));
    if (!owner) return boundary::fetch_or_fallback();
    PyObject* dictionary = PyInterpreterState_GetDict(PyInterpreterState_Get());
    PyObject* capsule = nullptr;
    if (dictionary != nullptr &&
        PyDict_GetItemStringRef(dictionary, lib::combiner_capsule, &capsule) < 0)
        return boundary::fetch_or_fallback();
    Ref held = Ref::steal(capsule);
    if (!held)
        return boundary::Error::make(PyExc_RuntimeError, runtime::pinned::combiner_missing);
    auto* combiner = static_cast<crypto::Combiner*>(PyCapsule_GetPointer(held.get(), lib::combiner_capsule));
    if (combiner == nullptr) return boundary::fetch_or_fallback();
    return combiner;
}

}  // namespace

boundary::Result<Ref> set_combining(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames)
{
    binding::Slots<1> slots;
    TAVRIC_TRY(binding::bind(set_parameters, args, nargsf, kwnames, slots));
    TAVRIC_ASSIGN_OR_RETURN(const bool enabled, binding::to_bool(slots[0], "enabled"));
    TAVRIC_ASSIGN_OR_RETURN(crypto::Combiner* const combiner, find_combiner());
    combiner->set_enabled(enabled);
    return Ref::borrow(Py_None);
}

boundary::Result<Ref> combining_enabled(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames)
{
    binding::Slots<0> slots;
    TAVRIC_TRY(binding::bind(get_parameters, args, nargsf, kwnames, slots));
    TAVRIC_ASSIGN_OR_RETURN(crypto::Combiner* const combiner, find_combiner());
    return Ref::borrow(combiner->enabled() ? Py_True : Py_False);
}

}  // namespace tavric::lanes
