#include "crypto/bcrypt.hpp"

#include <algorithm>
#include <cstring>

#include "crypto/blowfish.hpp"
#include "hashstring/radix64.hpp"
#include "runtime/pinned_texts.hpp"
#include "runtime/wipe.hpp"

namespace tavric::crypto {
namespace {

using blowfish::Words;

constexpr std::size_t key_words = 18;  // one word for each P-array entry
constexpr std::size_t salt_words = hashstring::salt_bytes / 4;
constexpr std::size_t cipher_words = 6;
constexpr std::size_t hash_bytes = 23;  // of the 24 the cipher text has
static_assert(runtime::pinned::bcrypt_magic.size() == 4 * cipher_words);
static_assert(hashstring::radix64::encoded_length(hash_bytes) == hashstring::hash_text_length);

// Everything derived from the passwords of a group of lanes; cleared however
// the hash ends.
template <std::size_t Lanes>
struct Secrets {
    blowfish::State state[Lanes];
    Words<key_words> key[Lanes];
    Words<salt_words> salt[Lanes];
    // Word-major, so that one half of the text of every lane is one array,
    // as encipher takes it.
    std::uint32_t cipher[cipher_words][Lanes];
    std::uint8_t hash[Lanes][4 * cipher_words];
    ~Secrets() { runtime::wipe(this, sizeof *this); }
};

// The key is the password and one zero byte, cut to 72 bytes, read cyclically:
// 18 words take exactly 72 bytes of that stream.
void read_key(std::span<const std::uint8_t> password, Words<key_words>& key)
{
    const std::size_t length = std::min(password.size(), bcrypt_max_key);
    const std::size_t cycle = std::min(length + 1, bcrypt_max_key);
    std::size_t at = 0;
    for (auto& word : key) {
        word = 0;
        for (int b = 0; b < 4; ++b, at = (at + 1) % cycle) word = (word << 8) | (at < length ? password[at] : 0);
    }
}

// Asks nothing: the plain hash, with no check in its loop.
struct Uninterrupted {
    bool operator()(std::uint64_t, std::uint64_t) const noexcept { return true; }
};

// EksBlowfishSetup with 2^cost rounds, then the magic text encrypted 64 times.
// `keep_going(round, rounds)` is asked before each round; false abandons the
// hash, with nothing written.
template <std::size_t Lanes, class KeepGoing>
bool compute(std::uint32_t cost, Secrets<Lanes>& secrets, KeepGoing& keep_going)
{
    blowfish::State* state[Lanes];
    const Words<key_words>* key[Lanes];
    const Words<salt_words>* salt[Lanes];
    for (std::size_t k = 0; k < Lanes; ++k) {
        state[k] = &secrets.state[k];
        key[k] = &secrets.key[k];
        salt[k] = &secrets.salt[k];
        blowfish::initialise(secrets.state[k]);
    }

    blowfish::expand<Lanes>(state, key, salt);
    // Key, then salt: Provos and Mazieres' order (bcrypt_pbkdf's block
    // function runs them the other way round).
    for (std::uint64_t round = 0, rounds = std::uint64_t{1} << cost; round < rounds; ++round) {
        if (!keep_going(round, rounds)) return false;
        blowfish::expand<Lanes>(state, key);
        blowfish::expand<Lanes>(state, salt);
    }

    const auto magic = blowfish::read_words<cipher_words>(runtime::pinned::bcrypt_magic.data());
    for (std::size_t i = 0; i < cipher_words; ++i)
        for (std::size_t k = 0; k < Lanes; ++k) secrets.cipher[i][k] = magic[i];
    for (int i = 0; i < 64; ++i)
        for (std::size_t half = 0; half < cipher_words; half += 2)
            blowfish::encipher<Lanes>(state, secrets.cipher[half], secrets.cipher[half + 1]);
    // Big-endian words, as the hash text has always been read.
    for (std::size_t k = 0; k < Lanes; ++k)
        for (std::size_t i = 0; i < cipher_words; ++i)
            for (std::size_t b = 0; b < 4; ++b)
                secrets.hash[k][4 * i + b] = static_cast<std::uint8_t>(secrets.cipher[i][k] >> (24 - 8 * b));
    return true;
}

// Reads every lane's password and salt before it writes any hash text.
template <std::size_t Lanes, class KeepGoing = Uninterrupted>
bool hash_lanes(const BcryptLane* lanes, std::uint32_t cost, KeepGoing&& keep_going = {})
{
    Secrets<Lanes> secrets;
    for (std::size_t k = 0; k < Lanes; ++k) {
        read_key(lanes[k].password, secrets.key[k]);
        secrets.salt[k] = blowfish::read_words<salt_words>(lanes[k].salt->data());
    }
    if (!compute<Lanes>(cost, secrets, keep_going)) return false;
    for (std::size_t k = 0; k < Lanes; ++k)
        hashstring::radix64::encode(std::span(secrets.hash[k], hash_bytes), lanes[k].hash->data());
    return true;
}

template <class KeepGoing>
bool dispatch(std::span<const BcryptLane> lanes, std::uint32_t cost, KeepGoing&& keep_going)
{
    switch (lanes.size()) {
    case 0: return true;
    case 1: return hash_lanes<1>(lanes.data(), cost, keep_going);
    case 2: return hash_lanes<2>(lanes.data(), cost, keep_going);
    case 3: return hash_lanes<3>(lanes.data(), cost, keep_going);
    default: return hash_lanes<4>(lanes.data(), cost, keep_going);
    }
}

}  // namespace

std::optional<hashstring::HashText> bcrypt(std::span<const std::uint8_t> password,
                                           std::uint32_t cost,
                                           const hashstring::Salt& salt) noexcept
{
    if (!bcrypt_cost_in_range(cost)) return std::nullopt;
    hashstring::HashText hash;
    const BcryptLane lane{password, &salt, &hash};
    hash_lanes<1>(&lane, cost);
    return hash;
}

bool bcrypt_lanes(std::span<const BcryptLane> lanes, std::uint32_t cost) noexcept
{
    if (!bcrypt_cost_in_range(cost) || lanes.size() > max_bcrypt_lanes) return false;
    return dispatch(lanes, cost, Uninterrupted{});
}

LanesOutcome bcrypt_lanes(std::span<const BcryptLane> lanes, std::uint32_t cost, RoundCheck& check) noexcept
{
    if (!bcrypt_cost_in_range(cost) || lanes.size() > max_bcrypt_lanes) return LanesOutcome::refused;
    const auto keep_going = [&](std::uint64_t round, std::uint64_t rounds) { return check.keep_going(round, rounds); };
    return dispatch(lanes, cost, keep_going) ? LanesOutcome::done : LanesOutcome::abandoned;
}

// Four lanes gave the most hashes per second at every cost measured, 4..12;
// a higher cost only repeats the same rounds over the same state, so it
// follows. Hashes per second on one thread as ratios to libxcrypt's crypt_r
// in a loop, best of 15 rounds on a 2-core Xeon (KVM) shared with other work
// (bench/bcrypt_lanes.sh 15):
//
//   cost  1 lane  2 lanes  3 lanes  4 lanes
//      4   1.10    1.97     2.79     3.55
//      6   1.02    1.81     2.59     3.29
//      8   0.99    1.76     2.55     3.24
//     10   1.00    1.78     2.52     3.18
//     12   1.04    1.76     2.65     3.35
std::size_t preferred_bcrypt_lanes(std::uint32_t) noexcept { return max_bcrypt_lanes; }

}  // namespace tavric::crypto
