#include "binding/bind.hpp"
#include "binding/convert.hpp"
#include "boundary/entry.hpp"
#include "boundary/release.hpp"
#include "crypto/bcrypt.hpp"
#include "hashstring/compare.hpp"
#include "hashstring/layout.hpp"
#include "lib/operations.hpp"

namespace tavric::operations {
namespace {

using hashstring::hash_length;

constexpr std::string_view hashpw_names[] = {"password", "salt"};
constexpr binding::Parameters hashpw_parameters{"hashpw", hashpw_names, 2};
constexpr std::string_view checkpw_names[] = {"password", "hashed_password"};
constexpr binding::Parameters checkpw_parameters{"checkpw", checkpw_names, 2};

Error invalid_salt() { return Error::make(PyExc_ValueError, std::string_view("Invalid salt")); }

// The hashing routine shared by hashpw and checkpw.
Result<Ref> hash_password(binding::ByteView password, binding::ByteView setting_text)
{
    if (password.size() > crypto::bcrypt_max_key)
        return Error::make(PyExc_ValueError,
                           std::string_view("password cannot be longer than 72 bytes, truncate manually "
                                            "if necessary (e.g. my_password[:72])"));
    const auto setting = hashstring::parse_setting(
        std::string_view(reinterpret_cast<const char*>(setting_text.data()), setting_text.size()));
    if (!setting) return invalid_salt();

    char hash[hash_length];
    const bool computed = run_released([&] {
        const auto text = crypto::bcrypt(password, setting->cost, setting->salt);
        if (!text) return false;
        hashstring::write_hash(setting->revision, setting->cost, hashstring::encode_salt(setting->salt),
                               *text, hash);
        return true;
    });
    if (!computed) return invalid_salt();

    PyObject* result = PyBytes_FromStringAndSize(hash, hash_length);
    if (result == nullptr) fault_api_call_failed();
    return Ref::steal(result);
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
    return hash_password(views.value()[0], views.value()[1]);
}

Result<Ref> run_checkpw(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames)
{
    auto views = bind_bytes<2>(checkpw_parameters, args, nargsf, kwnames);
    if (!views) return std::move(views.error());
    const binding::ByteView stored = views.value()[1];
    Result<Ref> computed = hash_password(views.value()[0], stored);
    if (!computed) return std::move(computed.error());

    PyObject* hash = computed.value().get();
    bool equal = false;
    if (static_cast<std::size_t>(PyBytes_GET_SIZE(hash)) == stored.size())
        equal = hashstring::equal_without_early_exit(
            reinterpret_cast<const std::uint8_t*>(PyBytes_AS_STRING(hash)), stored.data(), stored.size());
    return Ref::borrow(equal ? Py_True : Py_False);
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
