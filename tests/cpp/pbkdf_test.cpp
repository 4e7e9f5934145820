#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <botan/pwdhash.h>

#include "crypto/bcrypt_pbkdf.hpp"
#include "random_input.hpp"

namespace tavric::crypto {
namespace {

// Botan's bcrypt_pbkdf, which computes the blocks one after another: the
// reference for the interleaved implementation.
PbkdfStatus botan_bcrypt_pbkdf(std::span<const std::uint8_t> password, std::span<const std::uint8_t> salt,
                               std::uint32_t rounds, std::span<std::uint8_t> out) noexcept
{
    try {
        Botan::PasswordHashFamily::create_or_throw("Bcrypt-PBKDF")
            ->from_params(rounds)
            ->derive_key(out.data(), out.size(), reinterpret_cast<const char*>(password.data()), password.size(),
                         salt.data(), salt.size());
    } catch (...) {
        return PbkdfStatus::library_failure;
    }
    return PbkdfStatus::ok;
}

std::vector<std::uint8_t> derive(decltype(&bcrypt_pbkdf) function, const std::vector<std::uint8_t>& password,
                                 const std::vector<std::uint8_t>& salt, std::uint32_t rounds, std::size_t length)
{
    std::vector<std::uint8_t> out(length, 0);
    EXPECT_EQ(function(password, salt, rounds, out), PbkdfStatus::ok);
    return out;
}

std::vector<std::uint8_t> bytes(std::string_view text) { return {text.begin(), text.end()}; }

TEST(BcryptPbkdf, PublishedVector)
{
    const auto key = derive(bcrypt_pbkdf, bytes("password"), bytes("salt"), 4, 32);
    const std::vector<std::uint8_t> expected = {
        0x5b, 0xbf, 0x0c, 0xc2, 0x93, 0x58, 0x7f, 0x1c, 0x36, 0x35, 0x55, 0x5c, 0x27, 0x79, 0x65, 0x98,
        0xd4, 0x7e, 0x57, 0x90, 0x71, 0xbf, 0x42, 0x7e, 0x9d, 0x8f, 0xbe, 0x84, 0x2a, 0xba, 0x34, 0xd9};
    EXPECT_EQ(key, expected);
}

// Botan computes the blocks one after another; the interleaved lanes must
// give the same bytes for every length, whatever the grouping of blocks.
TEST(BcryptPbkdf, EqualsBotanOnRandomInputs)
{
    test_support::RandomInput generator(20261210);
    std::vector<std::size_t> lengths = {1, 31, 32, 33, 48, 64, 65, 96, 97, 128, 129, 160, 256, 257, 511, 512};
    for (int i = 0; i < 8; ++i) lengths.push_back(1 + generator() % 512);
    for (std::size_t length : lengths) {
        const auto password = generator.bytes(1 + generator() % 100);
        const auto salt = generator.bytes(1 + generator() % 40);
        const std::uint32_t rounds = 1 + generator() % 3;
        EXPECT_EQ(derive(bcrypt_pbkdf, password, salt, rounds, length),
                  derive(botan_bcrypt_pbkdf, password, salt, rounds, length))
            << "length " << length << ", rounds " << rounds;
    }
}

TEST(BcryptPbkdf, RefusesWhatTheLibraryWouldRefuse)
{
    std::vector<std::uint8_t> out(8), none;
    const auto p = bytes("p"), s = bytes("s");
    EXPECT_EQ(bcrypt_pbkdf(none, s, 1, out), PbkdfStatus::invalid_param_len);
    EXPECT_EQ(bcrypt_pbkdf(p, none, 1, out), PbkdfStatus::invalid_param_len);
    EXPECT_EQ(bcrypt_pbkdf(p, s, 0, out), PbkdfStatus::invalid_rounds);
    EXPECT_EQ(bcrypt_pbkdf(p, s, 1, none), PbkdfStatus::invalid_output_len);
    std::vector<std::uint8_t> huge(1025);
    EXPECT_EQ(bcrypt_pbkdf(p, s, 1, huge), PbkdfStatus::invalid_output_len);
    EXPECT_EQ(name_of(PbkdfStatus::invalid_rounds), "InvalidRounds");
}

}  // namespace
}  // namespace tavric::crypto
