/* Records every environment lookup made from inside the tavric extension
   modules, and every attempt at all to lock memory, to the file named by
   TAVRIC_WATCH_LOG. The interpreter's own lookups are let through unrecorded. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

static void record(const char *what, const char *detail)
{
    char line[512];
    const char *path = NULL;
    char *(*real_getenv)(const char *) = (char *(*)(const char *))dlsym(RTLD_NEXT, "getenv");
    if (real_getenv != NULL) path = real_getenv("TAVRIC_WATCH_LOG");
    if (path == NULL) return;
    int fd = open(path, O_WRONLY | O_APPEND | O_CREAT, 0600);
    if (fd < 0) return;
    int n = snprintf(line, sizeof line, "%s %s\n", what, detail ? detail : "");
    if (n > 0) write(fd, line, (size_t)n < sizeof line ? (size_t)n : sizeof line - 1);
    close(fd);
}

/* The shared object a return address lies in, if it is one of ours. */
static int from_tavric(const void *caller)
{
    Dl_info info;
    return dladdr(caller, &info) != 0 && info.dli_fname != NULL && strstr(info.dli_fname, "/tavric/_") != NULL;
}

char *getenv(const char *name)
{
    if (from_tavric(__builtin_return_address(0))) record("getenv", name);
    char *(*real)(const char *) = (char *(*)(const char *))dlsym(RTLD_NEXT, "getenv");
    return real(name);
}

char *secure_getenv(const char *name)
{
    if (from_tavric(__builtin_return_address(0))) record("secure_getenv", name);
    char *(*real)(const char *) = (char *(*)(const char *))dlsym(RTLD_NEXT, "secure_getenv");
    return real(name);
}

int mlock(const void *address, size_t length)
{
    record("mlock", "");
    int (*real)(const void *, size_t) = (int (*)(const void *, size_t))dlsym(RTLD_NEXT, "mlock");
    return real(address, length);
}

int mlock2(const void *address, size_t length, unsigned int flags)
{
    record("mlock2", "");
    int (*real)(const void *, size_t, unsigned int) =
        (int (*)(const void *, size_t, unsigned int))dlsym(RTLD_NEXT, "mlock2");
    return real(address, length, flags);
}

int mlockall(int flags)
{
    record("mlockall", "");
    int (*real)(int) = (int (*)(int))dlsym(RTLD_NEXT, "mlockall");
    return real(flags);
}
