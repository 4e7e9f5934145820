#include "crypto/blowfish.hpp"

#include <cstring>

namespace tavric::crypto::blowfish {
namespace {

#include "crypto/blowfish_constants.inc"

}  // namespace

void initialise(State& state) noexcept
{
    std::memcpy(state.p, initial_p, sizeof initial_p);
    std::memcpy(state.s, initial_s, sizeof initial_s);
}

}  // namespace tavric::crypto::blowfish
