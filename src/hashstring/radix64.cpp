#include "hashstring/radix64.hpp"

#include <array>

#include "runtime/pinned_texts.hpp"

namespace tavric::hashstring::radix64 {
namespace {

constexpr std::string_view alphabet = runtime::pinned::radix64_alphabet;
static_assert(alphabet.size() == 64);
constexpr std::uint8_t not_a_symbol = 255;

constexpr std::array<std::uint8_t, 256> make_reverse_table()
{
    std::array<std::uint8_t, 256> table{};
    table.fill(not_a_symbol);
    for (std::size_t value = 0; value < alphabet.size(); ++value)
        table[static_cast<unsigned char>(alphabet[value])] = static_cast<std::uint8_t>(value);
    return table;
}

constexpr auto reverse_table = make_reverse_table();

std::uint8_t value_of(char symbol) { return reverse_table[static_cast<unsigned char>(symbol)]; }

DecodeError bad_symbol(std::size_t position, char symbol)
{
    return {Failure::bad_symbol, position, symbol};
}

}  // namespace

void encode(std::span<const std::uint8_t> bytes, char* out) noexcept
{
    std::size_t at = 0;
    for (; at + 3 <= bytes.size(); at += 3) {
        const std::uint32_t group = (bytes[at] << 16) | (bytes[at + 1] << 8) | bytes[at + 2];
        *out++ = alphabet[(group >> 18) & 63];
        *out++ = alphabet[(group >> 12) & 63];
        *out++ = alphabet[(group >> 6) & 63];
        *out++ = alphabet[group & 63];
    }
    const std::size_t left = bytes.size() - at;
    if (left == 1) {
        *out++ = alphabet[bytes[at] >> 2];
        *out++ = alphabet[(bytes[at] & 3) << 4];
    } else if (left == 2) {
        *out++ = alphabet[bytes[at] >> 2];
        *out++ = alphabet[((bytes[at] & 3) << 4) | (bytes[at + 1] >> 4)];
        *out++ = alphabet[(bytes[at + 1] & 15) << 2];
    }
}

Decoded decode(std::string_view text, std::uint8_t* out) noexcept
{
    const std::size_t n = text.size();
    if (n % 4 == 1 && text[n - 1] != '=' && value_of(text[n - 1]) == not_a_symbol)
        return {0, bad_symbol(n - 1, text[n - 1])};

    std::size_t body = n - n % 4;
    body = n % 4 == 0 ? (body >= 4 ? body - 4 : 0) : body;

    std::size_t written = 0;
    for (std::size_t at = 0; at < body; at += 4) {
        std::uint32_t group = 0;
        for (std::size_t i = at; i < at + 4; ++i) {
            const std::uint8_t value = value_of(text[i]);
            if (value == not_a_symbol) return {0, bad_symbol(i, text[i])};
            group = (group << 6) | value;
        }
        out[written++] = static_cast<std::uint8_t>(group >> 16);
        out[written++] = static_cast<std::uint8_t>(group >> 8);
        out[written++] = static_cast<std::uint8_t>(group);
    }

    std::uint32_t tail_bits = 0;
    std::size_t symbols = 0;
    std::optional<std::size_t> first_pad;
    for (std::size_t i = body; i < n; ++i) {
        const char c = text[i];
        if (c == '=') {
            if (i - body < 2) return {0, bad_symbol(i, '=')};
            if (!first_pad) first_pad = i;
            continue;
        }
        if (first_pad) return {0, bad_symbol(*first_pad, '=')};
        const std::uint8_t value = value_of(c);
        if (value == not_a_symbol) return {0, bad_symbol(i, c)};
        tail_bits = (tail_bits << 6) | value;
        ++symbols;
    }
    if (symbols == 1 && n - body == 1) return {0, DecodeError{Failure::lone_final_symbol, n, {}}};
    if (first_pad) return {0, DecodeError{Failure::padding_present, {}, {}}};
    if (symbols == 0) return {written, {}};

    // k symbols carry 6k bits, of which 8(k-1) form bytes; the rest must be zero.
    const unsigned spare = 6 * symbols - 8 * (symbols - 1);
    const std::size_t last = body + symbols - 1;
    if ((tail_bits & ((1u << spare) - 1)) != 0)
        return {0, DecodeError{Failure::stray_trailing_bits, last, text[last]}};
    tail_bits >>= spare;
    for (std::size_t i = symbols - 1; i-- > 0;)
        out[written++] = static_cast<std::uint8_t>(tail_bits >> (8 * i));
    return {written, {}};
}

}  // namespace tavric::hashstring::radix64
