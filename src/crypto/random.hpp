// The operating system's random source, with getrandom's retry rules.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <sys/types.h>

#include "runtime/memory.hpp"

namespace tavric::crypto {

struct RandomError {
    enum class Kind { unexpected, errno_not_positive, os } kind;
    int os_code = 0;  // for Kind::os
};

using GetrandomFunction = ssize_t (*)(void*, std::size_t, unsigned) noexcept;

// Fills `out` completely, retrying on EINTR and short reads. Any other
// outcome is an error: there is no fallback source.
std::optional<RandomError> fill_random(std::span<std::uint8_t> out,
                                       GetrandomFunction source = nullptr) noexcept;

// The error as the fault text shows it, e.g.
// Error { internal_code: 65538, description: "unexpected situation" }
runtime::Text describe(const RandomError& error);

}  // namespace tavric::crypto
