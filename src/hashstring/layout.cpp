#include "hashstring/layout.hpp"

#include <algorithm>

#include "hashstring/radix64.hpp"

namespace tavric::hashstring {
namespace {

// In revision order: a Revision is an index into this table, and stored
// hashes carry these texts.
constexpr std::string_view labels[] = {"2a", "2x", "2y", "2b"};
static_assert(labels[static_cast<std::size_t>(Revision::v2a)] == "2a" &&
              labels[static_cast<std::size_t>(Revision::v2x)] == "2x" &&
              labels[static_cast<std::size_t>(Revision::v2y)] == "2y" &&
              labels[static_cast<std::size_t>(Revision::v2b)] == "2b");

// Optional single '+', then one or more digits, value within 32 bits.
std::optional<std::uint32_t> parse_cost(std::string_view text)
{
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
        if (value > UINT32_MAX) return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

// Splits at '$', dropping empty pieces; fails unless exactly three remain.
std::optional<std::array<std::string_view, 3>> split_pieces(std::string_view text)
{
    std::array<std::string_view, 3> pieces;
    std::size_t count = 0;
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t end = std::min(text.find('$', at), text.size());
        if (end > at) {
            if (count == pieces.size()) return std::nullopt;
            pieces[count++] = text.substr(at, end - at);
        }
        at = end + 1;
    }
    if (count != pieces.size()) return std::nullopt;
    return pieces;
}

}  // namespace

std::optional<Revision> revision_of(std::string_view label) noexcept
{
    for (std::size_t i = 0; i < std::size(labels); ++i)
        if (labels[i] == label) return static_cast<Revision>(i);
    return std::nullopt;
}

std::string_view label_of(Revision revision) noexcept
{
    return labels[static_cast<std::size_t>(revision)];
}

SaltText encode_salt(const Salt& salt) noexcept
{
    SaltText text;
    radix64::encode(salt, text.data());
    return text;
}

void write_setting(Revision revision, unsigned cost, const SaltText& salt, char* out) noexcept
{
    const std::string_view label = label_of(revision);
    *out++ = '$';
    *out++ = label[0];
    *out++ = label[1];
    *out++ = '$';
    *out++ = static_cast<char>('0' + cost / 10 % 10);
    *out++ = static_cast<char>('0' + cost % 10);
    *out++ = '$';
    std::copy(salt.begin(), salt.end(), out);
}

void write_hash(Revision revision, unsigned cost, const SaltText& salt, const HashText& hash,
                char* out) noexcept
{
    write_setting(revision, cost, salt, out);
    std::copy(hash.begin(), hash.end(), out + setting_length);
}

std::optional<Setting> parse_setting(std::string_view text) noexcept
{
    const auto pieces = split_pieces(text);
    if (!pieces) return std::nullopt;
    const auto revision = revision_of((*pieces)[0]);
    if (!revision) return std::nullopt;
    const auto cost = parse_cost((*pieces)[1]);
    if (!cost) return std::nullopt;
    const std::string_view salt_field = (*pieces)[2];
    if (salt_field.size() < salt_text_length) return std::nullopt;

    std::uint8_t decoded[radix64::decode_capacity(salt_text_length)];
    const auto result = radix64::decode(salt_field.substr(0, salt_text_length), decoded);
    if (result.error || result.length != salt_bytes) return std::nullopt;
    Setting setting{*revision, *cost, {}};
    std::copy_n(decoded, salt_bytes, setting.salt.begin());
    return setting;
}

}  // namespace tavric::hashstring
