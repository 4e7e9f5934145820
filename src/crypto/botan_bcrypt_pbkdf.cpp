#include "crypto/bcrypt_pbkdf.hpp"

#include <botan/pwdhash.h>

namespace tavric::crypto {

PbkdfStatus botan_bcrypt_pbkdf(std::span<const std::uint8_t> password, std::span<const std::uint8_t> salt,
                               std::uint32_t rounds, std::span<std::uint8_t> out) noexcept
{
    if (auto status = check_pbkdf_arguments(password.size(), salt.size(), rounds, out.size());
        status != PbkdfStatus::ok)
        return status;
    try {
        const auto family = Botan::PasswordHashFamily::create("Bcrypt-PBKDF");
        if (!family) return PbkdfStatus::library_failure;
        family->from_params(rounds)->derive_key(out.data(), out.size(),
                                                reinterpret_cast<const char*>(password.data()),
                                                password.size(), salt.data(), salt.size());
    } catch (...) {
        // Botan reports through exceptions; none may leave the adapter.
        return PbkdfStatus::library_failure;
    }
    return PbkdfStatus::ok;
}

}  // namespace tavric::crypto
