// Text helpers shared by messages and fault reports.
#pragma once

#include <charconv>
#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "runtime/memory.hpp"

namespace tavric::runtime {

inline Text to_text(std::string_view view) { return Text(view.data(), view.size()); }

template <class Integer>
Text decimal(Integer value)
{
    char digits[24];
    auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    return Text(digits, static_cast<std::size_t>(end - digits));
}

// `pattern` with each "{}" replaced by the next of `values`, in order; the
// values themselves are not scanned.
Text fill(std::string_view pattern, std::initializer_list<std::string_view> values);

// UTF-8 decoding that puts U+FFFD in place of every maximal ill-formed
// subsequence (the Unicode "substitution of maximal subparts" practice).
Text utf8_lossy(std::string_view bytes);

}  // namespace tavric::runtime
