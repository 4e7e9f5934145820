// Internal faults: failures the module treats as impossible. A fault is
// reported on standard error where it starts and is then carried, as a C++
// exception, to the guarded region of the nearest boundary entry, which turns
// it into a PanicException. Nothing else in the module throws.
#pragma once

#include <source_location>
#include <string_view>

#include "runtime/memory.hpp"

namespace tavric {

class Fault {
public:
    explicit Fault(Text message) noexcept : message_(std::move(message)) {}
    Text& message() noexcept { return message_; }

private:
    Text message_;
};

// Reports the fault, then carries it up.
[[noreturn]] void fault(Text message,
                        std::source_location where = std::source_location::current());

// Carries a fault that was already reported elsewhere (a PanicException
// coming back from Python), without a new report.
[[noreturn]] void resume_fault(Text message);

// A fault that escaped the guarded region of a boundary entry: reported,
// then the process aborts. It never returns to the interpreter.
[[noreturn]] void abort_at_boundary(std::source_location where = std::source_location::current()) noexcept;

// Writes all of `bytes` to standard error, ignoring failures.
void write_stderr(std::string_view bytes) noexcept;

}  // namespace tavric
