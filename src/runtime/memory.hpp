// The module's own allocations. Running out of memory here is not an error
// the caller could handle, so it ends the process with a message.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

namespace tavric::runtime {

[[noreturn]] void allocation_failed(std::size_t size) noexcept;

inline void* allocate(std::size_t size) noexcept
{
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) allocation_failed(size);
    return block;
}

template <class T>
struct Allocator {
    using value_type = T;

    Allocator() noexcept = default;
    template <class U>
    Allocator(const Allocator<U>&) noexcept {}

    T* allocate(std::size_t count) noexcept
    {
        if (count > std::numeric_limits<std::size_t>::max() / sizeof(T))
            allocation_failed(std::numeric_limits<std::size_t>::max());
        return static_cast<T*>(runtime::allocate(count * sizeof(T)));
    }
    void deallocate(T* block, std::size_t) noexcept { std::free(block); }

    template <class U>
    bool operator==(const Allocator<U>&) const noexcept { return true; }
};

using Text = std::basic_string<char, std::char_traits<char>, Allocator<char>>;

template <class T>
using Vec = std::vector<T, Allocator<T>>;

}  // namespace tavric::runtime
