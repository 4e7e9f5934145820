#include "binding/bind.hpp"

#include "binding/display.hpp"
#include "boundary/objects.hpp"
#include "runtime/pinned_texts.hpp"
#include "runtime/text.hpp"

namespace tavric::binding {

using boundary::Error;
using boundary::Status;
using boundary::success;
using runtime::Text;
using runtime::decimal;
using runtime::fill;
namespace pinned = runtime::pinned;

namespace {

Error type_error(Text message) { return Error::make(PyExc_TypeError, std::move(message)); }

// _tavric's functions reach this only with two or more parameters and three
// or more arguments, so always in the plural; the batch module's have fewer.
Error too_many_positional(const Parameters& parameters, std::size_t given)
{
    const std::size_t count = parameters.names.size();
    const std::string_view arguments = count == 1 && parameters.required == 1 ? "argument" : "arguments";
    const std::string_view verb = given == 1 ? "was" : "were";
    if (parameters.required == count)
        return type_error(fill(pinned::takes_positional, {parameters.function, decimal(count), arguments,
                                                          decimal(given), verb}));
    return type_error(fill(pinned::takes_from_to, {parameters.function, decimal(parameters.required),
                                                   decimal(count), arguments, decimal(given), verb}));
}

Error unexpected_keyword(const Parameters& parameters, PyObject* keyword)
{
    return type_error(fill(pinned::unexpected_keyword, {parameters.function, display(keyword)}));
}

Error multiple_values(const Parameters& parameters, std::string_view keyword)
{
    return type_error(fill(pinned::multiple_values, {parameters.function, keyword}));
}

Error missing_required(const Parameters& parameters, std::span<PyObject*> slots)
{
    std::array<std::string_view, 8> missing;
    std::size_t count = 0;
    for (std::size_t i = 0; i < parameters.required; ++i)
        if (slots[i] == nullptr) missing[count++] = parameters.names[i];
    return type_error(fill(pinned::missing_required, {parameters.function, decimal(count),
                                                      count == 1 ? "argument" : "arguments",
                                                      quoted_names(std::span(missing.data(), count))}));
}

// Index of the parameter named by the keyword, or nothing.
std::optional<std::size_t> parameter_index(const Parameters& parameters, std::string_view keyword)
{
    for (std::size_t i = 0; i < parameters.names.size(); ++i)
        if (parameters.names[i] == keyword) return i;
    return std::nullopt;
}

}  // namespace

Text quoted_names(std::span<const std::string_view> names)
{
    Text text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) text += names.size() == 2 ? " and " : (i + 1 == names.size() ? ", and " : ", ");
        text += '\'';
        text += names[i];
        text += '\'';
    }
    return text;
}

Status bind(const Parameters& parameters, PyObject* const* args, Py_ssize_t nargsf,
            PyObject* kwnames, std::span<PyObject*> slots)
{
    const auto given = static_cast<std::size_t>(PyVectorcall_NARGS(nargsf));
    const std::size_t count = parameters.names.size();
    for (std::size_t i = 0; i < count; ++i) slots[i] = i < given ? args[i] : nullptr;
    if (given > count) return too_many_positional(parameters, given);

    const Py_ssize_t keywords = kwnames == nullptr ? 0 : PyTuple_GET_SIZE(kwnames);
    for (Py_ssize_t k = 0; k < keywords; ++k) {
        PyObject* keyword = PyTuple_GET_ITEM(kwnames, k);
        const auto text = boundary::utf8_or_clear(keyword);
        if (!text) return unexpected_keyword(parameters, keyword);
        const auto index = parameter_index(parameters, *text);
        if (!index) return unexpected_keyword(parameters, keyword);
        if (slots[*index] != nullptr) return multiple_values(parameters, *text);
        slots[*index] = args[given + static_cast<std::size_t>(k)];
    }

    for (std::size_t i = given; i < parameters.required; ++i)
        if (slots[i] == nullptr) return missing_required(parameters, slots);
    return success();
}

}  // namespace tavric::binding
