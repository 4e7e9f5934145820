#include "binding/display.hpp"

#include "boundary/objects.hpp"
#include "boundary/ref.hpp"

namespace tavric::binding {

Text display(PyObject* object)
{
    if (auto text = str_text(object)) return std::move(*text);
    PyErr_WriteUnraisable(object);
    Ref name = Ref::steal(PyType_GetName(Py_TYPE(object)));
    Py_ssize_t size = 0;
    const char* utf8 = name ? PyUnicode_AsUTF8AndSize(name.get(), &size) : nullptr;
    if (utf8 == nullptr) {
        PyErr_Clear();
        return "<unprintable object>";
    }
    Text text = "<unprintable ";
    text.append(utf8, static_cast<std::size_t>(size));
    text += " object>";
    return text;
}

}  // namespace tavric::binding
