// Documents read from their files and saved to them, as the module's load,
// save and Document do it: with Python's lock released while the files are
// read and written, and every report of the library taken.
#ifndef TWFILE_PYTHON_FILES_H
#define TWFILE_PYTHON_FILES_H

#include <string>

#include <pybind11/pybind11.h>

#include <twfile/json/document_json.h>
#include <twfile/query/qdf.h>

namespace twpy {

namespace py = pybind11;
namespace json = twfile::json;

enum class Access { Read, Update };

// Opens path (its bytes) into doc, a document fresh from its constructor, and
// reads it; with Access::Read the file is closed again, with Access::Update
// it stays open, held against other writers. Raises InUseError when another
// writer holds it, Error when it cannot be opened or is not a document, and,
// when strict, when the read stopped at an error (with its line and byte).
// Call without Python's lock.
json::ReadReport ReadDocument(const std::string& path, CTWFileQDF& doc, Access access, bool strict);

// Refuses a document whose members a saved file cannot carry back unchanged,
// naming each, as qdf import does.
void RefuseLossy(const CTWFileQDF& doc);

// Saves doc as path and closes it (keep: leaves it open for more saves).
// Refuses a path that names something other than a regular file. Raises
// InUseError when another writer holds the file. Call without Python's lock.
void SaveDocumentAs(CTWFileQDF& doc, const std::string& path, bool keep);

// Saves doc, open for update, to its own file; it stays open.
void SaveDocument(CTWFileQDF& doc);

void DefineFiles(py::module_& module);

}  // namespace twpy

#endif  // TWFILE_PYTHON_FILES_H
