#include "runtime/platform.hpp"

#include <pthread.h>
#include <string.h>
#include <unistd.h>

#if defined(__linux__)
#include <sys/syscall.h>
#elif defined(__FreeBSD__)
#include <pthread_np.h>
#endif

namespace tavric::runtime::platform {
namespace {

// strerror_r returns int (POSIX) or char* (GNU); accept either.
[[maybe_unused]] const char* message_of(int status, const char* buffer)
{
    return status == 0 ? buffer : nullptr;
}
[[maybe_unused]] const char* message_of(const char* message, const char*) { return message; }

}  // namespace

std::uint64_t thread_id() noexcept
{
#if defined(__linux__)
    return static_cast<std::uint64_t>(::syscall(SYS_gettid));
#elif defined(__FreeBSD__)
    return static_cast<std::uint64_t>(pthread_getthreadid_np());
#elif defined(__APPLE__)
    std::uint64_t id = 0;
    pthread_threadid_np(nullptr, &id);
    return id;
#else
    return reinterpret_cast<std::uintptr_t>(pthread_self());
#endif
}

Text thread_name()
{
    char name[64] = {};
    if (pthread_getname_np(pthread_self(), name, sizeof name) != 0) return {};
    return Text(name);
}

Text error_message(int code)
{
    char buffer[256] = {};
    const char* message = message_of(strerror_r(code, buffer, sizeof buffer), buffer);
    if (message == nullptr) return Text("Unknown error");
    return Text(message);
}

}  // namespace tavric::runtime::platform
