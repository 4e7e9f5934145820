#include "binding/bind.hpp"

#include "binding/display.hpp"
#include "runtime/text.hpp"

namespace tavric::binding {
namespace {

Text call_name(const Parameters& parameters)
{
    Text name = to_text(parameters.function);
    name += "()";
    return name;
}

Error type_error(Text message) { return Error::make(PyExc_TypeError, std::move(message)); }

Error too_many_positional(const Parameters& parameters, std::size_t given)
{
    Text text = call_name(parameters) + " takes ";
    const std::size_t count = parameters.names.size();
    if (parameters.required == count) {
        text += decimal(count);
    } else {
        text += "from " + decimal(parameters.required) + " to " + decimal(count);
    }
    // _tavric's functions reach this only with two or more parameters and
    // three or more arguments; the batch module's have fewer.
    text += count == 1 && parameters.required == 1 ? " positional argument but " : " positional arguments but ";
    text += decimal(given) + (given == 1 ? " was given" : " were given");
    return type_error(std::move(text));
}

Error unexpected_keyword(const Parameters& parameters, PyObject* keyword)
{
    return type_error(call_name(parameters) + " got an unexpected keyword argument '" + display(keyword) + "'");
}

Error multiple_values(const Parameters& parameters, std::string_view keyword)
{
    return type_error(call_name(parameters) + " got multiple values for argument '" + to_text(keyword) + "'");
}

Error missing_required(const Parameters& parameters, std::span<PyObject*> slots)
{
    std::array<std::string_view, 8> missing;
    std::size_t count = 0;
    for (std::size_t i = 0; i < parameters.required; ++i)
        if (slots[i] == nullptr) missing[count++] = parameters.names[i];
    Text text = call_name(parameters) + " missing " + decimal(count) + " required positional argument";
    if (count > 1) text += 's';
    text += ": " + quoted_names(std::span(missing.data(), count));
    return type_error(std::move(text));
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
        Py_ssize_t size = 0;
        const char* utf8 = PyUnicode_AsUTF8AndSize(keyword, &size);
        if (utf8 == nullptr) {
            PyErr_Clear();
            return unexpected_keyword(parameters, keyword);
        }
        const std::string_view text(utf8, static_cast<std::size_t>(size));
        const auto index = parameter_index(parameters, text);
        if (!index) return unexpected_keyword(parameters, keyword);
        if (slots[*index] != nullptr) return multiple_values(parameters, text);
        slots[*index] = args[given + static_cast<std::size_t>(k)];
    }

    for (std::size_t i = given; i < parameters.required; ++i)
        if (slots[i] == nullptr) return missing_required(parameters, slots);
    return success();
}

}  // namespace tavric::binding
