// The JSON form of a document: its shape, building a document from it, and
// the members the file cannot carry back unchanged (as check and import find
// them): exactly those a save and a read change.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>
#include <string>

#include <twfile/host/error.h>

#include <twfile/json/document_json.h>
#include <twfile/json/lossy_members.h>

#include "support/support.h"
#include "testing/fault_switch.h"

namespace {

using Json = nlohmann::ordered_json;
using twfile::json::Encoding;
using twfile::json::Error;
using twfile::json::ReadReport;

Json Export(const CTWFileQDF& doc) {
    return twfile::json::DocumentToJson(doc, ReadReport{"doc.qdf", "", std::nullopt},
                                        Encoding::Windows1252);
}

// The kind and message of the Error that reading text into doc raises.
std::pair<Error::Kind, std::string> ErrorOf(const std::string& text, CTWFileQDF& doc) {
    try {
        twfile::json::ReadJson(text, doc, Encoding::Windows1252);
    } catch (const Error& error) {
        return {error.kind(), error.what()};
    }
    return {Error::Kind::Invalid, "accepted"};
}

// The keys of object in order, those of an object inside it in braces.
std::string Keys(const Json& object) {
    std::string keys;
    for (const auto& item : object.items()) {
        keys += (keys.empty() ? "" : " ") + item.key();
        if (item.value().is_object()) keys += "{" + Keys(item.value()) + "}";
    }
    return keys;
}

TEST(DocumentJson, HasEveryKeyInOrderAndShowsWhatWasRead) {
    CTWFileQDF doc;
    doc.Open((std::string(TWFILE_SOURCE_DIR) + "/examples/damaged.qdf").c_str(), 0);
    const ReadReport report{
        "damaged.qdf", "",
        ReadReport::Stop{CTWError::GetNumber(), CTWError::GetMessage(), {{33, 454}}}};
    CTWError::Clear();
    const Json json = twfile::json::DocumentToJson(doc, report, Encoding::Windows1252);
    EXPECT_EQ(Keys(json),
              "file database tables attributes nonDisplayAttributes conditions joins defaultValues "
              "flags{editedSQL activeQuery readOnly selectionByRow autoRunWithoutConditions} "
              "windowPosition editedSQL customDataString time{zone text} "
              "display{property1 backgroundColour textColour property2} "
              "printer{strings property1 property2} dynamicSort{text sort1 sort2 sort3} "
              "sectionsRead{HEADER DATABASE TABLES ATTRIBUTES CONDITIONS JOINS FLAGS "
              "WINDOW-POSITION EDITED-SQL CUSTOM-DATA-STRING DEFAULT-VALUES "
              "NON-DISPLAY-ATTRIBUTES TIME DISPLAY-PROPERTIES} statusReport error{number message "
              "line byte}");
    EXPECT_EQ(json["printer"]["strings"].size(), 8u);
    EXPECT_TRUE(json["flags"]["readOnly"].is_boolean());
    EXPECT_EQ(json["sectionsRead"]["CONDITIONS"], false);
    EXPECT_TRUE(Export(doc)["error"].is_null());
}

// Import starts from a new document: missing keys keep its values, lists
// replace its lists, and what reading reports is ignored.
TEST(DocumentJson, ImportStartsFromANewDocument) {
    const CTWFileQDF fresh;
    CTWFileQDF doc;
    doc.AddTable(new CString("OLD"));
    twfile::json::ApplyJson(Json::parse(R"({"tables": ["A", "B"], "flags": {"readOnly": true},
        "time": {"text": "UTC"}, "display": {"property1": -2147483648, "property2": 2147483647},
        "file": 5, "sectionsRead": "x", "statusReport": [], "error": {"number": -1}})"),
                            doc, Encoding::Windows1252);
    Json expected = Export(fresh);
    expected["tables"] = Json::parse(R"(["A", "B"])");
    expected["flags"]["readOnly"] = true;
    expected["time"]["text"] = "UTC";
    expected["display"]["property1"] = INT32_MIN;
    expected["display"]["property2"] = INT32_MAX;
    EXPECT_EQ(Export(doc), expected);
}

// JSON that does not fit the shape is an error naming the member by its
// path, and the document is left as it was up to that member.
TEST(DocumentJson, ImportNamesTheMemberThatDoesNotFit) {
    const std::pair<const char*, const char*> cases[] = {
        {R"([])", "the document: must be an object"},
        {R"({"database": 5})", "database: must be a string"},
        {R"({"tables": "ORDERS"})", "tables: must be an array of strings"},
        {R"({"tables": ["A", 7]})", "tables[1]: must be a string"},
        {R"({"flags": {"readOnly": 1}})", "flags.readOnly: must be true or false"},
        {R"({"flags": {"readonly": true}})", "flags.readonly: is not a known key"},
        {R"({"flags": []})", "flags: must be an object"},
        {R"({"time": {"zone": 1.5}})", "time.zone: must be an integer"},
        {R"({"display": {"property1": 2147483648}})", "display.property1: does not fit in 32 bits"},
        {R"({"display": {"property2": -2147483649}})",
         "display.property2: does not fit in 32 bits"},
        {R"({"printer": {"strings": ["a"]}})",
         "printer.strings: must be an array of exactly 8 strings"},
        {R"({"printer": {"strings": ["", "", "", "", "", "", "", 1]}})",
         "printer.strings[7]: must be a string"},
        {R"({"customDataString": "\u4e2d"})",
         "customDataString: the character U+4E2D has no windows-1252 byte"},
        // Read as it is parsed, the text still gives the error a walk of the
        // members in order meets first, and a key given twice counts with its
        // last value only.
        {R"({"tables": [1], "flags": {"readOnly": 1, "x": 0}, "bogus": 2})",
         "bogus: is not a known key"},
        {R"({"flags": {"readOnly": 1, "x": 0}, "tables": [1]})", "tables[0]: must be a string"},
        {R"({"printer": {"strings": [1, 2]}, "flags": {"x": 0}})", "flags.x: is not a known key"},
        {R"({"printer": {"strings": [1, 2, 3, 4, 5, 6, 7, 8, 9]}})",
         "printer.strings: must be an array of exactly 8 strings"},
        {R"({"database": 5, "time": {"zone": "x"}, "time": {"text": "t"}, "database": "ok",
             "joins": ["a", ["b"]], "joins": ["a"], "tables": ["a", "b", {"c": [1]}, 4]})",
         "tables[2]: must be a string"},
    };
    for (const auto& c : cases) {
        for (const bool stream : {false, true}) {
            CTWFileQDF doc;
            try {
                std::istringstream text(c.first);
                stream ? twfile::json::ReadJson(text, doc, Encoding::Windows1252)
                       : twfile::json::ApplyJson(Json::parse(c.first), doc, Encoding::Windows1252);
                ADD_FAILURE() << c.first << " was accepted";
            } catch (const Error& failure) {
                EXPECT_EQ(failure.kind(), Error::Kind::Invalid);
                EXPECT_STREQ(failure.what(), c.second) << (stream ? "read as a stream" : "");
            }
        }
    }
    // Text that is not JSON: the parser's message, with its place.
    CTWFileQDF doc;
    EXPECT_EQ(
        ErrorOf(R"({"database": "x")", doc)
            .second.rfind(
                "not JSON: [json.exception.parse_error.101] parse error at line 1, column 17", 0),
        0u);
}

// An unknown key names itself and the keys known in its place, for a caller
// to say which was meant; other errors name none.
TEST(DocumentJson, UnknownKeyCarriesTheKeysBesideIt) {
    struct Case {
        const char* json;
        const char* key;
        const char* known;  // one of the known keys
        const char* notKnown;
    } cases[] = {
        {R"({"databse": ""})", "databse", "database", "flags.readOnly"},
        {R"({"flags": {"readonly": true}})", "flags.readonly", "flags.readOnly", "database"},
        {R"({"printer": {"strngs": []}})", "printer.strngs", "printer.strings", "strings"},
        {R"({"database": 5})", "", "", ""},
    };
    for (const Case& c : cases) {
        CTWFileQDF doc;
        try {
            twfile::json::ApplyJson(Json::parse(c.json), doc, Encoding::Windows1252);
            ADD_FAILURE() << c.json << " was accepted";
        } catch (const Error& failure) {
            EXPECT_EQ(failure.unknownKey(), c.key) << c.json;
            const auto& known = failure.knownKeys();
            EXPECT_EQ(*c.known == '\0', known.empty()) << c.json;
            if (*c.known == '\0') continue;
            EXPECT_NE(std::find(known.begin(), known.end(), c.known), known.end()) << c.json;
            EXPECT_EQ(std::find(known.begin(), known.end(), c.notKnown), known.end()) << c.json;
            EXPECT_EQ(std::set<std::string>(known.begin(), known.end()).size(), known.size());
        }
    }
}

// A list that cannot grow: refused with the document's error, none left pending.
TEST(DocumentJson, ListThatCannotGrowIsRefusedNamingTheElement) {
    CTWFileQDF doc;
    const win32::fault::ScopedDisarm disarm;
    win32::fault::Arm(win32::fault::Kind::ListNode, 1);
    const auto error = ErrorOf(R"({"database": "D", "tables": ["A"]})", doc);
    EXPECT_EQ(error.first, Error::Kind::Refused);
    EXPECT_EQ(error.second.rfind("tables[0]: error ", 0), 0u) << error.second;
    EXPECT_EQ(CTWError::GetNumber(), 0);
    EXPECT_STREQ(doc.m_strDatabase.GetString(), "D");  // what was read before stays
}

// Export writes the JSON text as it walks the document: the very bytes that
// dump() gives of the tree, controls, quotation marks, backslashes and
// Windows-1252 bytes above 0x7F included.
TEST(DocumentJson, WrittenAsItIsWalkedItIsTheTreesDump) {
    CTWFileQDF doc;
    twfile::json::ApplyJson(Json::parse(R"({"database": "caf\u00e9 \"q\" \\ \u007f \u20ac",
        "tables": ["\t\u0001\u001f\b\f/", "\u0152\u00ff"], "conditions": [],
        "editedSQL": "A\r\nB", "printer": {"strings": ["", "\n", "", "", "", "", "", "x"]}})"),
                            doc, Encoding::Windows1252);
    const ReadReport report{"d\xe9.qdf", "r\x01", ReadReport::Stop{-1, "m\xe9", std::nullopt}};
    const Json tree = twfile::json::DocumentToJson(doc, report, Encoding::Windows1252);
    for (const bool compact : {false, true}) {
        std::ostringstream text;
        twfile::json::WriteDocument(text, doc, report, {Encoding::Windows1252, compact});
        EXPECT_EQ(text.str(), (compact ? tree.dump() : tree.dump(2)) + "\n");
    }
    // With UTF-8, bytes that are not UTF-8 are refused before anything is
    // written.
    std::ostringstream text;
    EXPECT_THROW(twfile::json::WriteDocument(text, doc, report, {Encoding::Utf8, false}), Error);
    EXPECT_EQ(text.str(), "");
}

// The members in their JSON form.
Json Members(const CTWFileQDF& doc) {
    Json json = Export(doc);
    json.erase("sectionsRead");
    return json;
}

TEST(LossyMembers, FindsExactlyWhatASaveAndAReadChange) {
    const struct {
        const char* json;
        const char* member;  // empty: nothing is lossy
    } cases[] = {
        {R"({})", ""},
        {R"({"tables": ["A\r\nB"]})", "tables[0]"},  // list element with CR LF
        {R"({"joins": ["A.X = B.X", ""]})", "joins[1]"},
        {R"({"defaultValues": ["a\u0000b"]})", "defaultValues[0]"},
        {R"({"conditions": ["A\rB\nC"]})", ""},                     // bare CR and LF are kept
        {R"({"windowPosition": "1,2\r\n3,4"})", "windowPosition"},  // one-line member with CR LF
        {R"({"printer": {"strings": ["", "", "", "x\r\n", "", "", "", ""]}})",
         "printer.strings[3]"},
        {R"({"database": "}"})", ""},
        {R"({"editedSQL": "SELECT *\r\n}\r\nFROM T"})", "editedSQL"},  // a line that is "}"
        {R"({"editedSQL": "{fn NOW()}\r\n }\r\n}x\r\n"})", ""},
        {R"({"editedSQL": "a\u0000"})", "editedSQL"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        CTWFileQDF doc;
        twfile::json::ApplyJson(Json::parse(c.json), doc, Encoding::Windows1252);
        std::string found;
        for (const twfile::json::LossyMember& member : twfile::json::FindLossyMembers(doc))
            found += (found.empty() ? "" : " ") + member.member;
        EXPECT_EQ(found, c.member);
        // A read that refuses what a save would change refuses exactly these.
        CTWFileQDF strict;
        twfile::json::ReadOptions strictly;
        strictly.refuseLossy = true;
        std::string refused;
        try {
            twfile::json::ReadJson(std::string_view(c.json), strict, strictly);
        } catch (const twfile::json::Error& error) {
            EXPECT_EQ(error.kind(), twfile::json::Error::Kind::Lossy);
            refused = error.what();
        }
        EXPECT_EQ(refused.find(c.member) != std::string::npos && *c.member, !found.empty())
            << refused;

        // Saved and read back, the members come back the same exactly when
        // nothing was found; a save refuses a text that would end its line
        // or section early, and writes nothing.
        twtest::TempDir dir;
        const std::string path = dir.File("doc.qdf");
        if (doc.SaveAs(path.c_str()) < 0) {
            EXPECT_EQ(CTWError::GetNumber(), ID_TWErrors_InvalidParam);
            EXPECT_FALSE(found.empty());
            CTWError::Clear();
            EXPECT_FALSE(twtest::Exists(path));
            continue;
        }
        doc.Close();
        CTWFileQDF read;
        read.Open(path.c_str(), 1);
        CTWError::Clear();
        EXPECT_EQ(Members(read) == Members(doc), found.empty()) << Members(read).dump();
    }
}

}  // namespace
