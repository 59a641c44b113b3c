// The document as JSON, and a document from JSON.
//
// The shape, keys in this order and every key always present:
//   {"file", "database", "tables", "attributes", "nonDisplayAttributes",
//    "conditions", "joins", "defaultValues",
//    "flags": {"editedSQL", "activeQuery", "readOnly", "selectionByRow",
//              "autoRunWithoutConditions"},
//    "windowPosition", "editedSQL", "customDataString",
//    "time": {"zone", "text"},
//    "display": {"property1", "backgroundColour", "textColour", "property2"},
//    "printer": {"strings": [8 texts], "property1", "property2"},
//    "dynamicSort": {"text", "sort1", "sort2", "sort3"},
//    "sectionsRead": {"HEADER": bool, ... the fourteen sections},
//    "statusReport",
//    "error": null or {"number", "message", "line", "byte"}}
// (line and byte tell where the read stopped; they are missing when the
// error came from elsewhere).
// Texts are the members' bytes in the chosen encoding; integers are numbers;
// flags are booleans.
#ifndef QDF_DOCUMENT_JSON_H
#define QDF_DOCUMENT_JSON_H

#include <istream>
#include <string>
#include <string_view>

#include <twfile/query/members.h>
#include <twfile/query/qdf.h>
#include <nlohmann/json.hpp>

#include "encoding.h"
#include "loading.h"
#include "json_text.h"

namespace qdf {

// Texts of the library itself (messages, file names) as they are when they
// are UTF-8, else read as Windows-1252.
std::string ForeignText(std::string_view bytes);

// doc, read from file with report, in the shape above. A text that is not
// valid in the encoding raises a Failure naming its member.
nlohmann::ordered_json DocumentToJson(const CTWFileQDF& doc, const std::string& file,
                                      const LoadReport& report, Encoding encoding);

// Raises the Failure that DocumentToJson raises when a text of doc is not
// valid in the encoding.
void CheckDecodable(const CTWFileQDF& doc, Encoding encoding);

// The same JSON written straight to text, member by member, as dump() would
// lay out DocumentToJson's value. Every text must decode: CheckDecodable
// first.
void WriteDocumentJson(JsonText& text, const CTWFileQDF& doc, const std::string& file,
                       const LoadReport& report, Encoding encoding);

// The value of one member of doc as the JSON form holds it (a list as an
// array of its texts).
nlohmann::ordered_json MemberToJson(const CTWFileQDF& doc, const twfile::query::Member& member,
                                    Encoding encoding);

// Sets one member of doc to value, checked as ApplyJson checks it.
void ApplyMember(const nlohmann::ordered_json& value, const twfile::query::Member& member,
                 CTWFileQDF& doc, Encoding encoding);

// Sets the members of doc that json names; the others keep their values. A
// list replaces the document's list. "file", "sectionsRead", "statusReport"
// and "error" are ignored. Anything else that does not fit the shape (an
// unknown key, a value of the wrong type, an integer outside 32 bits, a
// printer string list that does not hold exactly 8 texts, a text that the
// encoding cannot hold) raises a Failure that names the member by its path,
// e.g. "printer.strings[3]".
void ApplyJson(const nlohmann::ordered_json& json, CTWFileQDF& doc, Encoding encoding);

// Reads the JSON text of in into doc as ApplyJson applies a value, as it is
// parsed, without building the value. Text that is not JSON raises a
// Failure "not JSON: " and the parser's message; members read before a
// failure keep what they were given.
void ReadJson(std::istream& in, CTWFileQDF& doc, Encoding encoding);

}  // namespace qdf

#endif  // QDF_DOCUMENT_JSON_H
