// Internal faults: failures the module treats as impossible. A fault is
// reported on standard error where it starts and is then carried, as a C++
// exception, to the guarded region of the nearest boundary entry, which turns
// it into a PanicException. Nothing else in the module throws.
#pragma once

#include <string_view>
#include <version>
#if __has_include(<source_location>)
#include <source_location>
#endif

#include "runtime/memory.hpp"

namespace tavric::runtime {

// Where a fault starts, filled in at the call site. std::source_location
// where the library has it (it needs compiler support that clang 14 with
// libstdc++ lacks), the compiler's builtins otherwise.
struct SourceLocation {
    const char* file;
    unsigned line;
    unsigned column;

#if defined(__cpp_lib_source_location)
    static constexpr SourceLocation current(std::source_location where = std::source_location::current()) noexcept
    {
        return {where.file_name(), where.line(), where.column()};
    }
#else
    static constexpr SourceLocation current(const char* file = __builtin_FILE(),
                                            unsigned line = __builtin_LINE(),
                                            unsigned column = __builtin_COLUMN()) noexcept
    {
        return {file, line, column};
    }
#endif
};

class Fault {
public:
    explicit Fault(Text message) noexcept : message_(std::move(message)) {}
    Text& message() noexcept { return message_; }

private:
    Text message_;
};

// Reports the fault, then carries it up.
[[noreturn]] void fault(Text message,
                        SourceLocation where = SourceLocation::current());

// Carries a fault that was already reported elsewhere (a PanicException
// coming back from Python), without a new report.
[[noreturn]] void resume_fault(Text message);

// A fault that escaped the guarded region of a boundary entry: reported,
// then the process aborts. It never returns to the interpreter.
[[noreturn]] void abort_at_boundary(SourceLocation where = SourceLocation::current()) noexcept;

// Writes all of `bytes` to standard error, ignoring failures.
void write_stderr(std::string_view bytes) noexcept;

}  // namespace tavric::runtime
