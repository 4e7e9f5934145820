#include "boundary/objects.hpp"

#include "boundary/error.hpp"
#include "boundary/ref.hpp"
#include "runtime/text.hpp"

namespace tavric {

Text utf8_text(PyObject* str)
{
    Py_ssize_t size = 0;
    if (const char* utf8 = PyUnicode_AsUTF8AndSize(str, &size))
        return Text(utf8, static_cast<std::size_t>(size));
    PyErr_Clear();
    Ref encoded = Ref::steal(PyUnicode_AsEncodedString(str, "utf-8", "surrogatepass"));
    if (!encoded) fault_api_call_failed();
    return utf8_lossy(std::string_view(PyBytes_AS_STRING(encoded.get()),
                                       static_cast<std::size_t>(PyBytes_GET_SIZE(encoded.get()))));
}

std::optional<Text> str_text(PyObject* object)
{
    Ref str = Ref::steal(PyObject_Str(object));
    if (!str) return std::nullopt;
    return utf8_text(str.get());
}

Text type_qualname(PyObject* type)
{
    Ref name = Ref::steal(PyType_GetQualName(reinterpret_cast<PyTypeObject*>(type)));
    Py_ssize_t size = 0;
    const char* utf8 = name ? PyUnicode_AsUTF8AndSize(name.get(), &size) : nullptr;
    if (utf8 == nullptr) {
        PyErr_Clear();
        return "<failed to extract type name>";
    }
    return Text(utf8, static_cast<std::size_t>(size));
}

}  // namespace tavric
