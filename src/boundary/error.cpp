#include "boundary/error.hpp"

#include "boundary/entry.hpp"
#include "boundary/objects.hpp"
#include "boundary/once_cell.hpp"
#include "runtime/fault.hpp"

namespace tavric {
namespace {

constexpr const char* panic_doc =
    "\n"
    "The exception raised when native code called from Python fails unrecoverably.\n"
    "\n"
    "Like SystemExit, this exception is derived from BaseException so that\n"
    "it will typically propagate all the way through the stack and cause the\n"
    "Python interpreter to exit.\n";

OnceCell panic_type_cell;

Result<Ref> create_panic_type()
{
    PyObject* type = PyErr_NewExceptionWithDoc("pyo3_runtime.PanicException", panic_doc,
                                               PyExc_BaseException, nullptr);
    if (type != nullptr) return Ref::steal(type);
    // Not through fetch(): that would wait on this very cell.
    Ref pending = Ref::steal(PyErr_GetRaisedException());
    Text text = "Failed to initialize new exception type.: ";
    text += pending ? describe_exception(pending.get())
                    : Text("SystemError: attempted to fetch exception but none was set");
    fault(std::move(text));
}

[[noreturn]] void resume_panic(Ref exception)
{
    Text message;
    if (auto text = str_text(exception.get())) {
        message = std::move(*text);
    } else {
        PyErr_Clear();
        message = "Unwrapped panic from Python code";
    }
    write_stderr("--- PyO3 is resuming a panic after fetching a PanicException from Python. ---\n");
    write_stderr("Python stack trace below:\n");
    PyErr_SetRaisedException(exception.take());
    PyErr_PrintEx(0);
    resume_fault(std::move(message));
}

}  // namespace

Error Error::make(PyObject* type, std::string_view fixed_message) noexcept
{
    Error error;
    error.type_ = type;
    error.fixed_message_ = fixed_message;
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
    const std::string_view message = owns_message_ ? std::string_view(owned_message_) : fixed_message_;
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
    if (raised == nullptr) fault("exception missing after writing to the interpreter");
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
    return Error::make(PyExc_SystemError, std::string_view("attempted to fetch exception but none was set"));
}

void fault_api_call_failed(SourceLocation where)
{
    PyErr_Print();
    fault("Python API call failed", where);
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
    Result<PyObject*> type = panic_type_cell.get_or_create(create_panic_type);
    // The creator faults rather than returning an error.
    return type ? type.value() : nullptr;
}

PyObject* deliver(Result<Ref> outcome)
{
    if (outcome) return outcome.value().take();
    std::move(outcome.error()).raise();
    return nullptr;
}

}  // namespace tavric
