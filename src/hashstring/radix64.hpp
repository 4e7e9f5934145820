// bcrypt's radix-64: RFC 4648 base64 bit order over the alphabet
// "./A-Za-z0-9", no padding written, padding and stray bits rejected.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace tavric::hashstring::radix64 {

enum class Failure { bad_symbol, lone_final_symbol, padding_present, stray_trailing_bits };

struct DecodeError {
    Failure kind;
    std::optional<std::size_t> position;  // none for padding_present
    std::optional<char> symbol;           // bad_symbol and stray_trailing_bits only

    bool operator==(const DecodeError&) const = default;
};

struct Decoded {
    std::size_t length = 0;  // bytes written, valid when error is empty
    std::optional<DecodeError> error;
};

constexpr std::size_t encoded_length(std::size_t bytes)
{
    constexpr std::size_t tail[] = {0, 2, 3};
    return 4 * (bytes / 3) + tail[bytes % 3];
}

// Room the decoder needs: three bytes for every started group of four.
constexpr std::size_t decode_capacity(std::size_t text) { return 3 * ((text + 3) / 4); }

// Writes exactly encoded_length(bytes.size()) characters to `out`.
void encode(std::span<const std::uint8_t> bytes, char* out) noexcept;

// `out` must have room for decode_capacity(text.size()) bytes.
Decoded decode(std::string_view text, std::uint8_t* out) noexcept;

}  // namespace tavric::hashstring::radix64
