#include <cstring>

#include "binding/bind.hpp"
#include "binding/convert.hpp"
#include "boundary/detach.hpp"
#include "boundary/entry.hpp"
#include "crypto/bcrypt_pbkdf.hpp"
#include "lib/operations.hpp"
#include "runtime/pinned_texts.hpp"
#include "runtime/text.hpp"

namespace tavric::lib {

using boundary::Error;
using boundary::Ref;
using boundary::Result;
using boundary::Status;

namespace pinned = runtime::pinned;

namespace {

constexpr std::string_view names[] = {"password", "salt", "desired_key_bytes", "rounds", "ignore_few_rounds"};
constexpr binding::Parameters parameters{"kdf", names, 4};

// The module hands out at most half of what bcrypt_pbkdf would derive; the
// message states the limit.
constexpr std::uint64_t max_key_bytes = 512;
static_assert(max_key_bytes <= crypto::pbkdf_max_output);
static_assert(pinned::kdf_bad_length.ends_with("1-512"));

constexpr std::uint32_t few_rounds = 50;

// Counted from this C function, level 3 names the frame two above the line
// that calls kdf: where the warning has always pointed, and where callers'
// warning filters by module and line expect it.
constexpr int warning_stack_level = 3;

struct Request {
    binding::ByteView password;
    binding::ByteView salt;
    std::uint64_t key_bytes;
    std::uint32_t rounds;
    bool ignore_few_rounds;
};

Status warn_few_rounds(std::uint32_t rounds)
{
    const runtime::Text message = runtime::fill(pinned::few_rounds, {runtime::decimal(rounds)});
    if (PyErr_WarnEx(PyExc_UserWarning, message.c_str(), warning_stack_level) < 0)
        return boundary::fetch_or_fallback();
    return boundary::success();
}

Result<Ref> derive(const Request& request)
{
    if (request.password.empty() || request.salt.empty()) return Error::make(PyExc_ValueError, pinned::kdf_empty_input);
    if (request.key_bytes == 0 || request.key_bytes > max_key_bytes)
        return Error::make(PyExc_ValueError, pinned::kdf_bad_length);
    if (request.rounds == 0) return Error::make(PyExc_ValueError, pinned::kdf_no_rounds);
    if (request.rounds < few_rounds && !request.ignore_few_rounds) TAVRIC_TRY(warn_few_rounds(request.rounds));

    // The interpreter's own error goes to the caller, as in gensalt (hashpw
    // alone faults on its allocation).
    const auto length = static_cast<Py_ssize_t>(request.key_bytes);
    Ref result = Ref::steal(PyBytes_FromStringAndSize(nullptr, length));
    if (!result) return boundary::fetch_or_fallback();
    // Zeroed first: the derivation fills every byte, but the object must
    // never hold uninitialised memory, even if it did not.
    auto* storage = reinterpret_cast<std::uint8_t*>(PyBytes_AS_STRING(result.get()));
    std::memset(storage, 0, request.key_bytes);

    // The result object is not visible to any other code until it is returned.
    boundary::run_detached([&] {
        const crypto::PbkdfStatus status = crypto::bcrypt_pbkdf(
            request.password, request.salt, request.rounds, std::span(storage, request.key_bytes));
        if (status != crypto::PbkdfStatus::ok)
            runtime::fault(runtime::to_text(pinned::unwrap_failed) + runtime::to_text(crypto::name_of(status)));
    });
    return result;
}

}  // namespace

Result<Ref> kdf(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames)
{
    binding::Slots<5> slots;
    TAVRIC_TRY(binding::bind(parameters, args, nargsf, kwnames, slots));
    TAVRIC_ASSIGN_OR_RETURN(const binding::ByteView password, binding::to_bytes(slots[0], "password"));
    TAVRIC_ASSIGN_OR_RETURN(const binding::ByteView salt, binding::to_bytes(slots[1], "salt"));
    TAVRIC_ASSIGN_OR_RETURN(const std::uint64_t key_bytes, binding::to_u64(slots[2], "desired_key_bytes"));
    TAVRIC_ASSIGN_OR_RETURN(const std::uint32_t rounds, binding::to_u32(slots[3], "rounds"));
    bool ignore_few_rounds = false;
    if (slots[4] != nullptr) {
        TAVRIC_ASSIGN_OR_RETURN(ignore_few_rounds, binding::to_bool(slots[4], "ignore_few_rounds"));
    }
    return derive({password, salt, key_bytes, rounds, ignore_few_rounds});
}

}  // namespace tavric::lib
