#include "runtime/text.hpp"

namespace tavric::runtime {
namespace {

constexpr std::string_view replacement = "\xEF\xBF\xBD";

bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Length of the well-formed sequence starting at `at`, or the length of its
// maximal ill-formed prefix negated (at least 1).
long sequence_length(std::string_view bytes, std::size_t at)
{
    const auto lead = static_cast<unsigned char>(bytes[at]);
    if (lead < 0x80) return 1;
    int need;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) need = 1;
    else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 2;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 3;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return -1;
    }
    long taken = 1;
    for (int i = 0; i < need; ++i) {
        if (at + taken >= bytes.size()) return -taken;
        const auto next = static_cast<unsigned char>(bytes[at + taken]);
        const bool ok = i == 0 ? (next >= low && next <= high) : is_continuation(next);
        if (!ok) return -taken;
        ++taken;
    }
    return taken;
}

}  // namespace

Text fill(std::string_view pattern, std::initializer_list<std::string_view> values)
{
    Text text;
    const std::string_view* value = values.begin();
    for (std::size_t at = 0; at < pattern.size();) {
        const std::size_t mark = pattern.find("{}", at);
        if (mark == std::string_view::npos || value == values.end()) {
            text += pattern.substr(at);
            break;
        }
        text += pattern.substr(at, mark - at);
        text += *value++;
        at = mark + 2;
    }
    return text;
}

Text utf8_lossy(std::string_view bytes)
{
    Text out;
    out.reserve(bytes.size());
    std::size_t at = 0;
    while (at < bytes.size()) {
        const long length = sequence_length(bytes, at);
        if (length > 0) {
            out.append(bytes.data() + at, static_cast<std::size_t>(length));
            at += static_cast<std::size_t>(length);
        } else {
            out.append(replacement);
            at += static_cast<std::size_t>(-length);
        }
    }
    return out;
}

}  // namespace tavric::runtime
