#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "crypto/bcrypt.hpp"
#include "crypto/combining.hpp"
#include "random_input.hpp"

namespace tavric::crypto {
namespace {

struct Case {
    std::vector<std::uint8_t> password;
    std::uint32_t cost;
    hashstring::Salt salt;
    std::string expected;
};

std::string text(const hashstring::HashText& hash) { return std::string(hash.begin(), hash.end()); }

// Random passwords of 0..72 bytes (zero bytes among them) at costs 4 and 5,
// with the single-lane hash each must give.
std::vector<Case> make_cases(std::size_t count, std::uint32_t seed)
{
    test_support::RandomInput generator(seed);
    std::vector<Case> cases;
    for (std::size_t i = 0; i < count; ++i) {
        Case c{generator.bytes(generator() % 73), 4 + generator() % 2, {}, {}};
        const auto salt = generator.bytes(hashstring::salt_bytes);
        std::copy(salt.begin(), salt.end(), c.salt.begin());
        c.expected = text(*bcrypt(c.password, c.cost, c.salt));
        cases.push_back(std::move(c));
    }
    return cases;
}

// Each thread hashes its share of the cases through the combiner, all at once.
std::vector<std::string> hash_from_threads(Combiner& combiner, const std::vector<Case>& cases, std::size_t threads)
{
    std::vector<std::string> results(cases.size());
    std::vector<std::thread> pool;
    for (std::size_t t = 0; t < threads; ++t)
        pool.emplace_back([&, t] {
            for (std::size_t i = t; i < cases.size(); i += threads) {
                hashstring::HashText hash;
                results[i] = combiner.hash(cases[i].password, cases[i].cost, cases[i].salt, hash) ? text(hash)
                                                                                               : "<refused>";
            }
        });
    for (auto& thread : pool) thread.join();
    return results;
}

void expect_results(const std::vector<Case>& cases, const std::vector<std::string>& results)
{
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(results[i], cases[i].expected) << "case " << i << ", cost " << cases[i].cost << ", length "
                                                 << cases[i].password.size();
}

TEST(Combiner, CallsBeyondTheCoresAreCombinedWithIdenticalResults)
{
    const auto cases = make_cases(96, 20261211);
    Combiner combiner(1);
    expect_results(cases, hash_from_threads(combiner, cases, 8));
    EXPECT_GT(combiner.combined_calls(), 0u);
}

TEST(Combiner, NothingIsCombinedWithinTheCoresOrWhenSwitchedOff)
{
    const auto cases = make_cases(32, 7);
    Combiner roomy(8);
    expect_results(cases, hash_from_threads(roomy, cases, 4));
    EXPECT_EQ(roomy.combined_calls(), 0u);

    Combiner off(1);
    off.set_enabled(false);
    expect_results(cases, hash_from_threads(off, cases, 8));
    EXPECT_EQ(off.combined_calls(), 0u);
}

TEST(Combiner, RefusesACostOutsideTheRange)
{
    Combiner combiner(1);
    hashstring::HashText hash;
    hash.fill('?');
    for (std::uint32_t cost : {0u, 3u, 32u, 0xffffffffu}) {
        EXPECT_FALSE(combiner.hash({}, cost, hashstring::Salt{}, hash)) << cost;
        EXPECT_EQ(text(hash), std::string(hashstring::hash_text_length, '?'));
    }
}

TEST(Combiner, UsableCpusIsAtLeastOne) { EXPECT_GE(usable_cpus(), 1u); }

}  // namespace
}  // namespace tavric::crypto
