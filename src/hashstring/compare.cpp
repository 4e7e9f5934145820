#include "hashstring/compare.hpp"

namespace tavric::hashstring {
namespace {

// Keeps the compiler from turning the flag arithmetic back into branches.
std::uint8_t opaque(std::uint8_t value) noexcept
{
#if defined(__GNUC__) || defined(__clang__)
    __asm__ volatile("" : "+r"(value));
#endif
    return value;
}

}  // namespace

bool equal_without_early_exit(const std::uint8_t* a, const std::uint8_t* b, std::size_t length) noexcept
{
    std::uint8_t equal = 1;
    for (std::size_t i = 0; i < length; ++i) equal &= opaque(static_cast<std::uint8_t>(a[i] == b[i]));
    return opaque(equal) == 1;
}

}  // namespace tavric::hashstring
