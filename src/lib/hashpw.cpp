#include "binding/bind.hpp"
#include "boundary/entry.hpp"
#include "boundary/release.hpp"
#include "lib/hashing.hpp"
#include "lib/operations.hpp"
#include "lib/shared_combiner.hpp"

namespace tavric::operations {
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
    Result<HashRequest> request = read_hash_request(password, setting_text);
    if (!request) return std::move(request.error());
    const hashstring::Setting& setting = request.value().setting;

    // Under load the combiner may compute this in another call's lanes, with
    // this thread asleep; it refuses a cost outside 4..31.
    const bool computed = run_released([&] {
        hashstring::HashText text;
        if (!shared_combiner().hash(password, setting.cost, setting.salt, text)) return false;
        write_hash_string(setting, text, hash);
        return true;
    });
    if (!computed) return invalid_salt();
    return success();
}

template <std::size_t Count>
Result<std::array<binding::ByteView, Count>> bind_bytes(const binding::Parameters& parameters,
                                                        PyObject* const* args, Py_ssize_t nargsf,
                                                        PyObject* kwnames)
{
    binding::Slots<Count> slots;
    if (Status bound = binding::bind(parameters, args, nargsf, kwnames, slots); !bound)
        return std::move(bound.error());
    std::array<binding::ByteView, Count> views;
    for (std::size_t i = 0; i < Count; ++i) {
        auto view = binding::to_bytes(slots[i], parameters.names[i]);
        if (!view) return std::move(view.error());
        views[i] = view.value();
    }
    return views;
}

Result<Ref> run_hashpw(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames)
{
    auto views = bind_bytes<2>(hashpw_parameters, args, nargsf, kwnames);
    if (!views) return std::move(views.error());
    char hash[hash_length];
    if (Status hashed = hash_password(views.value()[0], views.value()[1], hash); !hashed)
        return std::move(hashed.error());
    PyObject* result = PyBytes_FromStringAndSize(hash, hash_length);
    // Unlike gensalt and kdf, which pass the interpreter's MemoryError on,
    // hashpw treats a failed 60-byte allocation as a fault: callers of the
    // hashing routine rely on getting a hash string or a ValueError.
    if (result == nullptr) fault_api_call_failed();
    return Ref::steal(result);
}

Result<Ref> run_checkpw(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames)
{
    auto views = bind_bytes<2>(checkpw_parameters, args, nargsf, kwnames);
    if (!views) return std::move(views.error());
    char hash[hash_length];
    if (Status hashed = hash_password(views.value()[0], views.value()[1], hash); !hashed)
        return std::move(hashed.error());
    // The routine's result is made as an object, as hashpw's is, before it is
    // compared; its allocation failing is the same fault.
    Ref computed = Ref::steal(PyBytes_FromStringAndSize(hash, hash_length));
    if (!computed) fault_api_call_failed();
    return Ref::borrow(matches_stored(hash, views.value()[1]) ? Py_True : Py_False);
}

}  // namespace

PyObject* hashpw(PyObject*, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) noexcept
{
    return boundary_entry([&] { return run_hashpw(args, nargsf, kwnames); });
}

PyObject* checkpw(PyObject*, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) noexcept
{
    return boundary_entry([&] { return run_checkpw(args, nargsf, kwnames); });
}

}  // namespace tavric::operations
