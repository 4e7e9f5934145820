// Combining bcrypt calls under load: when more hashes are in flight in the
// process than it may use CPUs, a call that would only wait for a core is
// computed in the interleaved lanes of another call of the same cost, and
// its thread sleeps until the result is there. With no more hashes in flight
// than CPUs, every call computes alone, as bcrypt() does.
//
// A call that would wait joins, in order of preference: a group of its cost
// that is still in its first eighth, which starts again with it (at most
// three such restarts, each costing under an eighth of a hash); else the
// queue, from which the next call to get a core takes as many of its cost as
// the lanes hold. Without the joining, calls that come back from a finished
// group one by one would find a free core each and start alone.
//
// Why not a pool of worker threads: the module creates no threads, and a
// pool would add a hand-off to every call, loaded or not. Here the callers'
// own threads do the work; only the ones that would have waited for a core
// anyway are put to sleep.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>

#include "hashstring/layout.hpp"

namespace tavric::crypto {

class Combiner {
public:
    // `cores`: how many hashes may run at once before calls are combined.
    explicit Combiner(std::size_t cores) noexcept : cores_(cores == 0 ? 1 : cores) {}
    Combiner(const Combiner&) = delete;
    Combiner& operator=(const Combiner&) = delete;

    // bcrypt() of one call: the same hash text, false for a cost outside
    // 4..31. Blocks, without holding any lock, while another thread computes
    // it. The password, salt and hash must stay valid until it returns.
    bool hash(std::span<const std::uint8_t> password, std::uint32_t cost, const hashstring::Salt& salt,
              hashstring::HashText& hash) noexcept;

    // Off: every call computes alone. Calls already waiting are still
    // computed by the calls in flight.
    void set_enabled(bool enabled) noexcept { enabled_.store(enabled, std::memory_order_relaxed); }
    bool enabled() const noexcept { return enabled_.load(std::memory_order_relaxed); }

    // How many calls so far were computed in another call's lanes.
    std::uint64_t combined_calls() const noexcept { return combined_.load(std::memory_order_relaxed); }

private:
    struct Call;
    struct Group;

    void lead(Call& self, std::unique_lock<std::mutex>& held) noexcept;
    bool join_group(Call& self) noexcept;
    void take_same_cost(Group& group) noexcept;
    void open_group(Group& group) noexcept;
    void close_group(Group& group) noexcept;
    void promote_oldest() noexcept;

    const std::size_t cores_;
    std::atomic<bool> enabled_{true};
    std::atomic<std::uint64_t> combined_{0};

    // Guards everything below. Held only to change the counts and the queue,
    // never while hashing and never across an interpreter release (callers
    // are detached before they come here).
    std::mutex lock_;
    std::size_t running_ = 0;       // calls computing on a core now
    Call* waiting_head_ = nullptr;  // oldest first
    Call* waiting_tail_ = nullptr;
    Group* open_groups_ = nullptr;  // groups computing that still take a call
};

// The number of CPUs this process may run on (its affinity mask), at least 1.
std::size_t usable_cpus() noexcept;

}  // namespace tavric::crypto
