#include "boundary/ref.hpp"

#include <atomic>
#include <mutex>

#include "runtime/memory.hpp"

namespace tavric::boundary {
namespace {

struct DeferredDrops {
    std::mutex lock;  // never held while the interpreter is called
    runtime::Vec<PyObject*> objects;
};

// Made on the first deferred drop and never destroyed.
std::atomic<DeferredDrops*> deferred{nullptr};

DeferredDrops& deferred_list()
{
    if (auto* existing = deferred.load(std::memory_order_acquire)) return *existing;
    auto* fresh = new (runtime::allocate(sizeof(DeferredDrops))) DeferredDrops();
    DeferredDrops* expected = nullptr;
    if (deferred.compare_exchange_strong(expected, fresh, std::memory_order_acq_rel)) return *fresh;
    fresh->~DeferredDrops();
    std::free(fresh);
    return *expected;
}

}  // namespace

int& attach_depth() noexcept
{
    thread_local int depth = 0;
    return depth;
}

void drop_reference(PyObject* object) noexcept
{
    if (attach_depth() > 0) {
        Py_DecRef(object);
        return;
    }
    DeferredDrops& list = deferred_list();
    std::lock_guard guard(list.lock);
    list.objects.push_back(object);
}

void drain_deferred_drops() noexcept
{
    DeferredDrops* list = deferred.load(std::memory_order_acquire);
    if (list == nullptr) return;
    runtime::Vec<PyObject*> taken;
    {
        std::lock_guard guard(list->lock);
        if (list->objects.empty()) return;
        taken.swap(list->objects);
    }
    // A drop may run Python code that asks for drops of its own: the lock is
    // free by now, so it does not wait on itself.
    for (PyObject* object : taken) Py_DecRef(object);
}

}  // namespace tavric::boundary
