// Clearing secrets in a way the compiler may not drop as a dead store.
#pragma once

#include <cstddef>
#include <cstring>
#if defined(__APPLE__)
#define __STDC_WANT_LIB_EXT1__ 1
#include <string.h>
#else
#include <strings.h>
#endif

namespace tavric::runtime {

inline void wipe(void* memory, std::size_t size) noexcept
{
#if defined(__APPLE__)
    // macOS has no explicit_bzero; memset_s is its guaranteed-not-elided form.
    memset_s(memory, size, 0, size);
#else
    explicit_bzero(memory, size);
#endif
}

}  // namespace tavric::runtime
