#define _GNU_SOURCE
#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <unistd.h>

/* Stands in for the C library's getrandom; TAVRIC_SHIM picks the behaviour.
   Only requests of a salt's size or less are disturbed: the interpreter's own
   start-up asks for more and must still get real randomness. */
ssize_t getrandom(void *buffer, size_t length, unsigned flags)
{
    static int calls;
    const char *mode = getenv("TAVRIC_SHIM");
    if (length > 16 || mode == NULL) return syscall(SYS_getrandom, buffer, length, flags);
    ++calls;
    if (!strcmp(mode, "zero")) return 0;
    if (!strcmp(mode, "below")) return -7;
    if (!strcmp(mode, "errno0")) { errno = 0; return -1; }
    if (!strcmp(mode, "eio")) { errno = EIO; return -1; }
    if (!strcmp(mode, "too-much")) return (ssize_t)length + 1;
    if (!strcmp(mode, "eintr") && calls % 2) { errno = EINTR; return -1; }
    if (!strcmp(mode, "short")) length = 1;
    memset(buffer, 0x41 + calls % 16, length);
    return (ssize_t)length;
}
