#include "portable.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#ifdef _WIN32

int mkostemps(char* pattern, int suffixLength, int flags) {
    const std::size_t length = std::strlen(pattern);
    if (suffixLength < 0 || length < static_cast<std::size_t>(suffixLength) + 6) {
        errno = EINVAL;
        return -1;
    }
    char* ending = pattern + length - static_cast<std::size_t>(suffixLength) - 6;
    if (std::strncmp(ending, "XXXXXX", 6) != 0) {
        errno = EINVAL;
        return -1;
    }
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device seed;
    std::mt19937 random(seed());
    std::uniform_int_distribution<int> pick(0, static_cast<int>(sizeof kLetters) - 2);
    for (int attempt = 0; attempt < 100; ++attempt) {
        for (int i = 0; i < 6; ++i)
            ending[i] = kLetters[pick(random)];
        const int fd = ::_open(pattern, _O_CREAT | _O_EXCL | _O_RDWR | _O_BINARY | flags,
                               _S_IREAD | _S_IWRITE);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

#endif

namespace qdf {

std::string TemporaryFolder() {
#ifdef _WIN32
    for (const char* name : {"TMPDIR", "TEMP", "TMP"}) {
#else
    for (const char* name : {"TMPDIR"}) {
#endif
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return value;
    }
    return "/tmp";
}

int MakeTemporaryFile(const char* prefix, std::string& name) {
    name = TemporaryFolder() + "/" + prefix + "-XXXXXX";
    return ::mkostemp(&name[0], O_CLOEXEC);
}

void UseBinaryStandardStreams() {
#ifdef _WIN32
    std::fflush(stdout);
    std::fflush(stderr);
    ::_setmode(STDIN_FILENO, _O_BINARY);
    ::_setmode(STDOUT_FILENO, _O_BINARY);
    ::_setmode(STDERR_FILENO, _O_BINARY);
#endif
}

}  // namespace qdf
