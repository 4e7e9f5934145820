#include "crypto/random.hpp"

#include <cerrno>
#include <sys/random.h>

#include "runtime/pinned_texts.hpp"
#include "runtime/platform.hpp"
#include "runtime/text.hpp"

namespace tavric::crypto {
namespace {

ssize_t system_getrandom(void* buffer, std::size_t length, unsigned flags) noexcept
{
#if defined(__APPLE__)
    // macOS has no getrandom; getentropy fills up to 256 bytes or fails with
    // errno set, which the loop below reads like getrandom's -1.
    (void)flags;
    return ::getentropy(buffer, length) == 0 ? static_cast<ssize_t>(length) : -1;
#else
    return ::getrandom(buffer, length, flags);
#endif
}

std::string_view kind_of_errno(int code)
{
    switch (code) {
    case EPERM:
    case EACCES: return "PermissionDenied";
    case ENOENT: return "NotFound";
    case EINTR: return "Interrupted";
    case EAGAIN: return "WouldBlock";
    case ENOMEM: return "OutOfMemory";
    case EINVAL: return "InvalidInput";
    case ENOSYS: return "Unsupported";
    default: return "Uncategorized";
    }
}

}  // namespace

std::optional<RandomError> fill_random(std::span<std::uint8_t> out, GetrandomFunction source) noexcept
{
    if (source == nullptr) source = system_getrandom;
    std::size_t filled = 0;
    while (filled < out.size()) {
        const std::size_t wanted = out.size() - filled;
        errno = 0;
        const ssize_t got = source(out.data() + filled, wanted, 0);
        if (got == -1) {
            const int code = errno;
            if (code == EINTR) continue;
            if (code <= 0) return RandomError{RandomError::Kind::errno_not_positive};
            return RandomError{RandomError::Kind::os, code};
        }
        if (got <= 0 || static_cast<std::size_t>(got) > wanted)
            return RandomError{RandomError::Kind::unexpected};
        filled += static_cast<std::size_t>(got);
    }
    return std::nullopt;
}

runtime::Text describe(const RandomError& error)
{
    using runtime::Text;
    switch (error.kind) {
    case RandomError::Kind::unexpected:
        return runtime::to_text(runtime::pinned::random_unexpected);
    case RandomError::Kind::errno_not_positive:
        return runtime::to_text(runtime::pinned::random_errno_not_positive);
    case RandomError::Kind::os: break;
    }
    const Text code = runtime::decimal(error.os_code);
    return runtime::fill(runtime::pinned::random_os_error,
                         {code, code, kind_of_errno(error.os_code), runtime::platform::error_message(error.os_code)});
}

}  // namespace tavric::crypto
