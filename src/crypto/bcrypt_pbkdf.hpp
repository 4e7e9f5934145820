// bcrypt_pbkdf (the OpenBSD key-derivation function), from Botan.
#pragma once

#include <cstdint>
#include <span>

#include "runtime/memory.hpp"

namespace tavric::crypto {

enum class PbkdfStatus { ok, invalid_param_len, invalid_rounds, invalid_output_len, library_failure };

inline constexpr std::size_t pbkdf_max_output = 1024;

// Fills all of `out`. The password and salt must be non-empty, rounds at
// least 1 and the output 1..1024 bytes; otherwise nothing is derived.
PbkdfStatus bcrypt_pbkdf(std::span<const std::uint8_t> password, std::span<const std::uint8_t> salt,
                         std::uint32_t rounds, std::span<std::uint8_t> out) noexcept;

// The status's name as the fault text shows it ("InvalidRounds", ...).
std::string_view name_of(PbkdfStatus status) noexcept;

}  // namespace tavric::crypto
