// twfile.Document and the views it gives of its members.
#ifndef TWFILE_PYTHON_DOCUMENT_H
#define TWFILE_PYTHON_DOCUMENT_H

#include <pybind11/pybind11.h>

#include <twfile/json/encoding.h>
#include <twfile/query/qdf.h>
#include <twfile/sql/query_source.h>

namespace twpy {

namespace py = pybind11;
namespace json = twfile::json;

void DefineDocument(py::module_& module);

// The query of object: a twfile.Document, a dict of the JSON form or the
// path of a document (read as load reads it); its texts are bytes in
// textEncoding: the Document's own, else the one named by encoding.
twfile::sql::QuerySource QueryOf(py::handle object, const std::string& encoding,
                                 json::Encoding& textEncoding);

}  // namespace twpy

#endif  // TWFILE_PYTHON_DOCUMENT_H
