// The document's JSON form as Python objects, made directly from the
// document and back, without JSON text; texts and paths between Python and
// the library.
#ifndef TWFILE_PYTHON_CONVERT_H
#define TWFILE_PYTHON_CONVERT_H

#include <string>
#include <string_view>

#include <pybind11/pybind11.h>

#include <twfile/json/document_json.h>
#include <twfile/json/places.h>
#include <twfile/query/members.h>
#include <twfile/query/qdf.h>

namespace twpy {

namespace py = pybind11;
namespace json = twfile::json;

// How texts are given to Python: decoded with encoding, or as bytes.
struct TextForm {
    json::Encoding encoding = json::Encoding::Windows1252;
    bool raw = false;
};

// "cp1252" (also "windows-1252") or "utf-8" (also "utf8"), in any case.
json::Encoding EncodingNamed(const std::string& name);
TextForm TextFormOf(const std::string& encoding, bool raw);

// The bytes of a member as str (or bytes when raw). A text that is not valid
// in the encoding raises the Error that names member and offset.
py::object TextObject(std::string_view bytes, const TextForm& form, std::string_view member);

// A str or bytes as UTF-8 text: bytes are read in the encoding first, so
// that a raw text goes back to the same bytes.
std::string Utf8Of(py::handle value, json::Encoding encoding, const std::string& member);

// A path given as str, bytes or os.PathLike: its bytes, as the system names
// the file.
std::string PathBytes(py::handle path);

// The value of one member as the form holds it (a list as a list of texts).
py::object MemberObject(const CTWFileQDF& doc, const twfile::query::Member& member,
                        const TextForm& form);

// doc in the shape of the JSON form, as a dict.
py::dict DocumentObject(const CTWFileQDF& doc, const json::ReadReport& report,
                        const TextForm& form);
// The same, emptying doc's lists as it goes: the memory of each goes back
// before the next is made.
py::dict ConsumeDocument(CTWFileQDF& doc, const json::ReadReport& report, const TextForm& form);

// A Python value (dict, list, tuple, str, bytes, int, float, bool, None) as
// JSON; bytes become text as Utf8Of makes it. Anything else raises
// TypeError naming its place.
nlohmann::ordered_json JsonOf(py::handle value, json::Encoding encoding, const std::string& place);

// Sets the members of doc that the Python form names, checked and refused
// as qdf import checks and refuses them (twfile.Error), without the tree
// JsonOf makes.
void ApplyForm(py::handle form, CTWFileQDF& doc, json::Encoding encoding);

// Raises a json::Error as twfile.Error, with the key that was most likely
// meant when it names an unknown key.
[[noreturn]] void FailWithJsonError(const json::Error& error, const std::string& context);

}  // namespace twpy

#endif  // TWFILE_PYTHON_CONVERT_H
