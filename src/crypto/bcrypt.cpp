#include "crypto/bcrypt.hpp"

#include <algorithm>
#include <cstring>
#include <nettle/blowfish.h>

namespace tavric::crypto {
namespace {

// Clears the key copy however the scope is left.
struct KeyBuffer {
    std::uint8_t bytes[bcrypt_max_key + 1] = {};
    ~KeyBuffer() { explicit_bzero(bytes, sizeof bytes); }
};

}  // namespace

std::optional<hashstring::HashText> bcrypt(std::span<const std::uint8_t> password,
                                           std::uint32_t cost,
                                           const hashstring::Salt& salt) noexcept
{
    // Checked here so that a large parsed cost never wraps into nettle's int.
    if (cost < bcrypt_min_cost || cost > bcrypt_max_cost) return std::nullopt;

    // nettle reads the zero byte that follows the password as part of the key.
    KeyBuffer key;
    const std::size_t length = std::min(password.size(), bcrypt_max_key);
    std::copy_n(password.data(), length, key.bytes);

    static constexpr std::uint8_t scheme[] = {'$', '2', 'b'};
    char output[BLOWFISH_BCRYPT_HASH_SIZE] = {};
    const int ok = blowfish_bcrypt_hash(reinterpret_cast<std::uint8_t*>(output), length, key.bytes,
                                        sizeof scheme, scheme, static_cast<int>(cost), salt.data());
    if (!ok) return std::nullopt;
    hashstring::HashText hash;
    std::copy_n(output + hashstring::setting_length, hash.size(), hash.begin());
    return hash;
}

}  // namespace tavric::crypto
