// The bcrypt password hash of Provos and Mazieres.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "hashstring/layout.hpp"

namespace tavric::crypto {

inline constexpr std::uint32_t bcrypt_min_cost = 4;
inline constexpr std::uint32_t bcrypt_max_cost = 31;
inline constexpr std::size_t bcrypt_max_key = 72;

inline constexpr bool bcrypt_cost_in_range(std::uint32_t cost) noexcept
{
    return cost >= bcrypt_min_cost && cost <= bcrypt_max_cost;
}

// The hash text for a password under a cost and salt, computed the same way
// for every version label. Nothing for a cost outside 4..31. Passwords longer
// than 72 bytes are cut, as bcrypt cuts its key.
std::optional<hashstring::HashText> bcrypt(std::span<const std::uint8_t> password,
                                           std::uint32_t cost,
                                           const hashstring::Salt& salt) noexcept;

// One hash of a group computed together: the password and salt it reads, and
// where its hash text goes (neither pointer null).
struct BcryptLane {
    std::span<const std::uint8_t> password;
    const hashstring::Salt* salt;
    hashstring::HashText* hash;
};

inline constexpr std::size_t max_bcrypt_lanes = 4;

// Up to max_bcrypt_lanes hashes of one cost, interleaved on the calling
// thread: one hash is a chain of dependent S-box loads that leaves most of a
// core idle, and independent chains fill it. Each lane's hash text equals
// bcrypt()'s for its password and salt. False, with nothing written, for a
// cost outside 4..31 or more than max_bcrypt_lanes lanes.
bool bcrypt_lanes(std::span<const BcryptLane> lanes, std::uint32_t cost) noexcept;

// Asked before each of the 2^cost rounds of an interruptible group.
class RoundCheck {
public:
    virtual bool keep_going(std::uint64_t round, std::uint64_t rounds) noexcept = 0;

protected:
    ~RoundCheck() = default;
};

enum class LanesOutcome { done, abandoned, refused };

// bcrypt_lanes that gives up, with nothing written, when `check` says so:
// for a group that would rather start again with more lanes.
LanesOutcome bcrypt_lanes(std::span<const BcryptLane> lanes, std::uint32_t cost, RoundCheck& check) noexcept;

// How many lanes give the most hashes per second at this cost; never more
// than max_bcrypt_lanes.
std::size_t preferred_bcrypt_lanes(std::uint32_t cost) noexcept;

}  // namespace tavric::crypto
