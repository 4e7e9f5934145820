// Start-up of _tavric: its definition, functions and attributes.
#include "lib/metadata.hpp"
#include "lib/operations.hpp"
#include "lib/shared_combiner.hpp"
#include "runtime/text.hpp"
#include "boundary/entry.hpp"
#include "startup/module_maker.hpp"

namespace tavric::lib {

using boundary::Status;
using runtime::to_text;

namespace {

// Never freed: the interpreter keeps its address.
PyModuleDef definition = startup::single_phase_definition("_tavric");

constexpr startup::Function functions[] = {
    {"checkpw", boundary::function_entry<checkpw>, "checkpw(password, hashed_password)\n--\n\n"},
    {"gensalt", boundary::function_entry<gensalt>, "gensalt(rounds=12, prefix=b'2b')\n--\n\n"},
    {"hashpw", boundary::function_entry<hashpw>, "hashpw(password, salt)\n--\n\n"},
    {"kdf", boundary::function_entry<kdf>,
     "kdf(password, salt, desired_key_bytes, rounds, ignore_few_rounds=False)\n--\n\n"},
};

constexpr startup::Attribute attributes[] = {
    {"__title__", metadata::title},   {"__summary__", metadata::summary},
    {"__uri__", metadata::uri},       {"__version_ex__", metadata::version},
    {"__author__", metadata::author}, {"__email__", metadata::email},
    {"__license__", metadata::license},
};

Status finish(PyObject* module)
{
    TAVRIC_TRY(startup::add_text(module, "__copyright__",
                                 to_text(metadata::copyright_prefix) + to_text(metadata::author)));
    return lib::publish_combiner();
}

constexpr startup::ModuleSpec spec{&definition, functions, attributes, finish};

}  // namespace
}  // namespace tavric::lib

extern "C" PyMODINIT_FUNC PyInit__tavric(void)
{
    return tavric::boundary::boundary_entry([] { return tavric::startup::make_module(tavric::lib::spec); });
}
