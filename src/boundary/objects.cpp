#include "boundary/objects.hpp"

#include "boundary/error.hpp"
#include "boundary/ref.hpp"
#include "runtime/pinned_texts.hpp"
#include "runtime/text.hpp"

namespace tavric::boundary {

using runtime::Text;

std::optional<std::string_view> utf8_or_clear(PyObject* str) noexcept
{
    Py_ssize_t size = 0;
    const char* utf8 = str != nullptr ? PyUnicode_AsUTF8AndSize(str, &size) : nullptr;
    if (utf8 == nullptr) {
        PyErr_Clear();
        return std::nullopt;
    }
    return std::string_view(utf8, static_cast<std::size_t>(size));
}

Text utf8_text(PyObject* str)
{
    Py_ssize_t size = 0;
    if (const char* utf8 = PyUnicode_AsUTF8AndSize(str, &size))
        return Text(utf8, static_cast<std::size_t>(size));
    PyErr_Clear();
    Ref encoded = Ref::steal(PyUnicode_AsEncodedString(str, "utf-8", "surrogatepass"));
    if (!encoded) fault_api_call_failed();
    return runtime::utf8_lossy(std::string_view(PyBytes_AS_STRING(encoded.get()),
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
    const auto utf8 = utf8_or_clear(name.get());
    return runtime::to_text(utf8 ? *utf8 : runtime::pinned::unknown_type_name);
}

}  // namespace tavric::boundary
