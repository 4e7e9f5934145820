#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
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

// One hash of a lane group, with the hash text the group writes.
struct Job {
    std::vector<std::uint8_t> password;
    hashstring::Salt salt;
    hashstring::HashText hash;
};

std::vector<BcryptLane> group_of(std::vector<Job>& jobs)
{
    std::vector<BcryptLane> group;
    for (auto& job : jobs) group.push_back({job.password, &job.salt, &job.hash});
    return group;
}

std::string text_of(const hashstring::HashText& hash) { return std::string(hash.begin(), hash.end()); }

TEST(BcryptLanes, EqualSingleLaneAndNettleOnRandomInputs)
{
    test_support::RandomInput generator(20261211);
    // The groups take the password lengths 0..72 in turn, then one over 72
    // that must be cut; every third password gets a zero byte inside, which
    // random bytes alone rarely give.
    constexpr std::size_t over_the_limit = bcrypt_max_key + 1;
    std::size_t next_length = 0;
    for (int pass = 0; pass < 3; ++pass)
        for (std::uint32_t cost : {4u, 5u, 6u})
            for (std::size_t lanes = 1; lanes <= max_bcrypt_lanes; ++lanes) {
                std::vector<Job> jobs(lanes);
                for (auto& job : jobs) {
                    const std::size_t length = next_length == over_the_limit ? over_the_limit + generator() % 40
                                                                             : next_length;
                    next_length = (next_length + 1) % (over_the_limit + 1);
                    job.password = generator.bytes(length);
                    if (length > 1 && length % 3 == 0) job.password[generator() % length] = 0;
                    std::ranges::copy(generator.bytes(job.salt.size()), job.salt.begin());
                    job.hash.fill('?');
                }
                ASSERT_TRUE(bcrypt_lanes(group_of(jobs), cost));
                for (std::size_t k = 0; k < lanes; ++k) {
                    const auto& job = jobs[k];
                    std::ostringstream where;
                    where << "cost " << cost << ", lane " << k + 1 << " of " << lanes << ", password length "
                          << job.password.size();
                    EXPECT_EQ(text_of(job.hash), own_hash(job.password, cost, job.salt)) << where.str();
                    EXPECT_EQ(text_of(job.hash), nettle_hash(job.password, cost, job.salt)) << where.str();
                }
            }
}

TEST(BcryptLanes, RefusesWithoutWriting)
{
    struct Case {
        std::uint32_t cost;
        std::size_t lanes;
    };
    const Case refused[] = {{3, 1}, {0, 2}, {32, 3}, {0xffffffff, 4}, {4, max_bcrypt_lanes + 1}};
    for (const auto& [cost, lanes] : refused) {
        std::vector<Job> jobs(lanes, Job{{'p', 'w'}, {}, {}});
        for (auto& job : jobs) job.hash.fill('?');
        EXPECT_FALSE(bcrypt_lanes(group_of(jobs), cost)) << "cost " << cost << ", " << lanes << " lanes";
        for (const auto& job : jobs) EXPECT_EQ(text_of(job.hash), std::string(job.hash.size(), '?'));
    }
}

TEST(BcryptLanes, PreferredCountIsOneTheGroupTakes)
{
    for (std::uint32_t cost = bcrypt_min_cost; cost <= bcrypt_max_cost; ++cost) {
        const std::size_t lanes = preferred_bcrypt_lanes(cost);
        EXPECT_GE(lanes, 1u) << cost;
        EXPECT_LE(lanes, max_bcrypt_lanes) << cost;
    }
}

}  // namespace
}  // namespace tavric::crypto
