#include "crypto/bcrypt.hpp"

#include <algorithm>
#include <cstring>
#include <strings.h>

#include "crypto/blowfish.hpp"
#include "hashstring/radix64.hpp"

namespace tavric::crypto {
namespace {

using blowfish::Words;

constexpr std::size_t key_words = 18;  // one word for each P-array entry
constexpr std::size_t salt_words = hashstring::salt_bytes / 4;
constexpr std::size_t hash_bytes = 23;  // of the 24 the cipher text has
static_assert(radix64::encoded_length(hash_bytes) == hashstring::hash_text_length);

// Everything derived from the password; cleared however the hash ends.
struct Secrets {
    blowfish::State state;
    Words<key_words> key;
    Words<salt_words> salt;
    Words<6> cipher;
    std::uint8_t hash[24];
    ~Secrets() { explicit_bzero(this, sizeof *this); }
};

// The key is the password and one zero byte, cut to 72 bytes, read cyclically:
// 18 words take exactly 72 bytes of that stream.
void read_key(std::span<const std::uint8_t> password, Secrets& secrets)
{
    const std::size_t length = std::min(password.size(), bcrypt_max_key);
    const std::size_t cycle = std::min(length + 1, bcrypt_max_key);
    std::size_t at = 0;
    for (auto& word : secrets.key) {
        word = 0;
        for (int b = 0; b < 4; ++b, at = (at + 1) % cycle) word = (word << 8) | (at < length ? password[at] : 0);
    }
}

// EksBlowfishSetup with 2^cost rounds, then the magic text encrypted 64 times.
void compute(std::uint32_t cost, Secrets& secrets)
{
    blowfish::State* state[] = {&secrets.state};
    const Words<key_words>* key[] = {&secrets.key};
    const Words<salt_words>* salt[] = {&secrets.salt};

    blowfish::initialise(secrets.state);
    blowfish::expand<1>(state, key, salt);
    for (std::uint64_t round = 0, rounds = std::uint64_t{1} << cost; round < rounds; ++round) {
        blowfish::expand<1>(state, key);
        blowfish::expand<1>(state, salt);
    }

    secrets.cipher = blowfish::read_words<6>("OrpheanBeholderScryDoubt");
    for (int i = 0; i < 64; ++i)
        for (std::size_t half = 0; half < 6; half += 2)
            blowfish::encipher<1>(state, &secrets.cipher[half], &secrets.cipher[half + 1]);
    for (std::size_t i = 0; i < 6; ++i)
        for (std::size_t b = 0; b < 4; ++b)
            secrets.hash[4 * i + b] = static_cast<std::uint8_t>(secrets.cipher[i] >> (24 - 8 * b));
}

}  // namespace

std::optional<hashstring::HashText> bcrypt(std::span<const std::uint8_t> password,
                                           std::uint32_t cost,
                                           const hashstring::Salt& salt) noexcept
{
    if (cost < bcrypt_min_cost || cost > bcrypt_max_cost) return std::nullopt;
    Secrets secrets;
    read_key(password, secrets);
    secrets.salt = blowfish::read_words<salt_words>(salt.data());
    compute(cost, secrets);
    hashstring::HashText hash;
    radix64::encode(std::span(secrets.hash, hash_bytes), hash.data());
    return hash;
}

}  // namespace tavric::crypto
