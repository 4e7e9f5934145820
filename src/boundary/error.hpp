// Error values: the one way module code reports an ordinary failure. Only a
// boundary entry raises them.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <utility>
#include <variant>

#include "boundary/ref.hpp"
#include "runtime/fault.hpp"
#include "runtime/memory.hpp"

namespace tavric::boundary {

class Error {
public:
    // Built on raise: nothing of the interpreter is made until raise(), so
    // these can be made and dropped while detached.
    // A text of static storage (a pinned text or a literal), not copied.
    static Error make(PyObject* type, std::string_view static_message) noexcept;
    template <std::size_t N>
    static Error make(PyObject* type, const char (&literal)[N]) noexcept
    {
        return make(type, std::string_view(literal, N - 1));
    }
    // A text built for this error.
    static Error make(PyObject* type, runtime::Text message) noexcept;
    static Error panic(runtime::Text message) noexcept;
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
    std::string_view static_message_;
    runtime::Text owned_message_;
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

// Evaluates a Status or Result and returns its error from the enclosing
// function, which returns a Result or Status itself.
#define TAVRIC_TRY(expression)                                                      \
    do {                                                                            \
        if (auto tavric_outcome_ = (expression); !tavric_outcome_)                  \
            return std::move(tavric_outcome_.error());                              \
    } while (false)

// `TAVRIC_ASSIGN_OR_RETURN(auto name, expression);` declares `name` with the
// Result's value, or returns its error from the enclosing function.
#define TAVRIC_ASSIGN_OR_RETURN(declaration, expression)                            \
    TAVRIC_ASSIGN_OR_RETURN_WITH(TAVRIC_CONCAT(tavric_result_, __LINE__), declaration, expression)
#define TAVRIC_ASSIGN_OR_RETURN_WITH(result, declaration, expression)               \
    auto result = (expression);                                                     \
    if (!result) return std::move(result.error());                                  \
    declaration = std::move(result.value())
#define TAVRIC_CONCAT(a, b) TAVRIC_CONCAT_INNER(a, b)
#define TAVRIC_CONCAT_INNER(a, b) a##b

// Takes the pending exception, or nothing when none is set. A PanicException
// coming back from Python code resumes as an internal fault instead.
std::optional<Error> fetch();

// fetch(), or SystemError when the interpreter failed without an exception.
Error fetch_or_fallback();

// For interpreter calls the module treats as unable to fail: prints the
// pending exception and faults with "Python API call failed".
[[noreturn]] void fault_api_call_failed(runtime::SourceLocation where = runtime::SourceLocation::current());

// "TypeName: message" of the pending-exception object, for fault texts.
runtime::Text describe_exception(PyObject* exception);

// The process-wide PanicException class (created on first need).
PyObject* panic_exception_type();

}  // namespace tavric::boundary
