#include <gtest/gtest.h>

#include "runtime/text.hpp"

namespace tavric::runtime {
namespace {

TEST(Utf8Lossy, ReplacesMaximalIllFormedSubsequences)
{
    const std::string_view fffd = "\xEF\xBF\xBD";
    struct Case {
        std::string_view in;
        std::string expected;
    };
    const Case cases[] = {
        {"plain", "plain"},
        {"\xC3\xA9", "\xC3\xA9"},
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
        // An encoded lone surrogate is three ill-formed bytes.
        {"a\xED\xA0\x80z", "a" + std::string(fffd) + std::string(fffd) + std::string(fffd) + "z"},
        {"\xE2\x82", std::string(fffd)},
        {"\xE2\x82z", std::string(fffd) + "z"},
        {"\xFF", std::string(fffd)},
        {"\xC0\xAF", std::string(fffd) + std::string(fffd)},
    };
    for (const Case& c : cases) EXPECT_EQ(std::string(utf8_lossy(c.in)), c.expected);
}

TEST(Fill, PutsEachValueAtItsMarkInOrder)
{
    EXPECT_EQ(fill("{}() takes {} positional {} but {} {} given", {"kdf", "5", "arguments", "6", "were"}),
              "kdf() takes 5 positional arguments but 6 were given");
    // A value that looks like a mark is not filled in itself.
    EXPECT_EQ(fill("'{}' and '{}'", {"{}", "b"}), "'{}' and 'b'");
    EXPECT_EQ(fill("no marks", {"unused"}), "no marks");
    EXPECT_EQ(fill("{} then {}", {"only"}), "only then {}");
}

}  // namespace
}  // namespace tavric::runtime
