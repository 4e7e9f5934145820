// Reproducible random inputs for the tests that hold an implementation to
// its reference.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace tavric::test_support {

class RandomInput {
public:
    explicit RandomInput(std::uint32_t seed) : generator_(seed) {}

    std::uint32_t operator()() { return generator_(); }

    std::vector<std::uint8_t> bytes(std::size_t n)
    {
        std::vector<std::uint8_t> v(n);
        for (auto& b : v) b = static_cast<std::uint8_t>(generator_());
        return v;
    }

private:
    std::mt19937 generator_;
};

}  // namespace tavric::test_support
