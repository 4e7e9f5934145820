// Properties of the radix-64 codec on arbitrary input:
//  - decoding never reads or writes out of bounds, and fails or succeeds whole;
//  - decode(encode(x)) == x;
//  - an accepted text re-encodes to itself (no two texts decode alike).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "hashstring/radix64.hpp"

using namespace tavric::hashstring::radix64;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<std::uint8_t> decoded(decode_capacity(size));
    const Decoded result = decode(text, decoded.data());
    if (!result.error) {
        if (result.length != 3 * (size / 4) + (size % 4 == 0 ? 0 : size % 4 - 1)) std::abort();
        std::vector<char> again(encoded_length(result.length));
        encode({decoded.data(), result.length}, again.data());
        if (std::string_view(again.data(), again.size()) != text) std::abort();
    } else if (result.error->position && *result.error->position > size) {
        std::abort();
    }

    std::vector<char> encoded(encoded_length(size));
    encode({data, size}, encoded.data());
    std::vector<std::uint8_t> back(decode_capacity(encoded.size()));
    const Decoded round = decode({encoded.data(), encoded.size()}, back.data());
    if (round.error || round.length != size || (size && std::memcmp(back.data(), data, size) != 0)) std::abort();
    return 0;
}
