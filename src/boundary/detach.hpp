// Running a computation with the thread detached from the interpreter.
#pragma once

#include "boundary/ref.hpp"

namespace tavric::boundary {

// Detaches the thread for its lifetime and attaches it again however the
// scope is left, a fault included.
class Detached {
public:
    Detached() noexcept : saved_depth_(attach_depth())
    {
        attach_depth() = 0;
        state_ = PyEval_SaveThread();
    }
    Detached(const Detached&) = delete;
    Detached& operator=(const Detached&) = delete;
    ~Detached() { reattach(); }

    void reattach() noexcept
    {
        if (state_ == nullptr) return;
        attach_depth() = saved_depth_;
        PyEval_RestoreThread(state_);
        state_ = nullptr;
        drain_deferred_drops();
    }

private:
    int saved_depth_;
    PyThreadState* state_ = nullptr;
};

// The computation must not touch the interpreter: no calls, no reference
// counts, no objects. It may read immutable bytes arguments and write into a
// result object nobody else has seen yet.
template <class Computation>
auto run_detached(Computation&& computation)
{
    Detached detached;
    return computation();
}

}  // namespace tavric::boundary
