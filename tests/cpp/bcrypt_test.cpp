#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <nettle/blowfish.h>

#include "crypto/bcrypt.hpp"
#include "random_input.hpp"

namespace tavric::crypto {
namespace {

// nettle's bcrypt, given the "$2b" scheme so that it computes one way for
// every label, and the key followed by the zero byte it reads.
std::string nettle_hash(const std::vector<std::uint8_t>& password, std::uint32_t cost, const hashstring::Salt& salt)
{
    std::vector<std::uint8_t> key(password.begin(), password.end());
    key.push_back(0);
    static constexpr std::uint8_t scheme[] = {'$', '2', 'b'};
    char output[BLOWFISH_BCRYPT_HASH_SIZE] = {};
    const int ok = blowfish_bcrypt_hash(reinterpret_cast<std::uint8_t*>(output), password.size(), key.data(),
                                        sizeof scheme, scheme, static_cast<int>(cost), salt.data());
    EXPECT_TRUE(ok);
    return std::string(output + hashstring::setting_length, hashstring::hash_text_length);
}

std::string own_hash(const std::vector<std::uint8_t>& password, std::uint32_t cost, const hashstring::Salt& salt)
{
    const auto hash = bcrypt(password, cost, salt);
    if (!hash) return "<refused>";
    return std::string(hash->begin(), hash->end());
}

TEST(Bcrypt, EqualsNettleOnRandomInputs)
{
    test_support::RandomInput generator(20261210);
    // Every key length, so every way the 72-byte key stream wraps; random
    // bytes include zeros inside the password and bytes above 0x7f.
    for (std::size_t length = 0; length <= bcrypt_max_key; ++length) {
        const auto password = generator.bytes(length);
        hashstring::Salt salt;
        std::ranges::copy(generator.bytes(salt.size()), salt.begin());
        const std::uint32_t cost = length % 8 == 0 ? 5 : 4;
        EXPECT_EQ(own_hash(password, cost, salt), nettle_hash(password, cost, salt)) << "length " << length;
    }
}

TEST(Bcrypt, ZeroBytesInsideThePasswordCount)
{
    const hashstring::Salt salt{};
    const std::vector<std::uint8_t> one_zero = {'a', 0}, two_zeros = {'a', 0, 0}, bare = {'a'};
    EXPECT_NE(own_hash(one_zero, 4, salt), own_hash(bare, 4, salt));
    EXPECT_NE(own_hash(one_zero, 4, salt), own_hash(two_zeros, 4, salt));
    EXPECT_EQ(own_hash(one_zero, 4, salt), nettle_hash(one_zero, 4, salt));
}

TEST(Bcrypt, CutsTheKeyAt72Bytes)
{
    const hashstring::Salt salt{1, 2, 3};
    std::vector<std::uint8_t> password(72, 'x');
    const auto at_limit = own_hash(password, 4, salt);
    password.push_back('y');
    EXPECT_EQ(own_hash(password, 4, salt), at_limit);
}

TEST(Bcrypt, RefusesCostsOutside4To31)
{
    const hashstring::Salt salt{};
    const std::vector<std::uint8_t> password = {'p'};
    for (std::uint32_t cost : {0u, 3u, 32u, 99u, 0xffffffffu})
        EXPECT_EQ(bcrypt(password, cost, salt), std::nullopt) << cost;
}

}  // namespace
}  // namespace tavric::crypto
