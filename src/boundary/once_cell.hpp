// Process-wide holders of one interpreter object each, filled at most once.
// A thread that must wait for another's creation waits detached, so a waiting
// thread never blocks the one creating.
#pragma once

#include <atomic>
#include <mutex>

#include "boundary/detach.hpp"
#include "boundary/error.hpp"

namespace tavric::boundary {

class OnceCell {
public:
    PyObject* get() const noexcept { return value_.load(std::memory_order_acquire); }

    // `create` runs attached and returns Result<Ref>; the cell keeps that
    // reference for the life of the process. A failed creation leaves the
    // cell empty for a later attempt.
    //
    // The creator must not come back to this same cell, directly or through
    // Python code it runs: it would wait on its own flag forever. (The
    // PanicException cell's creator takes the pending exception by hand, not
    // through fetch(), for this reason.)
    template <class Creator>
    Result<PyObject*> get_or_create(Creator&& create)
    {
        if (PyObject* value = get()) return value;
        Detached detached;
        if (PyObject* value = get()) return value;
        std::unique_lock flag(creating_);
        if (PyObject* value = get()) {
            flag.unlock();
            return value;
        }
        detached.reattach();
        Result<Ref> made = create();
        if (!made) return std::move(made.error());
        PyObject* value = made.value().take();
        value_.store(value, std::memory_order_release);
        return value;
    }

private:
    std::atomic<PyObject*> value_{nullptr};
    std::mutex creating_;
};

}  // namespace tavric::boundary
