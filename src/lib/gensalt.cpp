#include <cstring>

#include "binding/bind.hpp"
#include "binding/convert.hpp"
#include "boundary/entry.hpp"
#include "crypto/bcrypt.hpp"
#include "crypto/random.hpp"
#include "hashstring/layout.hpp"
#include "lib/operations.hpp"
#include "runtime/pinned_texts.hpp"
#include "runtime/text.hpp"

namespace tavric::lib {

using boundary::Error;
using boundary::Ref;
using boundary::Result;

namespace pinned = runtime::pinned;

namespace {

constexpr std::string_view names[] = {"rounds", "prefix"};
constexpr binding::Parameters parameters{"gensalt", names, 0};

Result<Ref> generate(std::uint16_t rounds, binding::ByteView prefix)
{
    const std::string_view label(reinterpret_cast<const char*>(prefix.data()), prefix.size());
    const auto revision = hashstring::revision_of(label);
    if (!revision || (*revision != hashstring::Revision::v2a && *revision != hashstring::Revision::v2b))
        return Error::make(PyExc_ValueError, pinned::unsupported_prefix);
    if (!crypto::bcrypt_cost_in_range(rounds))
        return Error::make(PyExc_ValueError, pinned::invalid_rounds);

    hashstring::Salt salt{};
    if (auto error = crypto::fill_random(salt))
        runtime::fault(runtime::to_text(pinned::unwrap_failed) + crypto::describe(*error));
    const hashstring::SaltText text = hashstring::encode_salt(salt);

    // The interpreter's own error (normally MemoryError) goes to the caller
    // here, where hashpw faults instead: a salt that cannot be made is an
    // ordinary failure to report.
    PyObject* result = PyBytes_FromStringAndSize(nullptr, hashstring::setting_length);
    if (result == nullptr) return boundary::fetch_or_fallback();
    // Zeroed before it is written, so that no byte of it is ever left
    // uninitialised, whatever the writer does.
    char* storage = PyBytes_AS_STRING(result);
    std::memset(storage, 0, hashstring::setting_length);
    hashstring::write_setting(*revision, rounds, text, storage);
    return Ref::steal(result);
}

}  // namespace

Result<Ref> gensalt(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames)
{
    binding::Slots<2> slots;
    TAVRIC_TRY(binding::bind(parameters, args, nargsf, kwnames, slots));
    std::uint16_t rounds = 12;
    if (slots[0] != nullptr) {
        TAVRIC_ASSIGN_OR_RETURN(rounds, binding::to_u16(slots[0], "rounds"));
    }
    static constexpr std::uint8_t default_prefix[] = {'2', 'b'};
    binding::ByteView prefix = default_prefix;
    if (slots[1] != nullptr && slots[1] != Py_None) {
        TAVRIC_ASSIGN_OR_RETURN(prefix, binding::to_bytes(slots[1], "prefix"));
    }
    return generate(rounds, prefix);
}

}  // namespace tavric::lib
