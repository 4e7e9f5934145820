// The few operating-system calls whose spelling differs between Linux,
// FreeBSD and macOS, kept in one place.
#pragma once

#include <cstdint>

#include "runtime/memory.hpp"

namespace tavric::runtime::platform {

std::uint64_t thread_id() noexcept;

// The thread's own name, or an empty text when it has none.
Text thread_name();

// The C library's message for an errno value.
Text error_message(int code);

}  // namespace tavric::runtime::platform
