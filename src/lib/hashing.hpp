// The steps of the hashing routine around the bcrypt computation, shared by
// hashpw and checkpw and by their batch forms: reading a request, with the
// routine's checks and messages, and writing the canonical hash string.
#pragma once

#include "binding/convert.hpp"
#include "boundary/error.hpp"
#include "hashstring/layout.hpp"

namespace tavric::lib {

struct HashRequest {
    binding::ByteView password;
    hashstring::Setting setting;
};

// The 72-byte rule first, then the setting or stored hash string: ValueError
// with the password message or "Invalid salt". The cost is not range-checked.
boundary::Result<HashRequest> read_hash_request(binding::ByteView password, binding::ByteView setting_text);

// ValueError "Invalid salt".
boundary::Error invalid_salt();

// "$label$cc$" + salt text + hash text: hashstring::hash_length bytes, the
// salt text written afresh from the decoded salt.
void write_hash_string(const hashstring::Setting& setting, const hashstring::HashText& hash, char* out) noexcept;

// checkpw's comparison: different lengths differ; equal lengths are compared
// without an early exit.
bool matches_stored(const char* hash, binding::ByteView stored) noexcept;

}  // namespace tavric::lib
