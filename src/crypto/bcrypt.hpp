// The bcrypt password hash of Provos and Mazieres.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "hashstring/layout.hpp"

namespace tavric::crypto {

inline constexpr std::uint32_t bcrypt_min_cost = 4;
inline constexpr std::uint32_t bcrypt_max_cost = 31;
inline constexpr std::size_t bcrypt_max_key = 72;

// The hash text for a password under a cost and salt, computed the same way
// for every version label. Nothing for a cost outside 4..31. Passwords longer
// than 72 bytes are cut, as bcrypt cuts its key.
std::optional<hashstring::HashText> bcrypt(std::span<const std::uint8_t> password,
                                           std::uint32_t cost,
                                           const hashstring::Salt& salt) noexcept;

}  // namespace tavric::crypto
