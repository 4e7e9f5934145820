// Start-up of _lanes, the package's batch module: hashpw and checkpw over
// many pairs in interleaved lanes, and the switch for combining single calls.
#include "boundary/entry.hpp"
#include "lanes/operations.hpp"
#include "startup/module_maker.hpp"

namespace tavric::lanes {
namespace {

// Never freed: the interpreter keeps its address.
PyModuleDef definition = startup::single_phase_definition("_lanes");

constexpr startup::Function functions[] = {
    {"hashpw_many", boundary::function_entry<hashpw_many>, "hashpw_many(passwords, salts)\n--\n\n"},
    {"checkpw_many", boundary::function_entry<checkpw_many>, "checkpw_many(passwords, hashed_passwords)\n--\n\n"},
    {"set_combining", boundary::function_entry<set_combining>, "set_combining(enabled)\n--\n\n"},
    {"combining_enabled", boundary::function_entry<combining_enabled>, "combining_enabled()\n--\n\n"},
};

constexpr startup::ModuleSpec spec{&definition, functions, {}, nullptr};

}  // namespace
}  // namespace tavric::lanes

extern "C" PyMODINIT_FUNC PyInit__lanes(void)
{
    return tavric::boundary::boundary_entry([] { return tavric::startup::make_module(tavric::lanes::spec); });
}
