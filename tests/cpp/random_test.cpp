#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <deque>

#include "crypto/random.hpp"

namespace tavric::crypto {
namespace {

struct Step {
    ssize_t result;
    int error = 0;
};

std::deque<Step> script;
std::size_t calls = 0;

ssize_t scripted_getrandom(void* buffer, std::size_t length, unsigned) noexcept
{
    ++calls;
    const Step step = script.front();
    script.pop_front();
    if (step.result > 0) std::memset(buffer, 0x5A, std::min<std::size_t>(length, step.result));
    errno = step.error;
    return step.result;
}

std::optional<RandomError> run(std::initializer_list<Step> steps, std::uint8_t (&out)[16])
{
    script.assign(steps);
    calls = 0;
    std::memset(out, 0, sizeof out);
    return fill_random(out, scripted_getrandom);
}

TEST(Random, RetriesInterruptionsAndShortReads)
{
    std::uint8_t out[16];
    EXPECT_FALSE(run({{-1, EINTR}, {5}, {-1, EINTR}, {11}}, out));
    EXPECT_EQ(calls, 4u);
    for (std::uint8_t byte : out) EXPECT_EQ(byte, 0x5A);
}

TEST(Random, ClassifiesFailures)
{
    std::uint8_t out[16];
    auto error = run({{0}}, out);
    ASSERT_TRUE(error);
    EXPECT_EQ(describe(*error), "Error { internal_code: 65538, description: \"unexpected situation\" }");

    error = run({{4}, {13}}, out);  // more than the 12 still asked for
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind, RandomError::Kind::unexpected);

    error = run({{-2}}, out);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind, RandomError::Kind::unexpected);

    error = run({{-1, 0}}, out);
    ASSERT_TRUE(error);
    EXPECT_EQ(describe(*error),
              "Error { internal_code: 65537, description: \"errno: did not return a positive value\" }");

    error = run({{-1, EIO}}, out);
    ASSERT_TRUE(error);
    EXPECT_EQ(describe(*error), "Error { os_error: 5, description: Os { code: 5, kind: Uncategorized, "
                                "message: \"Input/output error\" } }");
}

TEST(Random, SystemSourceFillsTheBuffer)
{
    std::uint8_t a[16] = {}, b[16] = {};
    ASSERT_FALSE(fill_random(a));
    ASSERT_FALSE(fill_random(b));
    EXPECT_NE(std::memcmp(a, b, sizeof a), 0);
}

}  // namespace
}  // namespace tavric::crypto
