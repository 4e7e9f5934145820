// The process's one bcrypt combiner, owned by _tavric, whose hashpw and
// checkpw go through it. The package's other extension module reaches it
// through a capsule in the interpreter's own dictionary, where no Python
// code looks, to switch combining on and off.
#pragma once

#include <string_view>

#include "boundary/error.hpp"
#include "crypto/combining.hpp"

namespace tavric::lib {

// Key and capsule name; the version changes with Combiner's layout, since
// both modules must be built from the same source to share it.
inline constexpr const char* combiner_capsule = "tavric._tavric.combiner.v1";

// Made on first use, sized to the CPUs the process may use then.
crypto::Combiner& shared_combiner() noexcept;

// Puts the capsule into the interpreter's dictionary.
boundary::Status publish_combiner();

}  // namespace tavric::lib
