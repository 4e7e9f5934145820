// Error values: the one way module code reports an ordinary failure. Only a
// boundary entry raises them.
#pragma once

#include <optional>
#include <string_view>
#include <utility>
#include <variant>

#include "boundary/ref.hpp"
#include "runtime/fault.hpp"
#include "runtime/memory.hpp"

namespace tavric {

class Error {
public:
    // Built on raise: nothing of the interpreter is made until raise().
    static Error make(PyObject* type, std::string_view fixed_message) noexcept;
    static Error make(PyObject* type, Text message) noexcept;
    static Error panic(Text message) noexcept;
    // An exception object taken from the interpreter.
    static Error fetched(Ref exception) noexcept;

    // Sets the interpreter's current exception, consuming the value.
    void raise() &&;

    // The exception object itself, for code that must inspect or chain it.
    PyObject* materialise();

private:
    Error() noexcept = default;

    PyObject* type_ = nullptr;
    bool wrap_in_tuple_ = false;
    std::string_view fixed_message_;
    Text owned_message_;
    bool owns_message_ = false;
    Ref exception_;
};

template <class T>
class [[nodiscard]] Result {
public:
    Result(T value) noexcept : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Error error) noexcept : state_(std::in_place_index<1>, std::move(error)) {}

    explicit operator bool() const noexcept { return state_.index() == 0; }
    T& value() noexcept { return std::get<0>(state_); }
    Error& error() noexcept { return std::get<1>(state_); }

private:
    std::variant<T, Error> state_;
};

using Status = Result<std::monostate>;
inline Status success() noexcept { return std::monostate{}; }

// Takes the pending exception, or nothing when none is set. A PanicException
// coming back from Python code resumes as an internal fault instead.
std::optional<Error> fetch();

// fetch(), or SystemError when the interpreter failed without an exception.
Error fetch_or_fallback();

// For interpreter calls the module treats as unable to fail: prints the
// pending exception and faults with "Python API call failed".
[[noreturn]] void fault_api_call_failed(SourceLocation where = SourceLocation::current());

// "TypeName: message" of the pending-exception object, for fault texts.
Text describe_exception(PyObject* exception);

// The process-wide PanicException class (created on first need).
PyObject* panic_exception_type();

}  // namespace tavric
