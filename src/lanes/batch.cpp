// hashpw and checkpw over many pairs at once: every pair is read and checked
// first, in order, exactly as the single call would check it; then all the
// hashes are computed in interleaved lanes, grouped by cost, with the
// interpreter released once for the whole batch.
#include <algorithm>
#include <numeric>

#include "binding/bind.hpp"
#include "boundary/entry.hpp"
#include "boundary/detach.hpp"
#include "crypto/bcrypt.hpp"
#include "lanes/operations.hpp"
#include "lib/hashing.hpp"
#include "runtime/pinned_texts.hpp"
#include "runtime/text.hpp"

namespace tavric::lanes {

using boundary::Error;
using boundary::Result;
using boundary::Ref;
using boundary::fetch_or_fallback;
using boundary::boundary_entry;
using boundary::run_detached;
using runtime::Vec;

namespace {

constexpr std::string_view hashpw_many_names[] = {"passwords", "salts"};
constexpr binding::Parameters hashpw_many_parameters{"hashpw_many", hashpw_many_names, 2};
constexpr std::string_view checkpw_many_names[] = {"passwords", "hashed_passwords"};
constexpr binding::Parameters checkpw_many_parameters{"checkpw_many", checkpw_many_names, 2};

struct Job {
    lib::HashRequest request;
    binding::ByteView stored;  // the setting or stored hash string as given
    hashstring::HashText hash;
};

// The two argument sequences, copied; the byte views of the jobs point into
// the items these copies keep alive.
struct Pairs {
    Ref passwords;
    Ref settings;
    Vec<Job> jobs;
};

// What the single call of each pair would check, in the same order: the two
// conversions, the 72-byte rule, the setting, and the cost the computation
// would refuse.
Result<Job> read_pair(PyObject* password, PyObject* setting, std::string_view setting_name)
{
    TAVRIC_ASSIGN_OR_RETURN(const binding::ByteView password_view, binding::to_bytes(password, "password"));
    TAVRIC_ASSIGN_OR_RETURN(const binding::ByteView setting_view, binding::to_bytes(setting, setting_name));
    TAVRIC_ASSIGN_OR_RETURN(const lib::HashRequest request, lib::read_hash_request(password_view, setting_view));
    if (!crypto::bcrypt_cost_in_range(request.setting.cost)) return lib::invalid_salt();
    return Job{request, setting_view, {}};
}

Result<Pairs> read_pairs(const binding::Parameters& parameters, PyObject* const* args, Py_ssize_t nargsf,
                         PyObject* kwnames, std::string_view setting_name)
{
    binding::Slots<2> slots;
    TAVRIC_TRY(binding::bind(parameters, args, nargsf, kwnames, slots));
    TAVRIC_ASSIGN_OR_RETURN(Ref passwords, binding::to_tuple(slots[0], parameters.names[0]));
    TAVRIC_ASSIGN_OR_RETURN(Ref settings, binding::to_tuple(slots[1], parameters.names[1]));
    const Py_ssize_t count = PyTuple_GET_SIZE(passwords.get());
    if (PyTuple_GET_SIZE(settings.get()) != count)
        return Error::make(PyExc_ValueError,
                           runtime::fill(runtime::pinned::pairs_unequal, {parameters.names[0], parameters.names[1]}));

    Pairs pairs{std::move(passwords), std::move(settings), {}};
    pairs.jobs.reserve(static_cast<std::size_t>(count));
    for (Py_ssize_t i = 0; i < count; ++i) {
        TAVRIC_ASSIGN_OR_RETURN(const Job job, read_pair(PyTuple_GET_ITEM(pairs.passwords.get(), i),
                                                         PyTuple_GET_ITEM(pairs.settings.get(), i), setting_name));
        pairs.jobs.push_back(job);
    }
    return pairs;
}

// Runs released: touches only the jobs, whose views stay valid.
void compute(Vec<Job>& jobs, const Vec<std::size_t>& by_cost) noexcept
{
    for (std::size_t at = 0; at < by_cost.size();) {
        const std::uint32_t cost = jobs[by_cost[at]].request.setting.cost;
        const std::size_t width = crypto::preferred_bcrypt_lanes(cost);
        crypto::BcryptLane lanes[crypto::max_bcrypt_lanes];
        std::size_t size = 0;
        for (; at < by_cost.size() && size < width && jobs[by_cost[at]].request.setting.cost == cost; ++at) {
            Job& job = jobs[by_cost[at]];
            lanes[size++] = {job.request.password, &job.request.setting.salt, &job.hash};
        }
        crypto::bcrypt_lanes(std::span(lanes, size), cost);  // every cost was checked when read
    }
}

void compute_released(Vec<Job>& jobs)
{
    // Mixed costs are grouped: lanes run only hashes of one cost together.
    Vec<std::size_t> by_cost(jobs.size());
    std::iota(by_cost.begin(), by_cost.end(), std::size_t{0});
    std::stable_sort(by_cost.begin(), by_cost.end(), [&](std::size_t a, std::size_t b) {
        return jobs[a].request.setting.cost < jobs[b].request.setting.cost;
    });
    run_detached([&] { compute(jobs, by_cost); });
}

// A list of `count` new items; an item that cannot be made ends the call with
// the interpreter's exception.
template <class MakeItem>
Result<Ref> make_list(std::size_t count, MakeItem&& make_item)
{
    Ref list = Ref::steal(PyList_New(static_cast<Py_ssize_t>(count)));
    if (!list) return fetch_or_fallback();
    for (std::size_t i = 0; i < count; ++i) {
        PyObject* item = make_item(i);
        if (item == nullptr) return fetch_or_fallback();
        PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), item);
    }
    return list;
}

// Reads and checks every pair, computes them all, and makes one list item
// from each pair's 60-byte hash string.
template <class MakeItem>
Result<Ref> run_batch(const binding::Parameters& parameters, std::string_view setting_name, PyObject* const* args,
                      Py_ssize_t nargsf, PyObject* kwnames, MakeItem&& make_item)
{
    TAVRIC_ASSIGN_OR_RETURN(Pairs pairs, read_pairs(parameters, args, nargsf, kwnames, setting_name));
    Vec<Job>& jobs = pairs.jobs;
    compute_released(jobs);
    return make_list(jobs.size(), [&](std::size_t i) {
        char hash[hashstring::hash_length];
        lib::write_hash_string(jobs[i].request.setting, jobs[i].hash, hash);
        return make_item(hash, jobs[i]);
    });
}

}  // namespace

Result<Ref> hashpw_many(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames)
{
    return run_batch(hashpw_many_parameters, "salt", args, nargsf, kwnames, [](const char* hash, const Job&) {
        return PyBytes_FromStringAndSize(hash, hashstring::hash_length);
    });
}

Result<Ref> checkpw_many(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames)
{
    return run_batch(checkpw_many_parameters, "hashed_password", args, nargsf, kwnames,
                     [](const char* hash, const Job& job) {
                         return Py_NewRef(lib::matches_stored(hash, job.stored) ? Py_True : Py_False);
                     });
}

}  // namespace tavric::lanes
