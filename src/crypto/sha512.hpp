// SHA-512 for bcrypt_pbkdf, from nettle linked statically into the module.
//
// nettle rather than OpenSSL's libcrypto: libcrypto reads OPENSSL_ia32cap
// from the environment when it is loaded and brings a large library into
// every process for one hash; nettle's SHA-512 objects are plain C with no
// start-up code, no environment and no memory locking, and its run-time CPU
// dispatch (the "fat" objects, which do read the environment) covers other
// algorithms, so the linker never pulls it in for SHA-512.
#pragma once

#include <cstdint>
#include <span>

namespace tavric::crypto {

inline constexpr std::size_t sha512_bytes = 64;

// The digest of `first` followed by `second`. Cannot fail; the hash state is
// wiped before returning.
void sha512(std::span<const std::uint8_t> first, std::span<const std::uint8_t> second,
            std::uint8_t (&digest)[sha512_bytes]) noexcept;

}  // namespace tavric::crypto
