// Shared by the fuzz targets: a private scratch directory for the files made
// from the inputs, quiet message boxes, a buffer made small through the file
// object's allocation halving, and a check that stops the run with a reason.
#ifndef TWFILE_FUZZ_FUZZ_SUPPORT_H
#define TWFILE_FUZZ_FUZZ_SUPPORT_H

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <twfile/file/file32.h>
#include <twfile/framework/message_box.h>
#include <twfile/host/error.h>
#include "testing/fault_switch.h"
#include "testing/temp_dir.h"

// Stops the run (libFuzzer keeps the input) when a property does not hold.
#define FUZZ_CHECK(condition, ...)                                                             \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::fprintf(stderr, __VA_ARGS__);                                                 \
            std::fprintf(stderr, "\n");                                                        \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)

namespace twfuzz {

namespace detail {

inline const std::string& ScratchDir() {
    // Memory-backed when the system has it: the targets write a file or two
    // per input. Never destroyed before the exit, which removes it.
    static twtest::TempDir* const dir = [] {
        auto* made = new twtest::TempDir(::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "");
        std::atexit([] { delete dir; });
        return made;
    }();
    return dir->path();
}

inline int Silent(const char*, unsigned int, unsigned int) {
    return IDOK;
}

}  // namespace detail

// A path in this process's scratch directory.
inline std::string ScratchFile(const char* name) {
    return detail::ScratchDir() + "/" + name;
}

inline void WriteBytes(const std::string& path, const std::uint8_t* data, std::size_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    FUZZ_CHECK(fd >= 0, "cannot create %s", path.c_str());
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        FUZZ_CHECK(n > 0, "cannot write %s", path.c_str());
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
}

// Message boxes go nowhere; the error service starts clean.
inline void Quiet() {
    AfxSetMessageBoxHandler(&detail::Silent);
    win32::fault::Disarm();
    CTWError::Clear();
}

// Halves file's buffer the given number of times (65534 down to 1 after
// 15): each open of the existing path has its first allocation failed. The
// file is closed afterwards; the smaller size stays for the object's life.
inline void ShrinkBuffer(CTWFile32& file, const std::string& path, int halvings) {
    if (halvings <= 0) return;
    file.SetFileName(path.c_str());
    for (int i = 0; i < halvings; ++i) {
        win32::fault::Arm(win32::fault::Kind::GlobalAlloc, 1);
        file.CreateFileA();
        win32::fault::Disarm();
    }
    file.CloseFile();
    CTWError::Clear();
}

// The text of a string as the application sees it through its character
// pointer: up to the first NUL.
inline std::string Text(const char* text) {
    return text != nullptr ? std::string(text) : std::string();
}

}  // namespace twfuzz

#endif  // TWFILE_FUZZ_FUZZ_SUPPORT_H
