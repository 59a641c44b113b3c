// The tool's inputs: files and standard input read completely or as a
// stream, and the document file to open for an input ("-" kept in a
// temporary file).
#ifndef QDF_INPUT_H
#define QDF_INPUT_H

#include <istream>
#include <memory>
#include <streambuf>
#include <string>
#include <vector>

#include "commands.h"

namespace qdf {

// What qdf says of an input that is something other than a regular file.
constexpr char kNotRegularText[] = "not a regular file (a directory, pipe, device or socket)";

// How messages name an input: "standard input" for "-", else the path.
std::string InputName(const std::string& input);

// A Failure's text without the name of input in front of it.
std::string Why(const Failure& failure, const std::string& input);

// Every byte of the file input, or of standard input for "-" (a pipe is
// read to its end). Throws Failure(kExitUsage) naming the input when it is
// not a regular file or cannot be read.
std::string ReadInput(const std::string& input);

// The bytes of the file input, or of standard input for "-", read a
// buffer-full at a time through stream(). The constructor throws as
// ReadInput does. A read that fails ends the stream there; CheckRead then
// throws its Failure(kExitUsage) naming the input.
class InputStream {
  public:
    explicit InputStream(const std::string& input);
    ~InputStream();
    InputStream(const InputStream&) = delete;
    InputStream& operator=(const InputStream&) = delete;

    std::istream& stream() { return m_stream; }
    void CheckRead() const;

  private:
    class Buffer : public std::streambuf {
      public:
        Buffer(int fd, std::string input) : m_fd(fd), m_input(std::move(input)) {}

        // The errno of a read that failed, or 0.
        int failure() const { return m_failure; }
        const std::string& input() const { return m_input; }

      protected:
        int_type underflow() override;

      private:
        int m_fd;
        int m_failure = 0;
        std::string m_input;
        char m_bytes[1 << 16];
    };
    int m_fd = -1;
    std::unique_ptr<Buffer> m_buffer;
    std::istream m_stream{nullptr};
};

// A document to open: the file input itself, or for "-" a temporary file
// holding all of standard input, removed with the object. Throws
// Failure(kExitUsage) naming the input when it names something other than a
// regular file (a directory, pipe, device or socket) or cannot be read; a
// missing file is left to the open to report.
class DocumentInput {
  public:
    explicit DocumentInput(const std::string& input);
    ~DocumentInput();
    DocumentInput(const DocumentInput&) = delete;
    DocumentInput& operator=(const DocumentInput&) = delete;

    // The path to open.
    const std::string& path() const { return m_path; }

  private:
    std::string m_path;
    bool m_temporary = false;
};

// Throws Failure(kExitUsage) when "-" (standard input, which can be read
// once) is among inputs more than once.
void RequireOneStandardInput(const std::vector<std::string>& inputs);

// Throws Failure(kExitUsage) "NAME: what: the system's text for code", NAME
// the input's name in messages.
[[noreturn]] void FailWithErrno(const std::string& input, const std::string& what, int code);

}  // namespace qdf

#endif  // QDF_INPUT_H
