#include "crypto/sha512.hpp"

#include <nettle/sha2.h>

#include "runtime/wipe.hpp"

namespace tavric::crypto {

void sha512(std::span<const std::uint8_t> first, std::span<const std::uint8_t> second,
            std::uint8_t (&digest)[sha512_bytes]) noexcept
{
    sha512_ctx context;
    sha512_init(&context);
    sha512_update(&context, first.size(), first.data());
    sha512_update(&context, second.size(), second.data());
    sha512_digest(&context, sha512_bytes, digest);
    // The buffered tail of the password stays in the context otherwise.
    runtime::wipe(&context, sizeof context);
}

}  // namespace tavric::crypto
