#include "crypto/bcrypt_pbkdf.hpp"

#include <botan/pwdhash.h>

namespace tavric::crypto {

PbkdfStatus bcrypt_pbkdf(std::span<const std::uint8_t> password, std::span<const std::uint8_t> salt,
                         std::uint32_t rounds, std::span<std::uint8_t> out) noexcept
{
    if (password.empty() || salt.empty()) return PbkdfStatus::invalid_param_len;
    if (rounds == 0) return PbkdfStatus::invalid_rounds;
    if (out.empty() || out.size() > pbkdf_max_output) return PbkdfStatus::invalid_output_len;
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

std::string_view name_of(PbkdfStatus status) noexcept
{
    switch (status) {
    case PbkdfStatus::ok: return "Ok";
    case PbkdfStatus::invalid_param_len: return "InvalidParamLen";
    case PbkdfStatus::invalid_rounds: return "InvalidRounds";
    case PbkdfStatus::invalid_output_len: return "InvalidOutputLen";
    case PbkdfStatus::library_failure: return "LibraryFailure";
    }
    return "Unknown";
}

}  // namespace tavric::crypto
