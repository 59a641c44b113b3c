// The document as JSON, and a document from JSON: the JSON form of a query
// definition document.
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
//
// Every function here raises twfile::json::Error (error.h) on failure; the
// message names the member by its path, e.g. "printer.strings[3]: must be a
// string". A document that could not take a value raises Error::Kind::Refused;
// everything else is Error::Kind::Invalid.
#ifndef TWFILE_JSON_DOCUMENT_JSON_H
#define TWFILE_JSON_DOCUMENT_JSON_H

#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include <twfile/query/members.h>
#include <twfile/query/qdf.h>
#include <nlohmann/json.hpp>

#include <twfile/json/encoding.h>
#include <twfile/json/error.h>
#include <twfile/json/json_text.h>

namespace twfile::json {

// How the document was read, for "file", "statusReport" and "error".
struct ReadReport {
    // The name it was read from.
    std::string file;
    // The document's report of the sections not read (GetStatusString).
    std::string statusReport;
    // Where a read stopped: the line (from 1) and the byte offset (from 0).
    struct Position {
        long line = 0;
        long byte = 0;
    };
    // The error that stopped the read, if any.
    struct Stop {
        int number = 0;
        std::string message;
        std::optional<Position> at;
    };
    std::optional<Stop> error;
};

struct WriteOptions {
    Encoding encoding = Encoding::Windows1252;
    // One line without spaces instead of text indented by two spaces.
    bool compact = false;
};

// Texts of the library itself (messages, file names) as they are when they
// are UTF-8, else read as Windows-1252.
std::string ForeignText(std::string_view bytes);

// Writes doc in the shape above to out, member by member as it goes, and a
// line end after it. Every text is checked first: when one does not decode,
// nothing is written.
void WriteDocument(std::ostream& out, const CTWFileQDF& doc, const ReadReport& report,
                   const WriteOptions& options);

// doc in the shape above, as a tree.
nlohmann::ordered_json DocumentToJson(const CTWFileQDF& doc, const ReadReport& report,
                                      Encoding encoding);

// Raises the Error that DocumentToJson raises when a text of doc is not
// valid in the encoding.
void CheckDecodable(const CTWFileQDF& doc, Encoding encoding);

// The JSON of doc written to text as one value, for a caller that puts it
// inside a text of its own (WriteDocument is this in a text of its own).
// Every text must decode: CheckDecodable first.
void WriteDocumentJson(JsonText& text, const CTWFileQDF& doc, const ReadReport& report,
                       Encoding encoding);

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
// encoding cannot hold) raises an Error that names the member by its path,
// e.g. "printer.strings[3]".
void ApplyJson(const nlohmann::ordered_json& json, CTWFileQDF& doc, Encoding encoding);

// Reads the JSON text of in (or text) into doc as ApplyJson applies a
// value, as it is parsed, without building the value. Text that is not JSON
// raises an Error "not JSON: " and the parser's message, which tells the
// line and column; members read before a failure keep what they were given.
void ReadJson(std::istream& in, CTWFileQDF& doc, Encoding encoding);
void ReadJson(std::string_view text, CTWFileQDF& doc, Encoding encoding);

class StreamReader;

// A JSON value given as the events of its parse, read into a document as
// ReadJson reads text, for a caller that holds the value in a form of its
// own. Texts are UTF-8. Finish raises the Error that ReadJson would raise
// for the same value; until then, errors are only recorded.
class JsonEvents {
  public:
    JsonEvents(CTWFileQDF& doc, Encoding encoding);
    ~JsonEvents();
    JsonEvents(const JsonEvents&) = delete;
    JsonEvents& operator=(const JsonEvents&) = delete;

    void StartObject();
    void EndObject();
    void StartArray();
    void EndArray();
    void Key(std::string_view key);
    void Text(std::string_view text);
    void Integer(std::int64_t number);
    void Flag(bool value);
    // Never a value of the form: refused where a value is read.
    void Float(double number);
    void Null();
    void Finish();

  private:
    std::unique_ptr<StreamReader> m_reader;
};

struct ReadOptions {
    Encoding encoding = Encoding::Windows1252;
    // Refuses a document that then holds members a saved file cannot carry
    // back unchanged (lossy_members.h): an Error of kind Lossy that names
    // each, "tables[2]: <why>; ...". The document keeps what was read.
    bool refuseLossy = false;
};
void ReadJson(std::istream& in, CTWFileQDF& doc, const ReadOptions& options);
void ReadJson(std::string_view text, CTWFileQDF& doc, const ReadOptions& options);

}  // namespace twfile::json

#endif  // TWFILE_JSON_DOCUMENT_JSON_H
