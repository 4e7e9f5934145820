#include <cstring>

#include "binding/bind.hpp"
#include "binding/convert.hpp"
#include "boundary/entry.hpp"
#include "crypto/bcrypt.hpp"
#include "crypto/random.hpp"
#include "hashstring/layout.hpp"
#include "lib/operations.hpp"

namespace tavric::operations {
namespace {

constexpr std::string_view names[] = {"rounds", "prefix"};
constexpr binding::Parameters parameters{"gensalt", names, 0};

Result<Ref> generate(std::uint16_t rounds, binding::ByteView prefix)
{
    const std::string_view label(reinterpret_cast<const char*>(prefix.data()), prefix.size());
    const auto revision = hashstring::revision_of(label);
    if (!revision || (*revision != hashstring::Revision::v2a && *revision != hashstring::Revision::v2b))
        return Error::make(PyExc_ValueError, std::string_view("Supported prefixes are b'2a' or b'2b'"));
    if (rounds < crypto::bcrypt_min_cost || rounds > crypto::bcrypt_max_cost)
        return Error::make(PyExc_ValueError, std::string_view("Invalid rounds"));

    hashstring::Salt salt{};
    if (auto error = crypto::fill_random(salt))
        fault("called `Result::unwrap()` on an `Err` value: " + crypto::describe(*error));
    const hashstring::SaltText text = hashstring::encode_salt(salt);

    PyObject* result = PyBytes_FromStringAndSize(nullptr, hashstring::setting_length);
    if (result == nullptr) return fetch_or_fallback();
    char* storage = PyBytes_AS_STRING(result);
    std::memset(storage, 0, hashstring::setting_length);
    hashstring::write_setting(*revision, rounds, text, storage);
    return Ref::steal(result);
}

Result<Ref> run(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames)
{
    binding::Slots<2> slots;
    if (Status bound = binding::bind(parameters, args, nargsf, kwnames, slots); !bound)
        return std::move(bound.error());
    std::uint16_t rounds = 12;
    if (slots[0] != nullptr) {
        auto converted = binding::to_u16(slots[0], "rounds");
        if (!converted) return std::move(converted.error());
        rounds = converted.value();
    }
    static constexpr std::uint8_t default_prefix[] = {'2', 'b'};
    binding::ByteView prefix = default_prefix;
    if (slots[1] != nullptr && slots[1] != Py_None) {
        auto converted = binding::to_bytes(slots[1], "prefix");
        if (!converted) return std::move(converted.error());
        prefix = converted.value();
    }
    return generate(rounds, prefix);
}

}  // namespace

PyObject* gensalt(PyObject*, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) noexcept
{
    return boundary_entry([&] { return run(args, nargsf, kwnames); });
}

}  // namespace tavric::operations
