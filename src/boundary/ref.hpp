// Owning references to interpreter objects, the per-thread attach depth, and
// the references whose drop must wait until a thread is attached again.
//
// Words: a thread *detaches* from the interpreter and *attaches* again
// (detach.hpp); a reference is *dropped*.
#pragma once

#include <utility>

#include "boundary/python.hpp"

namespace tavric::boundary {

// Positive while the thread is inside the module with the interpreter attached.
int& attach_depth() noexcept;

// Drops one reference now if attached, otherwise defers it to the next attach.
void drop_reference(PyObject* object) noexcept;

// Drops everything deferred, in order, with no lock held while doing so.
void drain_deferred_drops() noexcept;

// One strong reference, dropped when the owner goes away.
class Ref {
public:
    Ref() noexcept = default;
    static Ref steal(PyObject* object) noexcept { return Ref(object); }
    static Ref borrow(PyObject* object) noexcept
    {
        Py_XINCREF(object);
        return Ref(object);
    }

    Ref(Ref&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    Ref& operator=(Ref&& other) noexcept
    {
        Ref(std::move(other)).swap(*this);
        return *this;
    }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    ~Ref()
    {
        if (object_ != nullptr) drop_reference(object_);
    }

    PyObject* get() const noexcept { return object_; }
    explicit operator bool() const noexcept { return object_ != nullptr; }
    // Hands the reference to the caller.
    PyObject* take() noexcept { return std::exchange(object_, nullptr); }
    void swap(Ref& other) noexcept { std::swap(object_, other.object_); }

private:
    explicit Ref(PyObject* object) noexcept : object_(object) {}
    PyObject* object_ = nullptr;
};

}  // namespace tavric::boundary
