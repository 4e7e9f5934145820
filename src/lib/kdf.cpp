#include <cstring>

#include "binding/bind.hpp"
#include "binding/convert.hpp"
#include "boundary/entry.hpp"
#include "boundary/release.hpp"
#include "crypto/bcrypt_pbkdf.hpp"
#include "lib/operations.hpp"
#include "runtime/text.hpp"

namespace tavric::operations {
namespace {

constexpr std::string_view names[] = {"password", "salt", "desired_key_bytes", "rounds", "ignore_few_rounds"};
constexpr binding::Parameters parameters{"kdf", names, 4};

constexpr std::uint64_t max_key_bytes = 512;
constexpr std::uint32_t few_rounds = 50;

struct Request {
    binding::ByteView password;
    binding::ByteView salt;
    std::uint64_t key_bytes;
    std::uint32_t rounds;
    bool ignore_few_rounds;
};

Status warn_few_rounds(std::uint32_t rounds)
{
    const Text message = "Warning: tavric.kdf() called with only " + decimal(rounds) +
                         " round(s). This few is not secure: the parameter is linear, like PBKDF2.";
    if (PyErr_WarnEx(PyExc_UserWarning, message.c_str(), 3) < 0) return fetch_or_fallback();
    return success();
}

Result<Ref> derive(const Request& request)
{
    if (request.password.empty() || request.salt.empty())
        return Error::make(PyExc_ValueError, std::string_view("password and salt must not be empty"));
    if (request.key_bytes == 0 || request.key_bytes > max_key_bytes)
        return Error::make(PyExc_ValueError, std::string_view("desired_key_bytes must be 1-512"));
    if (request.rounds == 0)
        return Error::make(PyExc_ValueError, std::string_view("rounds must be 1 or more"));
    if (request.rounds < few_rounds && !request.ignore_few_rounds) {
        if (Status warned = warn_few_rounds(request.rounds); !warned) return std::move(warned.error());
    }

    const auto length = static_cast<Py_ssize_t>(request.key_bytes);
    Ref result = Ref::steal(PyBytes_FromStringAndSize(nullptr, length));
    if (!result) return fetch_or_fallback();
    auto* storage = reinterpret_cast<std::uint8_t*>(PyBytes_AS_STRING(result.get()));
    std::memset(storage, 0, request.key_bytes);

    // The result object is not visible to any other code until it is returned.
    run_released([&] {
        const crypto::PbkdfStatus status = crypto::bcrypt_pbkdf(
            request.password, request.salt, request.rounds, std::span(storage, request.key_bytes));
        if (status != crypto::PbkdfStatus::ok)
            fault("called `Result::unwrap()` on an `Err` value: " + to_text(crypto::name_of(status)));
    });
    return result;
}

Result<Ref> run(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames)
{
    binding::Slots<5> slots;
    if (Status bound = binding::bind(parameters, args, nargsf, kwnames, slots); !bound)
        return std::move(bound.error());
    auto password = binding::to_bytes(slots[0], "password");
    if (!password) return std::move(password.error());
    auto salt = binding::to_bytes(slots[1], "salt");
    if (!salt) return std::move(salt.error());
    auto key_bytes = binding::to_u64(slots[2], "desired_key_bytes");
    if (!key_bytes) return std::move(key_bytes.error());
    auto rounds = binding::to_u32(slots[3], "rounds");
    if (!rounds) return std::move(rounds.error());
    bool ignore_few_rounds = false;
    if (slots[4] != nullptr) {
        auto converted = binding::to_bool(slots[4], "ignore_few_rounds");
        if (!converted) return std::move(converted.error());
        ignore_few_rounds = converted.value();
    }
    return derive({password.value(), salt.value(), key_bytes.value(), rounds.value(), ignore_few_rounds});
}

}  // namespace

PyObject* kdf(PyObject*, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) noexcept
{
    return boundary_entry([&] { return run(args, nargsf, kwnames); });
}

}  // namespace tavric::operations
