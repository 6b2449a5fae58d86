#include "support/VanishingFile.h"

#include <cstring>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QByteArray g_vanishing;
}

void vanishWhenSized(const QByteArray& fileName)
{
    g_vanishing = fileName;
}

// Interposes the C library's call for the test executable only.
extern "C" int fstatat(int dirFd, const char* path, struct stat* info, int flags)
{
    static auto real =
        reinterpret_cast<int (*)(int, const char*, struct stat*, int)>(dlsym(RTLD_NEXT, "fstatat"));
    if (!g_vanishing.isEmpty() && flags == 0 && std::strcmp(path, g_vanishing.constData()) == 0) {
        g_vanishing.clear();
        ::unlinkat(dirFd, path, 0);
    }
    return real(dirFd, path, info, flags);
}
