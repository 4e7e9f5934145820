// The bodies of the batch module's functions; the function table enters each
// through boundary::function_entry.
#pragma once

#include "boundary/entry.hpp"

namespace tavric::lanes {

boundary::FunctionBody hashpw_many, checkpw_many, set_combining, combining_enabled;

}  // namespace tavric::lanes
