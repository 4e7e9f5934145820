// Equality of two equal-length byte strings whose running time does not
// depend on where they differ.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tavric::hashstring {

// Out of line, so that instruction counts of it alone can be taken.
bool equal_without_early_exit(const std::uint8_t* a, const std::uint8_t* b, std::size_t length) noexcept;

}  // namespace tavric::hashstring
