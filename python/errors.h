// The module's exceptions (twfile.Error, InUseError, SqlError) and the
// library's reports taken from its error service and message boxes.
#ifndef TWFILE_PYTHON_ERRORS_H
#define TWFILE_PYTHON_ERRORS_H

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <pybind11/pybind11.h>

#include <twfile/host/diagnostics.h>

namespace twpy {

namespace py = pybind11;

// The number of errors the module finds itself (input that does not fit,
// a refused save): the library's general error number.
constexpr int kModuleError = -1;

// Thrown in C++, raised in Python as twfile.Error or a subclass.
class Failure : public std::runtime_error {
  public:
    enum class Kind { Error, InUse, Sql };
    struct Place {
        long line = 0;
        long byte = 0;
    };

    Failure(Kind kind, int number, const std::string& message, std::optional<Place> at = {})
        : std::runtime_error(message), m_kind(kind), m_number(number), m_at(at) {}
    Kind kind() const { return m_kind; }
    int number() const { return m_number; }
    const std::optional<Place>& at() const { return m_at; }

  private:
    Kind m_kind;
    int m_number;
    std::optional<Place> m_at;
};

[[noreturn]] void Fail(const std::string& message, Failure::Kind kind = Failure::Kind::Error);

// What the library reported since the last Take (twfile/host/diagnostics.h):
// CaptureMessageBoxes, installed when the module loads, keeps each thread's
// message box texts instead of writing them to standard error.
using twfile::CaptureMessageBoxes;
using twfile::Diagnostics;
using twfile::TakeDiagnostics;

// Raises the pending error (after context, when not empty) as kind, or a
// Failure saying what failed when none is pending; the error service is
// left clear.
[[noreturn]] void FailWithPending(const std::string& context,
                                  Failure::Kind kind = Failure::Kind::Error);

// The library's texts are UTF-8 or Windows-1252: as UTF-8.
std::string LibraryText(const std::string& bytes);

// Defines the exceptions in module and translates Failure to them.
void DefineErrors(py::module_& module);

}  // namespace twpy

#endif  // TWFILE_PYTHON_ERRORS_H
