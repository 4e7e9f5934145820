#include "binding/display.hpp"

#include "boundary/objects.hpp"
#include "boundary/ref.hpp"
#include "runtime/pinned_texts.hpp"
#include "runtime/text.hpp"

namespace tavric::binding {

runtime::Text display(PyObject* object)
{
    if (auto text = boundary::str_text(object)) return std::move(*text);
    PyErr_WriteUnraisable(object);
    boundary::Ref name = boundary::Ref::steal(PyType_GetName(Py_TYPE(object)));
    const auto utf8 = boundary::utf8_or_clear(name.get());
    if (!utf8) return runtime::to_text(runtime::pinned::unprintable_object);
    return runtime::fill(runtime::pinned::unprintable, {*utf8});
}

}  // namespace tavric::binding
