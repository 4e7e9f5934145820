#include "binding/convert.hpp"

#include <limits>

#include "binding/display.hpp"
#include "boundary/objects.hpp"
#include "runtime/pinned_texts.hpp"
#include "runtime/text.hpp"

namespace tavric::binding {

using boundary::Error;
using boundary::Result;
using boundary::Ref;
using boundary::fetch;
using boundary::fetch_or_fallback;
using boundary::type_qualname;
namespace pinned = runtime::pinned;

namespace {

template <class Unsigned>
Result<Unsigned> to_small_unsigned(PyObject* object, std::string_view parameter)
{
    const long value = PyLong_AsLong(object);
    if (value == -1 && PyErr_Occurred()) return name_argument(parameter, fetch_or_fallback());
    if (value < 0 || static_cast<unsigned long>(value) > std::numeric_limits<Unsigned>::max())
        return Error::make(PyExc_OverflowError, pinned::out_of_range);
    return static_cast<Unsigned>(value);
}

bool name_equals(PyObject* name, std::string_view expected)
{
    return name != nullptr && PyUnicode_Check(name) &&
           PyUnicode_EqualToUTF8AndSize(name, expected.data(), static_cast<Py_ssize_t>(expected.size()));
}

// numpy.bool_ (numpy 1) or numpy.bool (numpy 2); lookup failures mean no.
bool is_numpy_bool(PyTypeObject* type)
{
    Ref module = Ref::steal(PyType_GetModuleName(type));
    if (!module) {
        PyErr_Clear();
        return false;
    }
    if (!name_equals(module.get(), "numpy")) return false;
    Ref name = Ref::steal(PyType_GetName(type));
    if (!name) {
        PyErr_Clear();
        return false;
    }
    return name_equals(name.get(), "bool_") || name_equals(name.get(), "bool");
}

Result<bool> numpy_truth(PyObject* object)
{
    PyTypeObject* type = Py_TYPE(object);
    auto truth = reinterpret_cast<inquiry>(PyType_GetSlot(type, Py_nb_bool));
    if (truth == nullptr) {
        PyErr_Clear();
        return Error::make(PyExc_TypeError,
                           runtime::fill(pinned::no_bool_conversion, {display(reinterpret_cast<PyObject*>(type))}));
    }
    const int result = truth(object);
    if (result == 0 || result == 1) return result == 1;
    return fetch_or_fallback();
}

}  // namespace

Error cannot_convert(PyObject* object, std::string_view target)
{
    return Error::make(PyExc_TypeError,
                       runtime::fill(pinned::cannot_convert, {type_qualname(reinterpret_cast<PyObject*>(Py_TYPE(object))), target}));
}

Error name_argument(std::string_view parameter, Error error)
{
    PyObject* original = error.materialise();
    if (Py_TYPE(original) != reinterpret_cast<PyTypeObject*>(PyExc_TypeError)) return error;
    Error named = Error::make(PyExc_TypeError, runtime::fill(pinned::named_argument, {parameter, display(original)}));
    PyObject* renamed = named.materialise();
    PyException_SetCause(renamed, PyException_GetCause(original));
    return named;
}

Result<ByteView> to_bytes(PyObject* object, std::string_view parameter)
{
    if (!PyBytes_Check(object)) return name_argument(parameter, cannot_convert(object, "PyBytes"));
    const auto* data = reinterpret_cast<const std::uint8_t*>(PyBytes_AsString(object));
    return ByteView(data, static_cast<std::size_t>(PyBytes_Size(object)));
}

Result<std::uint16_t> to_u16(PyObject* object, std::string_view parameter)
{
    return to_small_unsigned<std::uint16_t>(object, parameter);
}

Result<std::uint32_t> to_u32(PyObject* object, std::string_view parameter)
{
    return to_small_unsigned<std::uint32_t>(object, parameter);
}

Result<std::uint64_t> to_u64(PyObject* object, std::string_view parameter)
{
    Ref index;
    if (!PyLong_Check(object)) {
        index = Ref::steal(PyNumber_Index(object));
        if (!index) return name_argument(parameter, fetch_or_fallback());
        object = index.get();
    }
    const unsigned long long value = PyLong_AsUnsignedLongLong(object);
    if (value == std::numeric_limits<unsigned long long>::max()) {
        if (auto error = fetch()) return name_argument(parameter, std::move(*error));
    }
    return static_cast<std::uint64_t>(value);
}

Result<Ref> to_tuple(PyObject* object, std::string_view parameter)
{
    if (!PyList_Check(object) && !PyTuple_Check(object))
        return name_argument(parameter, cannot_convert(object, "Sequence"));
    Ref copy = Ref::steal(PySequence_Tuple(object));
    if (!copy) return fetch_or_fallback();
    return copy;
}

Result<bool> to_bool(PyObject* object, std::string_view parameter)
{
    if (PyBool_Check(object)) return object == Py_True;
    if (is_numpy_bool(Py_TYPE(object))) {
        Result<bool> truth = numpy_truth(object);
        if (!truth) return name_argument(parameter, std::move(truth.error()));
        return truth;
    }
    return name_argument(parameter, cannot_convert(object, "PyBool"));
}

}  // namespace tavric::binding
