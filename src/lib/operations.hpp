// The bodies of _tavric's four functions; the function table enters each
// through boundary::function_entry.
#pragma once

#include "boundary/entry.hpp"

namespace tavric::lib {

boundary::FunctionBody checkpw, gensalt, hashpw, kdf;

}  // namespace tavric::lib
