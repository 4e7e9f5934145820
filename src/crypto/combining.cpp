#include "crypto/combining.hpp"

#include <thread>

#if defined(__linux__)
#include <sched.h>
#endif

#include "crypto/bcrypt.hpp"

namespace tavric::crypto {

struct Combiner::Call {
    enum class State { waiting, taken, done, leading };

    Call(std::span<const std::uint8_t> password, std::uint32_t cost, const hashstring::Salt* salt,
         hashstring::HashText* hash) noexcept
        : password(password), cost(cost), salt(salt), hash(hash)
    {
    }

    std::span<const std::uint8_t> password;
    std::uint32_t cost;
    const hashstring::Salt* salt;
    hashstring::HashText* hash;
    State state = State::waiting;
    // Waited on under lock_; lives on the caller's stack, which it does not
    // leave before it has seen its state change under lock_.
    std::condition_variable wake;
    Call* next = nullptr;
};

// The calls one thread computes together; lives on the leader's stack.
struct Combiner::Group final : RoundCheck {
    Group(Combiner& owner, Call& leader) noexcept
        : owner(owner), cost(leader.cost), wanted(preferred_bcrypt_lanes(leader.cost))
    {
        members[size++] = &leader;
    }

    // The computation's own question, asked without the lock: has a call
    // joined (start again with it)? Past its first eighth, the group takes
    // no more calls.
    bool keep_going(std::uint64_t round, std::uint64_t rounds) noexcept override
    {
        if (grown.load(std::memory_order_acquire)) return false;
        if (past_first_eighth || round < rounds / 8) return true;
        std::lock_guard held(owner.lock_);
        owner.close_group(*this);
        past_first_eighth = true;
        return !grown.load(std::memory_order_relaxed);
    }

    Combiner& owner;
    const std::uint32_t cost;
    const std::size_t wanted;
    Call* members[max_bcrypt_lanes] = {};
    std::size_t size = 0;             // under lock_
    bool open = false;                // in open_groups_; under lock_
    std::atomic<bool> grown{false};   // set under lock_ when a call joins
    bool past_first_eighth = false;   // the computing thread's own
    Group* next = nullptr;            // in open_groups_, under lock_
};

bool Combiner::hash(std::span<const std::uint8_t> password, std::uint32_t cost, const hashstring::Salt& salt,
                    hashstring::HashText& hash) noexcept
{
    if (!bcrypt_cost_in_range(cost)) return false;
    if (!enabled()) {
        const BcryptLane alone{password, &salt, &hash};
        return bcrypt_lanes(std::span(&alone, 1), cost);
    }
    Call self{password, cost, &salt, &hash};
    std::unique_lock held(lock_);
    if (running_ < cores_) {
        ++running_;
    } else {
        if (!join_group(self)) {
            (waiting_tail_ != nullptr ? waiting_tail_->next : waiting_head_) = &self;
            waiting_tail_ = &self;
        }
        self.wake.wait(held, [&] { return self.state == Call::State::done || self.state == Call::State::leading; });
        if (self.state == Call::State::done) return true;
        // Promoted by a call that finished: running_ already counts this one.
    }
    lead(self, held);
    return true;
}

// Computes `self` with as many waiting calls of its cost as the lanes take,
// starting again whenever another call joins early on.
void Combiner::lead(Call& self, std::unique_lock<std::mutex>& held) noexcept
{
    Group group(*this, self);
    take_same_cost(group);
    open_group(group);
    for (;;) {
        const std::size_t size = group.size;
        held.unlock();
        BcryptLane lanes[max_bcrypt_lanes];
        for (std::size_t k = 0; k < size; ++k)
            lanes[k] = {group.members[k]->password, group.members[k]->salt, group.members[k]->hash};
        // The cost was checked on entry, so the only other outcome is a restart.
        const LanesOutcome outcome = bcrypt_lanes(std::span(lanes, size), group.cost, group);
        held.lock();
        if (outcome == LanesOutcome::done) break;
        group.grown.store(false, std::memory_order_relaxed);
        group.past_first_eighth = false;
        open_group(group);
    }
    close_group(group);
    for (std::size_t k = 1; k < group.size; ++k) {
        group.members[k]->state = Call::State::done;
        group.members[k]->wake.notify_one();
    }
    combined_.fetch_add(group.size - 1, std::memory_order_relaxed);
    --running_;
    promote_oldest();
}

// Under lock_: joins a group of the same cost that still takes calls.
bool Combiner::join_group(Call& self) noexcept
{
    for (Group* group = open_groups_; group != nullptr; group = group->next) {
        if (group->cost != self.cost) continue;
        group->members[group->size++] = &self;
        self.state = Call::State::taken;
        group->grown.store(true, std::memory_order_release);
        if (group->size == group->wanted) close_group(*group);
        return true;
    }
    return false;
}

// Under lock_: moves waiting calls of the group's cost into it, oldest first.
void Combiner::take_same_cost(Group& group) noexcept
{
    Call* previous = nullptr;
    for (Call* call = waiting_head_; call != nullptr && group.size < group.wanted;) {
        Call* next = call->next;
        if (call->cost == group.cost) {
            (previous != nullptr ? previous->next : waiting_head_) = next;
            if (waiting_tail_ == call) waiting_tail_ = previous;
            call->state = Call::State::taken;
            call->next = nullptr;
            group.members[group.size++] = call;
        } else {
            previous = call;
        }
        call = next;
    }
}

// Under lock_.
void Combiner::open_group(Group& group) noexcept
{
    if (group.open || group.size == group.wanted) return;
    group.open = true;
    group.next = open_groups_;
    open_groups_ = &group;
}

// Under lock_.
void Combiner::close_group(Group& group) noexcept
{
    if (!group.open) return;
    group.open = false;
    for (Group** link = &open_groups_; *link != nullptr; link = &(*link)->next) {
        if (*link == &group) {
            *link = group.next;
            break;
        }
    }
    group.next = nullptr;
}

// Under lock_. A core came free: the oldest waiting call computes next, with
// whatever else of its cost is waiting.
void Combiner::promote_oldest() noexcept
{
    while (waiting_head_ != nullptr && running_ < cores_) {
        Call* oldest = waiting_head_;
        waiting_head_ = oldest->next;
        if (waiting_head_ == nullptr) waiting_tail_ = nullptr;
        oldest->next = nullptr;
        oldest->state = Call::State::leading;
        ++running_;
        oldest->wake.notify_one();
    }
}

std::size_t usable_cpus() noexcept
{
#if defined(__linux__)
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        const int count = CPU_COUNT(&set);
        if (count > 0) return static_cast<std::size_t>(count);
    }
#endif
    const unsigned count = std::thread::hardware_concurrency();
    return count == 0 ? 1 : count;
}

}  // namespace tavric::crypto
