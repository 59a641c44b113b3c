#include "input.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include "portable.h"

namespace qdf {

namespace {

// Reads fd to its end.
std::string ReadAll(int fd, const std::string& input) {
    std::string bytes;
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n == 0) return bytes;
        if (n < 0) {
            if (errno == EINTR) continue;
            FailWithErrno(input, "cannot read", errno);
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

// A descriptor of the regular file input, opened for reading in binary;
// a Failure when it cannot be opened or is not a regular file.
int OpenRegular(const std::string& input) {
    const int fd = ::open(input.c_str(), O_RDONLY | O_BINARY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) FailWithErrno(input, "cannot open", errno);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        throw Failure(kExitUsage, input + ": " + kNotRegularText);
    }
    return fd;
}

}  // namespace

void FailWithErrno(const std::string& input, const std::string& what, int code) {
    throw Failure(kExitUsage, InputName(input) + ": " + what + ": " + std::strerror(code));
}

std::string InputName(const std::string& input) {
    return input == "-" ? "standard input" : input;
}

std::string ReadInput(const std::string& input) {
    if (input == "-") return ReadAll(STDIN_FILENO, input);
    const int fd = OpenRegular(input);
    try {
        std::string bytes = ReadAll(fd, input);
        ::close(fd);
        return bytes;
    } catch (...) {
        ::close(fd);
        throw;
    }
}

InputStream::InputStream(const std::string& input) {
    if (input == "-") {
        m_fd = STDIN_FILENO;
    } else {
        m_fd = OpenRegular(input);
    }
    m_buffer = std::make_unique<Buffer>(m_fd, input);
    m_stream.rdbuf(m_buffer.get());
}

InputStream::~InputStream() {
    if (m_fd != STDIN_FILENO) ::close(m_fd);
}

void InputStream::CheckRead() const {
    if (m_buffer->failure() != 0)
        FailWithErrno(m_buffer->input(), "cannot read", m_buffer->failure());
}

InputStream::Buffer::int_type InputStream::Buffer::underflow() {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    for (;;) {
        const ssize_t n = ::read(m_fd, m_bytes, sizeof m_bytes);
        if (n == 0) return traits_type::eof();
        if (n < 0) {
            if (errno == EINTR) continue;
            m_failure = errno;
            return traits_type::eof();
        }
        setg(m_bytes, m_bytes, m_bytes + n);
        return traits_type::to_int_type(*gptr());
    }
}

DocumentInput::DocumentInput(const std::string& input) : m_path(input) {
    if (input != "-") {
        struct stat info {};
        if (::stat(input.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
            throw Failure(kExitUsage, input + ": " + kNotRegularText);
        }
        return;
    }
    const std::string bytes = ReadInput(input);
    std::string name;
    const int fd = MakeTemporaryFile("qdf-stdin", name);
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

void RequireOneStandardInput(const std::vector<std::string>& inputs) {
    if (std::count(inputs.begin(), inputs.end(), "-") > 1) {
        throw Failure(kExitUsage, "standard input (-) can be read only once");
    }
}

std::string Why(const Failure& failure, const std::string& input) {
    const std::string text = failure.what();
    const std::string prefix = InputName(input) + ": ";
    return text.compare(0, prefix.size(), prefix) == 0 ? text.substr(prefix.size()) : text;
}

}  // namespace qdf
