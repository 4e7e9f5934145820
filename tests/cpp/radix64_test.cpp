#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "hashstring/radix64.hpp"

namespace tavric::hashstring::radix64 {
namespace {

std::string encoded(const std::vector<std::uint8_t>& bytes)
{
    std::string text(encoded_length(bytes.size()), '\0');
    encode(bytes, text.data());
    return text;
}

Decoded decoded(std::string_view text, std::vector<std::uint8_t>& out)
{
    out.assign(decode_capacity(text.size()), 0xAA);
    Decoded result = decode(text, out.data());
    out.resize(result.error ? 0 : result.length);
    return result;
}

TEST(Radix64, EncodesKnownTexts)
{
    EXPECT_EQ(encoded({'a', 'b', 'c'}), "WUHh");
    EXPECT_EQ(encoded({'a', 'b'}), "WUG");
    EXPECT_EQ(encoded({'a'}), "WO");
    EXPECT_EQ(encoded({}), "");
    EXPECT_EQ(encoded(std::vector<std::uint8_t>(16, 0)), std::string(22, '.'));
    EXPECT_EQ(encoded(std::vector<std::uint8_t>(16, 0xFF)), std::string(21, '9') + "u");
    EXPECT_EQ(encoded(std::vector<std::uint8_t>(23, 0)), std::string(31, '.'));
    EXPECT_EQ(encoded(std::vector<std::uint8_t>(23, 0xFF)), std::string(30, '9') + "6");
}

TEST(Radix64, DecodesAcceptedTexts)
{
    std::vector<std::uint8_t> out;
    EXPECT_FALSE(decoded("", out).error);
    EXPECT_TRUE(out.empty());

    ASSERT_FALSE(decoded(std::string(21, '.') + "O", out).error);
    std::vector<std::uint8_t> expected(16, 0);
    expected[15] = 0x01;
    EXPECT_EQ(out, expected);

    ASSERT_FALSE(decoded("WUHh", out).error);
    EXPECT_EQ(out, (std::vector<std::uint8_t>{'a', 'b', 'c'}));
    ASSERT_FALSE(decoded("WUG", out).error);
    EXPECT_EQ(out, (std::vector<std::uint8_t>{'a', 'b'}));
}

struct FailureCase {
    std::string text;
    DecodeError error;
};

class Radix64Failure : public testing::TestWithParam<FailureCase> {};

TEST_P(Radix64Failure, ReportsKindAndPosition)
{
    std::vector<std::uint8_t> out;
    const Decoded result = decoded(GetParam().text, out);
    ASSERT_TRUE(result.error) << GetParam().text;
    EXPECT_EQ(*result.error, GetParam().error) << GetParam().text;
}

const std::string dots20(20, '.');

INSTANTIATE_TEST_SUITE_P(
    Cases, Radix64Failure,
    testing::Values(
        FailureCase{std::string(21, '.') + "/", {Failure::stray_trailing_bits, 21, '/'}},
        FailureCase{std::string(21, '.') + "9", {Failure::stray_trailing_bits, 21, '9'}},
        FailureCase{"WUH", {Failure::stray_trailing_bits, 2, 'H'}},
        FailureCase{std::string(22, '.') + "==", {Failure::padding_present, {}, {}}},
        FailureCase{"WO==", {Failure::padding_present, {}, {}}},
        FailureCase{std::string(21, '.'), {Failure::lone_final_symbol, 21, {}}},
        FailureCase{dots20 + " ", {Failure::bad_symbol, 20, ' '}},
        FailureCase{"$" + std::string(19, '.') + " ", {Failure::bad_symbol, 20, ' '}},
        FailureCase{"....=" + std::string(17, '.'), {Failure::bad_symbol, 4, '='}},
        FailureCase{dots20 + "=.", {Failure::bad_symbol, 20, '='}},
        FailureCase{dots20 + ".=", {Failure::bad_symbol, 21, '='}},
        FailureCase{"...+" + std::string(18, '.'), {Failure::bad_symbol, 3, '+'}},
        FailureCase{"..-" + std::string(19, '.'), {Failure::bad_symbol, 2, '-'}},
        FailureCase{".\x80" + dots20, {Failure::bad_symbol, 1, '\x80'}},
        FailureCase{"WU=G", {Failure::bad_symbol, 2, '='}},
        FailureCase{"WO=", {Failure::padding_present, {}, {}}},
        FailureCase{"=", {Failure::bad_symbol, 0, '='}},
        FailureCase{"....W$", {Failure::bad_symbol, 5, '$'}}),
    [](const testing::TestParamInfo<FailureCase>& info) { return "case" + std::to_string(info.index); });

TEST(Radix64, RoundTripsRandomBytes)
{
    std::mt19937 generator(12345);
    for (std::size_t length = 0; length < 70; ++length) {
        std::vector<std::uint8_t> bytes(length);
        for (auto& byte : bytes) byte = static_cast<std::uint8_t>(generator());
        std::vector<std::uint8_t> back;
        const std::string text = encoded(bytes);
        ASSERT_FALSE(decoded(text, back).error) << text;
        EXPECT_EQ(back, bytes);
    }
}

TEST(Radix64, EveryAccepted22CharacterTailReencodesToItself)
{
    const std::string_view alphabet = "./ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::size_t accepted = 0;
    for (char last : alphabet) {
        const std::string text = "abcdefghijklmnopqrstu" + std::string(1, last);
        std::vector<std::uint8_t> bytes;
        if (decoded(text, bytes).error) continue;
        ++accepted;
        EXPECT_EQ(bytes.size(), 16u);
        EXPECT_EQ(encoded(bytes), text);
        EXPECT_NE(std::string_view(".Oeu").find(last), std::string_view::npos);
    }
    EXPECT_EQ(accepted, 4u);
}

}  // namespace
}  // namespace tavric::hashstring::radix64
