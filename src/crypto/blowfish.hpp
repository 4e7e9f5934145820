// The Blowfish expensive key schedule shared by bcrypt and bcrypt_pbkdf.
//
// Both are latency-bound: every round waits on four S-box loads that depend
// on the round before. The templates take several independent states
// ("lanes") and interleave their rounds, so that one lane's loads fill the
// others' waits; one lane is the plain schedule.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tavric::crypto::blowfish {

struct State {
    std::uint32_t s[4][256];
    std::uint32_t p[18];
};

// A cyclic stream of big-endian words, as the schedule reads its key and data.
template <std::size_t N>
using Words = std::array<std::uint32_t, N>;

// The initial P-array and S-boxes: the hexadecimal digits of pi.
void initialise(State& state) noexcept;

inline std::uint32_t feistel(const State& b, std::uint32_t x) noexcept
{
    return ((b.s[0][x >> 24] + b.s[1][(x >> 16) & 0xff]) ^ b.s[2][(x >> 8) & 0xff]) + b.s[3][x & 0xff];
}

// One encryption per lane. The halves live in the caller's locals so that
// they stay in registers.
template <std::size_t Lanes>
[[gnu::always_inline]] inline void encipher(State* const* state, std::uint32_t* left, std::uint32_t* right) noexcept
{
    std::uint32_t l[Lanes], r[Lanes];
    for (std::size_t k = 0; k < Lanes; ++k) {
        l[k] = left[k] ^ state[k]->p[0];
        r[k] = right[k];
    }
#pragma GCC unroll 8
    for (std::size_t round = 1; round < 17; round += 2) {
        for (std::size_t k = 0; k < Lanes; ++k) r[k] ^= feistel(*state[k], l[k]) ^ state[k]->p[round];
        for (std::size_t k = 0; k < Lanes; ++k) l[k] ^= feistel(*state[k], r[k]) ^ state[k]->p[round + 1];
    }
    for (std::size_t k = 0; k < Lanes; ++k) {
        left[k] = r[k] ^ state[k]->p[17];
        right[k] = l[k];
    }
}

namespace detail {

// Refills `count` slots of each lane's table (the P-array or one S-box),
// chaining the encryptions and, with a data stream, mixing it in.
//
// `count` (18 or 256) stays a run-time argument: as a template argument it
// made the two-lane kdf about 5% slower (48 bytes at 16 rounds: 64 to 68 ms
// against 61.4 to 62.7 ms, best of 40 rounds).
template <std::size_t Lanes, std::size_t DataWords>
[[gnu::always_inline]] inline void refill(State* const* state, std::uint32_t* const* table, std::size_t count,
                                          const Words<DataWords>* const* data, std::size_t& word,
                                          std::uint32_t* left, std::uint32_t* right) noexcept
{
    for (std::size_t i = 0; i < count; i += 2) {
        if constexpr (DataWords != 0) {
            for (std::size_t k = 0; k < Lanes; ++k) {
                left[k] ^= (*data[k])[word];
                right[k] ^= (*data[k])[word + 1];
            }
            word = (word + 2) % DataWords;
        }
        encipher<Lanes>(state, left, right);
        for (std::size_t k = 0; k < Lanes; ++k) {
            table[k][i] = left[k];
            table[k][i + 1] = right[k];
        }
    }
}

}  // namespace detail

// Blowfish_expandstate: the key XORed into the P-array, then the P-array and
// S-boxes refilled with the data stream mixed in. With no data stream
// (DataWords 0) this is Blowfish_expand0state.
template <std::size_t Lanes, std::size_t KeyWords, std::size_t DataWords = 0>
void expand(State* const* state, const Words<KeyWords>* const* key,
            const Words<DataWords>* const* data = nullptr) noexcept
{
    std::uint32_t left[Lanes] = {}, right[Lanes] = {};
    std::uint32_t* table[Lanes];
    for (std::size_t k = 0; k < Lanes; ++k) {
        for (std::size_t i = 0; i < 18; ++i) state[k]->p[i] ^= (*key[k])[i % KeyWords];
        table[k] = state[k]->p;
    }
    std::size_t word = 0;
    detail::refill<Lanes, DataWords>(state, table, 18, data, word, left, right);
    for (std::size_t box = 0; box < 4; ++box) {
        for (std::size_t k = 0; k < Lanes; ++k) table[k] = state[k]->s[box];
        detail::refill<Lanes, DataWords>(state, table, 256, data, word, left, right);
    }
}

// N big-endian words from 4 * N bytes.
template <std::size_t N>
Words<N> read_words(const void* bytes) noexcept
{
    const auto* b = static_cast<const std::uint8_t*>(bytes);
    Words<N> words;
    for (std::size_t i = 0; i < N; ++i, b += 4)
        words[i] = (std::uint32_t(b[0]) << 24) | (std::uint32_t(b[1]) << 16) | (std::uint32_t(b[2]) << 8) | b[3];
    return words;
}

}  // namespace tavric::crypto::blowfish
