#include "errors.h"

#include <pybind11/eval.h>

#include <twfile/host/error.h>
#include <twfile/json/document_json.h>

namespace twpy {

namespace {

// The exception classes, made once by DefineErrors.
struct Classes {
    py::object error;
    py::object inUse;
    py::object sql;
};

Classes& Defined() {
    // Lives as long as the interpreter: never destroyed after it.
    static Classes* classes = new Classes();
    return *classes;
}

const char* const kErrorClasses = R"(
class Error(Exception):
    """An error of twfile: the library's error number and message, and
    for a read that stopped at an error, the line (from 1) and byte offset
    (from 0) where it stopped (else None). Errors the module finds in its
    input have number -1."""

    def __init__(self, number, message, line=None, byte=None):
        super().__init__(number, message, line, byte)
        self.number = number
        self.message = message
        self.line = line
        self.byte = byte

    def __str__(self):
        place = "" if self.line is None else f"line {self.line} (byte {self.byte}): "
        return f"{place}error {self.number}: {self.message}"


class InUseError(Error):
    """The file is held by another writer."""


class SqlError(Error):
    """The statement could not be built, or the database refused it."""
)";

}  // namespace

void Fail(const std::string& message, Failure::Kind kind) {
    throw Failure(kind, kModuleError, message);
}

void FailWithPending(const std::string& context, Failure::Kind kind) {
    const Diagnostics diagnostics = TakeDiagnostics();
    const std::string prefix = context.empty() ? "" : context + ": ";
    if (!diagnostics.error) throw Failure(kind, kModuleError, prefix + "failed");
    throw Failure(kind, diagnostics.error->number,
                  prefix + LibraryText(diagnostics.error->message));
}

std::string LibraryText(const std::string& bytes) {
    return twfile::json::ForeignText(bytes);
}

void DefineErrors(py::module_& module) {
    py::dict space;
    space["__name__"] = "twfile";
    py::exec(kErrorClasses, space);
    Classes& classes = Defined();
    classes.error = space["Error"];
    classes.inUse = space["InUseError"];
    classes.sql = space["SqlError"];
    module.attr("Error") = classes.error;
    module.attr("InUseError") = classes.inUse;
    module.attr("SqlError") = classes.sql;

    py::register_exception_translator([](std::exception_ptr thrown) {
        try {
            if (thrown) std::rethrow_exception(thrown);
        } catch (const Failure& failure) {
            const Classes& c = Defined();
            const py::object& type = failure.kind() == Failure::Kind::InUse ? c.inUse
                                     : failure.kind() == Failure::Kind::Sql ? c.sql
                                                                            : c.error;
            py::object line = py::none();
            py::object byte = py::none();
            if (failure.at()) {
                line = py::int_(failure.at()->line);
                byte = py::int_(failure.at()->byte);
            }
            const std::string text = failure.what();
            py::object message = py::reinterpret_steal<py::object>(
                PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "replace"));
            py::object error = type(failure.number(), message, line, byte);
            PyErr_SetObject(type.ptr(), error.ptr());
        }
    });
}

}  // namespace twpy
