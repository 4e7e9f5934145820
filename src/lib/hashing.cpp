#include "lib/hashing.hpp"

#include "crypto/bcrypt.hpp"
#include "hashstring/compare.hpp"
#include "runtime/pinned_texts.hpp"

namespace tavric::lib {

using boundary::Error;
using boundary::Result;

namespace pinned = runtime::pinned;

Error invalid_salt() { return Error::make(PyExc_ValueError, pinned::invalid_salt); }

Result<HashRequest> read_hash_request(binding::ByteView password, binding::ByteView setting_text)
{
    if (password.size() > crypto::bcrypt_max_key) return Error::make(PyExc_ValueError, pinned::password_too_long);
    const auto setting = hashstring::parse_setting(
        std::string_view(reinterpret_cast<const char*>(setting_text.data()), setting_text.size()));
    if (!setting) return invalid_salt();
    return HashRequest{password, *setting};
}

void write_hash_string(const hashstring::Setting& setting, const hashstring::HashText& hash, char* out) noexcept
{
    hashstring::write_hash(setting.revision, setting.cost, hashstring::encode_salt(setting.salt), hash, out);
}

bool matches_stored(const char* hash, binding::ByteView stored) noexcept
{
    if (stored.size() != hashstring::hash_length) return false;
    return hashstring::equal_without_early_exit(reinterpret_cast<const std::uint8_t*>(hash), stored.data(),
                                                stored.size());
}

}  // namespace tavric::lib
