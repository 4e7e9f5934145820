#include "boundary/ref.hpp"

#include <atomic>
#include <mutex>

#include "runtime/memory.hpp"

namespace tavric {
namespace {

struct PendingReleases {
    std::mutex lock;
    Vec<PyObject*> objects;
};

// Created on the first deferred release and never destroyed.
std::atomic<PendingReleases*> pending{nullptr};

PendingReleases& pending_list()
{
    if (auto* existing = pending.load(std::memory_order_acquire)) return *existing;
    auto* fresh = new (allocate(sizeof(PendingReleases))) PendingReleases();
    PendingReleases* expected = nullptr;
    if (pending.compare_exchange_strong(expected, fresh, std::memory_order_acq_rel)) return *fresh;
    fresh->~PendingReleases();
    std::free(fresh);
    return *expected;
}

}  // namespace

int& attach_depth() noexcept
{
    thread_local int depth = 0;
    return depth;
}

void release(PyObject* object) noexcept
{
    if (attach_depth() > 0) {
        Py_DecRef(object);
        return;
    }
    PendingReleases& list = pending_list();
    std::lock_guard guard(list.lock);
    list.objects.push_back(object);
}

void drain_pending_releases() noexcept
{
    PendingReleases* list = pending.load(std::memory_order_acquire);
    if (list == nullptr) return;
    Vec<PyObject*> taken;
    {
        std::lock_guard guard(list->lock);
        if (list->objects.empty()) return;
        taken.swap(list->objects);
    }
    for (PyObject* object : taken) Py_DecRef(object);
}

}  // namespace tavric
