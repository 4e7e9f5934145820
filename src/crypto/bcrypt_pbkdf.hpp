// bcrypt_pbkdf, the OpenBSD key-derivation function.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace tavric::crypto {

// library_failure is reached only through the fault-injection seam: the
// SHA-512 underneath cannot fail.
enum class PbkdfStatus { ok, invalid_param_len, invalid_rounds, invalid_output_len, library_failure };

inline constexpr std::size_t pbkdf_max_output = 1024;

// Fills all of `out`. The password and salt must be non-empty, rounds at
// least 1 and the output 1..1024 bytes; otherwise nothing is derived.
//
// The 32-byte output blocks are independent chains of the Blowfish key
// schedule, each one latency-bound on its S-box loads; this implementation
// runs up to four of them interleaved on the calling thread.
PbkdfStatus bcrypt_pbkdf(std::span<const std::uint8_t> password, std::span<const std::uint8_t> salt,
                         std::uint32_t rounds, std::span<std::uint8_t> out) noexcept;

// The status's name as the fault text shows it ("InvalidRounds", ...).
std::string_view name_of(PbkdfStatus status) noexcept;

}  // namespace tavric::crypto
