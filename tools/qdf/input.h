// A command's inputs: the bytes of a file or of standard input ("-"), read
// completely, and document files that the library can open.
#ifndef QDF_INPUT_H
#define QDF_INPUT_H

#include <string>

namespace qdf {

// How messages name an input: "standard input" for "-", else the path.
std::string InputName(const std::string& input);

// Every byte of the file input, or of standard input for "-" (a pipe is
// read to its end). Throws Failure(kExitUsage) naming the input when it is
// not a regular file or cannot be read.
std::string ReadInput(const std::string& input);

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

}  // namespace qdf

#endif  // QDF_INPUT_H
