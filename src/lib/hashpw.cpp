#include "binding/bind.hpp"
#include "boundary/detach.hpp"
#include "boundary/entry.hpp"
#include "lib/hashing.hpp"
#include "lib/operations.hpp"
#include "lib/shared_combiner.hpp"

namespace tavric::lib {

using boundary::Ref;
using boundary::Result;

using boundary::Status;

namespace {

using hashstring::hash_length;

constexpr std::string_view hashpw_names[] = {"password", "salt"};
constexpr binding::Parameters hashpw_parameters{"hashpw", hashpw_names, 2};
constexpr std::string_view checkpw_names[] = {"password", "hashed_password"};
constexpr binding::Parameters checkpw_parameters{"checkpw", checkpw_names, 2};

// The hashing routine shared by hashpw and checkpw; the 60-byte hash string
// goes to `hash`.
Status hash_password(binding::ByteView password, binding::ByteView setting_text, char (&hash)[hash_length])
{
    TAVRIC_ASSIGN_OR_RETURN(const HashRequest request, read_hash_request(password, setting_text));
    const hashstring::Setting& setting = request.setting;

    // Under load the combiner may compute this in another call's lanes, with
    // this thread asleep; it refuses a cost outside 4..31.
    const bool computed = boundary::run_detached([&] {
        hashstring::HashText text;
        if (!shared_combiner().hash(password, setting.cost, setting.salt, text)) return false;
        write_hash_string(setting, text, hash);
        return true;
    });
    if (!computed) return invalid_salt();
    return boundary::success();
}

template <std::size_t Count>
Result<std::array<binding::ByteView, Count>> bind_bytes(const binding::Parameters& parameters,
                                                        PyObject* const* args, Py_ssize_t nargsf,
                                                        PyObject* kwnames)
{
    binding::Slots<Count> slots;
    TAVRIC_TRY(binding::bind(parameters, args, nargsf, kwnames, slots));
    std::array<binding::ByteView, Count> views;
    for (std::size_t i = 0; i < Count; ++i) {
        TAVRIC_ASSIGN_OR_RETURN(views[i], binding::to_bytes(slots[i], parameters.names[i]));
    }
    return views;
}

// The routine's 60-byte result as an object. Unlike gensalt and kdf, which
// pass the interpreter's MemoryError on, hashpw and checkpw treat this
// allocation failing as an internal fault: their callers rely on getting a
// hash string, a boolean or a ValueError, nothing else.
Ref hash_object(const char (&hash)[hash_length])
{
    PyObject* result = PyBytes_FromStringAndSize(hash, hash_length);
    if (result == nullptr) boundary::fault_api_call_failed();
    return Ref::steal(result);
}

}  // namespace

Result<Ref> hashpw(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames)
{
    TAVRIC_ASSIGN_OR_RETURN(const auto views, bind_bytes<2>(hashpw_parameters, args, nargsf, kwnames));
    char hash[hash_length];
    TAVRIC_TRY(hash_password(views[0], views[1], hash));
    return hash_object(hash);
}

Result<Ref> checkpw(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames)
{
    TAVRIC_ASSIGN_OR_RETURN(const auto views, bind_bytes<2>(checkpw_parameters, args, nargsf, kwnames));
    char hash[hash_length];
    TAVRIC_TRY(hash_password(views[0], views[1], hash));
    // Made, as hashpw's result is, before it is compared: checkpw's answer
    // to a failed allocation is hashpw's.
    const Ref computed = hash_object(hash);
    return Ref::borrow(matches_stored(hash, views[1]) ? Py_True : Py_False);
}

}  // namespace tavric::lib
