#include <gtest/gtest.h>

#include <string>

#include "hashstring/compare.hpp"
#include "hashstring/layout.hpp"

namespace tavric::hashstring {
namespace {

const std::string salt22 = "abcdefghijklmnopqrstuu";

TEST(Layout, WritesSettingAndHash)
{
    Salt salt{};
    const SaltText text = encode_salt(salt);
    char setting[setting_length];
    write_setting(Revision::v2y, 4, text, setting);
    EXPECT_EQ(std::string(setting, setting_length), "$2y$04$" + std::string(22, '.'));

    HashText hash;
    hash.fill('A');
    char full[hash_length];
    write_hash(Revision::v2b, 31, text, hash, full);
    EXPECT_EQ(std::string(full, hash_length), "$2b$31$" + std::string(22, '.') + std::string(31, 'A'));
}

TEST(Layout, LabelsMapBothWays)
{
    for (std::string_view label : {"2a", "2x", "2y", "2b"}) {
        const auto revision = revision_of(label);
        ASSERT_TRUE(revision) << label;
        EXPECT_EQ(label_of(*revision), label);
    }
    EXPECT_EQ(revision_of("2a"), Revision::v2a);
    EXPECT_EQ(revision_of("2b"), Revision::v2b);
}

TEST(Layout, ParsesAcceptedSettings)
{
    struct Case {
        std::string text;
        Revision revision;
        std::uint32_t cost;
    };
    const Case cases[] = {
        {"$2b$12$" + salt22, Revision::v2b, 12},
        {"2b$12$" + salt22, Revision::v2b, 12},
        {"$$2y$$05$$" + salt22 + "$", Revision::v2y, 5},
        {"$2a$4$" + salt22, Revision::v2a, 4},
        {"$2x$+07$" + salt22 + "trailing hash part ignored", Revision::v2x, 7},
        {"$2b$0000000012$" + salt22, Revision::v2b, 12},
        {"$2b$99$" + salt22, Revision::v2b, 99},
        {"$2b$4294967295$" + salt22, Revision::v2b, 4294967295u},
    };
    for (const Case& c : cases) {
        const auto setting = parse_setting(c.text);
        ASSERT_TRUE(setting) << c.text;
        EXPECT_EQ(setting->revision, c.revision) << c.text;
        EXPECT_EQ(setting->cost, c.cost) << c.text;
        EXPECT_EQ(std::string(encode_salt(setting->salt).data(), salt_text_length), salt22);
    }
}

TEST(Layout, RejectsMalformedSettings)
{
    const std::string rejected[] = {
        "",
        "bad",
        "$2b$12",
        "$2b$12$" + salt22 + "$extra",
        "$2c$12$" + salt22,
        "$2$12$" + salt22,
        "$2bb$12$" + salt22,
        "$2B$12$" + salt22,
        "$2b$+$" + salt22,
        "$2b$-$" + salt22,
        "$2b$-5$" + salt22,
        "$2b$++5$" + salt22,
        "$2b$1 2$" + salt22,
        "$2b$4294967296$" + salt22,
        "$2b$12$" + salt22.substr(0, 21),
        "$2b$12$abcdefghijklmnopqrstu/",
        "$2b$12$abcdefghij=lmnopqrstuu",
    };
    for (const std::string& text : rejected) EXPECT_FALSE(parse_setting(text)) << text;
}

TEST(Compare, EqualityWithoutEarlyExit)
{
    const std::uint8_t a[] = {1, 2, 3, 4};
    const std::uint8_t b[] = {1, 2, 3, 5};
    const std::uint8_t c[] = {0, 2, 3, 4};
    EXPECT_TRUE(equal_without_early_exit(a, a, 4));
    EXPECT_FALSE(equal_without_early_exit(a, b, 4));
    EXPECT_FALSE(equal_without_early_exit(a, c, 4));
    EXPECT_TRUE(equal_without_early_exit(a, b, 0));
}

}  // namespace
}  // namespace tavric::hashstring
