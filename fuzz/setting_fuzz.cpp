// Properties of the setting and hash-string reader on arbitrary input:
//  - every input either parses or fails, without reading out of bounds;
//  - an accepted setting's salt text re-encodes to the 22 characters read;
//  - writing an accepted setting back out gives a string that parses to the
//    same values (for costs that fit the two-digit field).
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "hashstring/layout.hpp"

using namespace tavric::hashstring;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto setting = parse_setting(text);
    if (!setting) return 0;

    const SaltText salt = encode_salt(setting->salt);
    const std::string_view salt_text(salt.data(), salt.size());
    // The third '$'-separated piece starts with the salt text that was read.
    if (text.find(salt_text) == std::string_view::npos) std::abort();

    if (setting->cost <= 99) {
        char written[setting_length];
        write_setting(setting->revision, setting->cost, salt, written);
        const auto again = parse_setting({written, setting_length});
        if (!again || again->revision != setting->revision || again->cost != setting->cost ||
            again->salt != setting->salt)
            std::abort();
    }
    return 0;
}
