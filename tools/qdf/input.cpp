#include "input.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "exit_status.h"

namespace qdf {

namespace {

constexpr char kNotRegular[] = "not a regular file (a directory, pipe, device or socket)";

[[noreturn]] void Fail(const std::string& input, const std::string& what, int code) {
    throw Failure(kExitUsage, InputName(input) + ": " + what + ": " + std::strerror(code));
}

// Reads fd to its end.
std::string ReadAll(int fd, const std::string& input) {
    std::string bytes;
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n == 0) return bytes;
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail(input, "cannot read", errno);
        }
        bytes.append(chunk, static_cast<std::size_t>(n));
    }
}

void WriteAll(int fd, const std::string& bytes, const std::string& path) {
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw Failure(kExitUsage, path + ": cannot write: " + std::strerror(errno));
        }
        done += static_cast<std::size_t>(n);
    }
}

}  // namespace

std::string InputName(const std::string& input) {
    return input == "-" ? "standard input" : input;
}

std::string ReadInput(const std::string& input) {
    if (input == "-") return ReadAll(STDIN_FILENO, input);
    const int fd = ::open(input.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) Fail(input, "cannot open", errno);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        throw Failure(kExitUsage, input + ": " + kNotRegular);
    }
    try {
        std::string bytes = ReadAll(fd, input);
        ::close(fd);
        return bytes;
    } catch (...) {
        ::close(fd);
        throw;
    }
}

DocumentInput::DocumentInput(const std::string& input) : m_path(input) {
    if (input != "-") {
        struct stat info {};
        if (::stat(input.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
            throw Failure(kExitUsage, input + ": " + kNotRegular);
        }
        return;
    }
    const std::string bytes = ReadInput(input);
    const char* directory = std::getenv("TMPDIR");
    std::string name =
        std::string(directory != nullptr && *directory != '\0' ? directory : "/tmp") +
        "/qdf-stdin-XXXXXX";
    const int fd = ::mkostemp(&name[0], O_CLOEXEC);
    if (fd < 0) {
        throw Failure(kExitUsage, std::string("cannot keep standard input in a temporary file: ") +
                                      std::strerror(errno));
    }
    m_path = name;
    m_temporary = true;
    try {
        WriteAll(fd, bytes, name);
    } catch (...) {
        ::close(fd);
        ::unlink(name.c_str());
        throw;
    }
    ::close(fd);
}

DocumentInput::~DocumentInput() {
    if (m_temporary) ::unlink(m_path.c_str());
}

}  // namespace qdf
