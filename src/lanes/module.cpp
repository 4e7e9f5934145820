// Start-up of _lanes, the package's batch module: hashpw and checkpw over
// many pairs in interleaved lanes, and the switch for combining single calls.
#include "boundary/entry.hpp"
#include "lanes/operations.hpp"
#include "startup/module_maker.hpp"

namespace tavric::lanes {
namespace {

PyModuleDef definition = {
    .m_base = PyModuleDef_HEAD_INIT,
    .m_name = "_lanes",
    .m_doc = "",
    .m_size = 0,
    .m_methods = nullptr,
    .m_slots = nullptr,
    .m_traverse = nullptr,
    .m_clear = nullptr,
    .m_free = nullptr,
};

constexpr startup::Function functions[] = {
    {"hashpw_many", hashpw_many, "hashpw_many(passwords, salts)\n--\n\n"},
    {"checkpw_many", checkpw_many, "checkpw_many(passwords, hashed_passwords)\n--\n\n"},
    {"set_combining", set_combining, "set_combining(enabled)\n--\n\n"},
    {"combining_enabled", combining_enabled, "combining_enabled()\n--\n\n"},
};

constexpr startup::ModuleSpec spec{&definition, functions, {}, nullptr};

}  // namespace
}  // namespace tavric::lanes

extern "C" PyMODINIT_FUNC PyInit__lanes(void)
{
    return tavric::boundary::boundary_entry([] { return tavric::startup::make_module(tavric::lanes::spec); });
}
