// The setting string "$2b$12$<22 salt>" and the hash string that appends the
// 31-character hash, and the rules by which stored strings are read back.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tavric::hashstring {

// Revision order; the label only names the revision in the text.
enum class Revision : std::uint8_t { v2a, v2x, v2y, v2b };

inline constexpr std::size_t salt_bytes = 16;
inline constexpr std::size_t salt_text_length = 22;
inline constexpr std::size_t hash_text_length = 31;
inline constexpr std::size_t setting_length = 7 + salt_text_length;
inline constexpr std::size_t hash_length = setting_length + hash_text_length;

using Salt = std::array<std::uint8_t, salt_bytes>;
using SaltText = std::array<char, salt_text_length>;
using HashText = std::array<char, hash_text_length>;

std::optional<Revision> revision_of(std::string_view label) noexcept;
std::string_view label_of(Revision revision) noexcept;

SaltText encode_salt(const Salt& salt) noexcept;

// Writes "$label$cc$" and the salt text: setting_length bytes. cost is 4..31.
void write_setting(Revision revision, unsigned cost, const SaltText& salt, char* out) noexcept;

// write_setting followed by the hash text: hash_length bytes.
void write_hash(Revision revision, unsigned cost, const SaltText& salt, const HashText& hash,
                char* out) noexcept;

struct Setting {
    Revision revision;
    std::uint32_t cost;  // not range-checked here: the bcrypt step refuses 4..31 misses
    Salt salt;
};

// Reads a setting or stored hash string: three non-empty pieces between '$'
// signs, a known label, an unsigned cost, and at least 22 salt characters of
// which exactly the first 22 are decoded. Anything else gives nothing.
std::optional<Setting> parse_setting(std::string_view text) noexcept;

}  // namespace tavric::hashstring
