#include "boundary/error.hpp"

#include "boundary/entry.hpp"
#include "boundary/objects.hpp"
#include "boundary/once_cell.hpp"
#include "runtime/fault.hpp"
#include "runtime/pinned_texts.hpp"
#include "runtime/text.hpp"

namespace tavric::boundary {
namespace {

namespace pinned = runtime::pinned;

using runtime::Text;

OnceCell panic_type_cell;

Result<Ref> create_panic_type()
{
    PyObject* type = PyErr_NewExceptionWithDoc(pinned::panic_exception_name, pinned::panic_exception_doc,
                                               PyExc_BaseException, nullptr);
    if (type != nullptr) return Ref::steal(type);
    // Not through fetch(): that would wait on this very cell.
    Ref pending = Ref::steal(PyErr_GetRaisedException());
    Text text = runtime::to_text(pinned::exception_type_failed);
    text += pending ? describe_exception(pending.get()) : "SystemError: " + runtime::to_text(pinned::no_exception_set);
    runtime::fault(std::move(text));
}

[[noreturn]] void resume_panic(Ref exception)
{
    Text message;
    if (auto text = str_text(exception.get())) {
        message = std::move(*text);
    } else {
        PyErr_Clear();
        message = runtime::to_text(pinned::unwrapped_panic);
    }
    runtime::write_stderr(pinned::resume_banner);
    runtime::write_stderr(pinned::resume_trace);
    PyErr_SetRaisedException(exception.take());
    PyErr_PrintEx(0);
    runtime::resume_fault(std::move(message));
}

}  // namespace

Error Error::make(PyObject* type, std::string_view static_message) noexcept
{
    Error error;
    error.type_ = type;
    error.static_message_ = static_message;
    return error;
}

Error Error::make(PyObject* type, Text message) noexcept
{
    Error error;
    error.type_ = type;
    error.owned_message_ = std::move(message);
    error.owns_message_ = true;
    return error;
}

Error Error::panic(Text message) noexcept
{
    Error error = make(nullptr, std::move(message));
    error.wrap_in_tuple_ = true;
    return error;
}

Error Error::fetched(Ref exception) noexcept
{
    Error error;
    error.exception_ = std::move(exception);
    return error;
}

void Error::raise() &&
{
    if (exception_) {
        PyErr_SetRaisedException(exception_.take());
        return;
    }
    PyObject* type = wrap_in_tuple_ ? panic_exception_type() : type_;
    const std::string_view message = owns_message_ ? std::string_view(owned_message_) : static_message_;
    Ref argument = Ref::steal(
        PyUnicode_FromStringAndSize(message.data(), static_cast<Py_ssize_t>(message.size())));
    if (!argument) fault_api_call_failed();
    if (wrap_in_tuple_) {
        PyObject* tuple = PyTuple_New(1);
        if (tuple == nullptr) fault_api_call_failed();
        PyTuple_SET_ITEM(tuple, 0, argument.take());
        argument = Ref::steal(tuple);
    }
    PyErr_SetObject(type, argument.get());
}

PyObject* Error::materialise()
{
    if (exception_) return exception_.get();
    Error built = std::move(*this);
    std::move(built).raise();
    PyObject* raised = PyErr_GetRaisedException();
    if (raised == nullptr) runtime::fault(runtime::to_text(pinned::exception_missing));
    *this = fetched(Ref::steal(raised));
    return exception_.get();
}

std::optional<Error> fetch()
{
    PyObject* raised = PyErr_GetRaisedException();
    if (raised == nullptr) return std::nullopt;
    Ref exception = Ref::steal(raised);
    if (reinterpret_cast<PyObject*>(Py_TYPE(raised)) == panic_exception_type())
        resume_panic(std::move(exception));
    return Error::fetched(std::move(exception));
}

Error fetch_or_fallback()
{
    if (auto error = fetch()) return std::move(*error);
    return Error::make(PyExc_SystemError, pinned::no_exception_set);
}

void fault_api_call_failed(runtime::SourceLocation where)
{
    PyErr_Print();
    runtime::fault(runtime::to_text(pinned::api_call_failed), where);
}

Text describe_exception(PyObject* exception)
{
    Text text = type_qualname(reinterpret_cast<PyObject*>(Py_TYPE(exception)));
    if (auto message = str_text(exception)) {
        text += ": ";
        text += *message;
    } else {
        PyErr_Clear();
    }
    return text;
}

PyObject* panic_exception_type()
{
    // The creator faults rather than returning an error, so there is always
    // a value.
    return panic_type_cell.get_or_create(create_panic_type).value();
}

PyObject* deliver(Result<Ref> outcome)
{
    if (outcome) return outcome.value().take();
    std::move(outcome.error()).raise();
    return nullptr;
}

}  // namespace tavric::boundary
