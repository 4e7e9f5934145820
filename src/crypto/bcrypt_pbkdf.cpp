#include "crypto/bcrypt_pbkdf.hpp"

#include <algorithm>
#include <array>
#include <cstring>

#include "crypto/blowfish.hpp"
#include "crypto/sha512.hpp"
#include "runtime/fault_seams.hpp"
#include "runtime/pinned_texts.hpp"
#include "runtime/wipe.hpp"

namespace tavric::crypto {
namespace {

using blowfish::State;

constexpr std::size_t block_bytes = 32;
static_assert(runtime::pinned::pbkdf_magic.size() == block_bytes);
constexpr std::size_t max_lanes = 4;

// A SHA-512 digest read as sixteen big-endian words: the key and data
// streams of the key schedule, which cycle over exactly these words.
using Digest = blowfish::Words<16>;

// The bcrypt_hash block function of bcrypt_pbkdf, for several independent
// (password digest, salt digest) pairs at once.
template <std::size_t Lanes>
void bcrypt_hash(State* states, const Digest& password, const Digest* salts, std::uint8_t (*out)[block_bytes])
{
    State* state[Lanes];
    const Digest* keys[Lanes];
    const Digest* salt_of[Lanes];
    for (std::size_t k = 0; k < Lanes; ++k) {
        state[k] = &states[k];
        blowfish::initialise(states[k]);
        keys[k] = &password;
        salt_of[k] = &salts[k];
    }
    blowfish::expand<Lanes>(state, keys, salt_of);
    // Salt first, then key: the reverse of bcrypt's order, because OpenBSD
    // defined bcrypt_pbkdf's block function that way, and every key it has
    // derived (OpenSSH's encrypted keys among them) depends on it.
    for (int i = 0; i < 64; ++i) {
        blowfish::expand<Lanes>(state, salt_of);
        blowfish::expand<Lanes>(state, keys);
    }

    blowfish::Words<8> cipher[Lanes];
    for (auto& text : cipher) text = blowfish::read_words<8>(runtime::pinned::pbkdf_magic.data());
    for (int i = 0; i < 64; ++i) {
        for (std::size_t half = 0; half < 8; half += 2) {
            std::uint32_t left[Lanes], right[Lanes];
            for (std::size_t k = 0; k < Lanes; ++k) {
                left[k] = cipher[k][half];
                right[k] = cipher[k][half + 1];
            }
            blowfish::encipher<Lanes>(state, left, right);
            for (std::size_t k = 0; k < Lanes; ++k) {
                cipher[k][half] = left[k];
                cipher[k][half + 1] = right[k];
            }
        }
    }
    // Little-endian words, where bcrypt writes big-endian ones: again the
    // published function's definition.
    for (std::size_t k = 0; k < Lanes; ++k)
        for (std::size_t i = 0; i < 8; ++i)
            for (std::size_t b = 0; b < 4; ++b) out[k][4 * i + b] = static_cast<std::uint8_t>(cipher[k][i] >> (8 * b));
    runtime::wipe(cipher, sizeof cipher);
}

// The SHA-512 of `first` then `second`, read as the schedule reads it.
Digest digest_words(std::span<const std::uint8_t> first, std::span<const std::uint8_t> second = {})
{
    std::uint8_t digest[sha512_bytes];
    sha512(first, second, digest);
    const Digest words = blowfish::read_words<16>(digest);
    runtime::wipe(digest, sizeof digest);
    return words;
}

// Cleared however the derivation ends: it holds key-derived material.
struct Scratch {
    State states[max_lanes];
    Digest password;
    Digest salts[max_lanes];
    std::uint8_t blocks[max_lanes][block_bytes];
    std::uint8_t sums[max_lanes][block_bytes];
    ~Scratch() { runtime::wipe(this, sizeof *this); }
};

// Derives `Lanes` consecutive output blocks, numbered from `first` (1-based).
template <std::size_t Lanes>
void derive_blocks(Scratch& scratch, std::span<const std::uint8_t> salt, std::uint32_t rounds, std::uint32_t first)
{
    for (std::size_t k = 0; k < Lanes; ++k) {
        const std::uint32_t count = first + static_cast<std::uint32_t>(k);
        const std::uint8_t counter[4] = {std::uint8_t(count >> 24), std::uint8_t(count >> 16), std::uint8_t(count >> 8),
                                         std::uint8_t(count)};
        scratch.salts[k] = digest_words(salt, counter);
    }
    bcrypt_hash<Lanes>(scratch.states, scratch.password, scratch.salts, scratch.blocks);
    std::memcpy(scratch.sums, scratch.blocks, sizeof scratch.sums);
    for (std::uint32_t round = 1; round < rounds; ++round) {
        for (std::size_t k = 0; k < Lanes; ++k) scratch.salts[k] = digest_words(scratch.blocks[k]);
        bcrypt_hash<Lanes>(scratch.states, scratch.password, scratch.salts, scratch.blocks);
        for (std::size_t k = 0; k < Lanes; ++k)
            for (std::size_t i = 0; i < block_bytes; ++i) scratch.sums[k][i] ^= scratch.blocks[k][i];
    }
}

PbkdfStatus check_arguments(std::size_t password, std::size_t salt, std::uint32_t rounds, std::size_t out)
{
    if (password == 0 || salt == 0) return PbkdfStatus::invalid_param_len;
    if (rounds == 0) return PbkdfStatus::invalid_rounds;
    if (out == 0 || out > pbkdf_max_output) return PbkdfStatus::invalid_output_len;
    return PbkdfStatus::ok;
}

}  // namespace

PbkdfStatus bcrypt_pbkdf(std::span<const std::uint8_t> password, std::span<const std::uint8_t> salt,
                         std::uint32_t rounds, std::span<std::uint8_t> out) noexcept
{
    if (auto status = check_arguments(password.size(), salt.size(), rounds, out.size());
        status != PbkdfStatus::ok)
        return status;
    if (runtime::seams::sha512_fails()) return PbkdfStatus::library_failure;
    Scratch scratch;
    scratch.password = digest_words(password);

    // Byte i of block b (from 0) lands at i * blocks + b: the block count
    // is also the stride.
    const auto blocks = static_cast<std::uint32_t>((out.size() + block_bytes - 1) / block_bytes);
    for (std::uint32_t first = 1; first <= blocks;) {
        const std::uint32_t lanes = std::min<std::uint32_t>(max_lanes, blocks - first + 1);
        switch (lanes) {
        case 1: derive_blocks<1>(scratch, salt, rounds, first); break;
        case 2: derive_blocks<2>(scratch, salt, rounds, first); break;
        case 3: derive_blocks<3>(scratch, salt, rounds, first); break;
        default: derive_blocks<4>(scratch, salt, rounds, first); break;
        }
        for (std::uint32_t k = 0; k < lanes; ++k)
            for (std::size_t i = 0; i < block_bytes; ++i) {
                const std::size_t at = i * blocks + (first - 1 + k);
                if (at < out.size()) out[at] = scratch.sums[k][i];
            }
        first += lanes;
    }
    return PbkdfStatus::ok;
}

std::string_view name_of(PbkdfStatus status) noexcept
{
    switch (status) {
    case PbkdfStatus::ok: return "Ok";
    case PbkdfStatus::invalid_param_len: return runtime::pinned::pbkdf_invalid_param_len;
    case PbkdfStatus::invalid_rounds: return runtime::pinned::pbkdf_invalid_rounds;
    case PbkdfStatus::invalid_output_len: return runtime::pinned::pbkdf_invalid_output_len;
    case PbkdfStatus::library_failure: return runtime::pinned::pbkdf_library_failure;
    }
    return "Unknown";
}

}  // namespace tavric::crypto
