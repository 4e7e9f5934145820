#include "runtime/fault.hpp"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#if __has_include(<execinfo.h>)
#include <execinfo.h>
#define TAVRIC_HAVE_BACKTRACE 1
#endif
#include <unistd.h>

#include "runtime/pinned_texts.hpp"
#include "runtime/platform.hpp"
#include "runtime/text.hpp"

namespace tavric::runtime {
namespace {

std::atomic<bool> hint_given{false};
thread_local bool reporting = false;

bool backtraces_enabled()
{
    // The one setting the module reads, and only when it reports a fault.
    const char* setting = std::getenv(pinned::backtrace_switch.data());
    return setting != nullptr && setting[0] != '\0' && std::string_view(setting) != "0";
}

void write_backtrace()
{
#ifdef TAVRIC_HAVE_BACKTRACE
    void* frames[64];
    const int count = backtrace(frames, 64);
    write_stderr("stack backtrace:\n");
    backtrace_symbols_fd(frames, count, STDERR_FILENO);
#else
    // musl has no unwinder interface of its own.
    write_stderr("stack backtrace: not available on this platform\n");
#endif
}

void report(std::string_view message, const SourceLocation& where)
{
    // A fault while a fault is being reported cannot be reported.
    if (reporting) std::abort();
    reporting = true;
    Text name = platform::thread_name();
    if (name.empty()) name = "<unnamed>";
    Text text = "\nthread '";
    text += name;
    text += "' (";
    text += decimal(platform::thread_id());
    text += ") panicked at ";
    text += where.file;
    text += ':';
    text += decimal(where.line);
    text += ':';
    text += decimal(where.column);
    text += ":\n";
    text += message;
    text += '\n';
    const bool with_backtrace = backtraces_enabled();
    if (!with_backtrace && !hint_given.exchange(true))
        text += pinned::backtrace_hint;
    write_stderr(text);
    if (with_backtrace) write_backtrace();
    reporting = false;
}

}  // namespace

void write_stderr(std::string_view bytes) noexcept
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(STDERR_FILENO, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

void fault(Text message, SourceLocation where)
{
    report(message, where);
    throw Fault(std::move(message));
}

void resume_fault(Text message) { throw Fault(std::move(message)); }

void abort_at_boundary(SourceLocation where) noexcept
{
    report(pinned::uncaught_panic, where);
    std::abort();
}

[[noreturn]] void allocation_failed(std::size_t size) noexcept
{
    char digits[24];
    auto end = std::to_chars(digits, digits + sizeof digits, size).ptr;
    write_stderr(pinned::allocation_failed_head);
    write_stderr(std::string_view(digits, static_cast<std::size_t>(end - digits)));
    write_stderr(pinned::allocation_failed_tail);
    std::abort();
}

}  // namespace tavric::runtime
