#include "lib/shared_combiner.hpp"

#include <new>

#include "runtime/memory.hpp"

namespace tavric::lib {

using boundary::Status;
using boundary::Ref;
using boundary::success;
using boundary::fetch_or_fallback;

using runtime::allocate;

crypto::Combiner& shared_combiner() noexcept
{
    // Made under the C++ runtime's one-time initialisation guard, and never
    // destroyed: a daemon thread may still be inside a hash, detached, while
    // the process runs its exit handlers.
    static crypto::Combiner& combiner =
        *new (allocate(sizeof(crypto::Combiner))) crypto::Combiner(crypto::usable_cpus());
    return combiner;
}

Status publish_combiner()
{
    PyObject* dictionary = PyInterpreterState_GetDict(PyInterpreterState_Get());
    // No dictionary and no exception: the interpreter offers none, and
    // combining simply cannot be switched from the other module.
    if (dictionary == nullptr) return success();
    Ref capsule = Ref::steal(PyCapsule_New(&shared_combiner(), combiner_capsule, nullptr));
    if (!capsule) return fetch_or_fallback();
    if (PyDict_SetItemString(dictionary, combiner_capsule, capsule.get()) < 0) return fetch_or_fallback();
    return success();
}

}  // namespace tavric::lib
