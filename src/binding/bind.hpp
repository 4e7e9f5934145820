// Binding a vectorcall's positional and keyword arguments to a function's
// parameters. All parameters are positional-or-keyword; optional ones follow
// the required ones.
#pragma once

#include <array>
#include <span>
#include <string_view>

#include "boundary/error.hpp"

namespace tavric::binding {

struct Parameters {
    std::string_view function;              // "hashpw"
    std::span<const std::string_view> names;
    std::size_t required;
};

// Slots hold borrowed references; empty slots are null.
template <std::size_t Count>
using Slots = std::array<PyObject*, Count>;

boundary::Status bind(const Parameters& parameters, PyObject* const* args, Py_ssize_t nargsf,
            PyObject* kwnames, std::span<PyObject*> slots);

// "'a'", "'a' and 'b'", "'a', 'b', and 'c'"
runtime::Text quoted_names(std::span<const std::string_view> names);

}  // namespace tavric::binding
