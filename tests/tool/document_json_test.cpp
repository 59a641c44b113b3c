// The JSON form of a document: its shape, and building a document from it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <twfile/host/error.h>

#include "document_json.h"
#include "exit_status.h"
#include "support/support.h"
#include "tool_support.h"

namespace {

using Json = nlohmann::ordered_json;
using qdf::Encoding;

Json Export(const CTWFileQDF& doc, Encoding encoding = Encoding::Windows1252) {
    return qdf::DocumentToJson(doc, "doc.qdf", qdf::LoadReport{}, encoding);
}

std::vector<std::string> Keys(const Json& object) {
    std::vector<std::string> keys;
    for (const auto& item : object.items())
        keys.push_back(item.key());
    return keys;
}

std::string Text(const CString& text) {
    return {text.GetString(), static_cast<std::size_t>(text.GetLength())};
}

TEST(DocumentJson, HasEveryKeyInOrder) {
    CTWFileQDF doc;
    const Json json = Export(doc);
    EXPECT_EQ(Keys(json), (std::vector<std::string>{
                              "file", "database", "tables", "attributes", "nonDisplayAttributes",
                              "conditions", "joins", "defaultValues", "flags", "windowPosition",
                              "editedSQL", "customDataString", "time", "display", "printer",
                              "dynamicSort", "sectionsRead", "statusReport", "error"}));
    EXPECT_EQ(Keys(json["flags"]),
              (std::vector<std::string>{"editedSQL", "activeQuery", "readOnly", "selectionByRow",
                                        "autoRunWithoutConditions"}));
    EXPECT_EQ(Keys(json["time"]), (std::vector<std::string>{"zone", "text"}));
    EXPECT_EQ(Keys(json["display"]), (std::vector<std::string>{"property1", "backgroundColour",
                                                               "textColour", "property2"}));
    EXPECT_EQ(Keys(json["printer"]),
              (std::vector<std::string>{"strings", "property1", "property2"}));
    EXPECT_EQ(json["printer"]["strings"].size(), 8u);
    EXPECT_EQ(Keys(json["dynamicSort"]),
              (std::vector<std::string>{"text", "sort1", "sort2", "sort3"}));
    EXPECT_EQ(Keys(json["sectionsRead"]),
              (std::vector<std::string>{"HEADER", "DATABASE", "TABLES", "ATTRIBUTES", "CONDITIONS",
                                        "JOINS", "FLAGS", "WINDOW-POSITION", "EDITED-SQL",
                                        "CUSTOM-DATA-STRING", "DEFAULT-VALUES",
                                        "NON-DISPLAY-ATTRIBUTES", "TIME", "DISPLAY-PROPERTIES"}));
    EXPECT_TRUE(json["error"].is_null());
    EXPECT_TRUE(json["flags"]["readOnly"].is_boolean());
    EXPECT_EQ(json["time"]["zone"], 1);
}

TEST(DocumentJson, ShowsWhatWasReadAndTheError) {
    CTWFileQDF doc;
    twtest::CaptureMessages();
    const qdf::LoadReport report = qdf::LoadDocument(twtest::Example("damaged.qdf"), doc);
    const Json json = qdf::DocumentToJson(doc, "damaged.qdf", report, Encoding::Windows1252);
    EXPECT_EQ(json["database"], "SALES");
    EXPECT_EQ(json["tables"].size(), 3u);
    EXPECT_EQ(json["sectionsRead"]["TABLES"], true);
    EXPECT_EQ(json["sectionsRead"]["CONDITIONS"], false);
    EXPECT_EQ(json["error"]["number"], -1);
    EXPECT_EQ(json["error"]["message"], "Unexpected end-of-file found in Query Definition file");
    EXPECT_NE(json["statusReport"].get<std::string>().find("CONDITIONS\r\n"), std::string::npos);
    EXPECT_EQ(CTWError::GetNumber(), 0);  // the tool leaves the error service clear
}

TEST(DocumentJson, MissingKeysKeepTheValuesOfANewDocument) {
    CTWFileQDF fresh;
    CTWFileQDF doc;
    qdf::ApplyJson(Json::object(), doc, Encoding::Windows1252);
    EXPECT_EQ(Export(doc), Export(fresh));

    qdf::ApplyJson(Json::parse(R"({"flags": {"readOnly": true}, "time": {"text": "UTC"},
                                   "printer": {"property2": -7}})"),
                   doc, Encoding::Windows1252);
    Json expected = Export(fresh);
    expected["flags"]["readOnly"] = true;
    expected["time"]["text"] = "UTC";
    expected["printer"]["property2"] = -7;
    EXPECT_EQ(Export(doc), expected);
}

TEST(DocumentJson, IgnoresWhatReadingReports) {
    CTWFileQDF doc;
    qdf::ApplyJson(Json::parse(R"({"file": 5, "sectionsRead": "x", "statusReport": [],
                                   "error": {"number": -1, "message": "m"}})"),
                   doc, Encoding::Windows1252);
    CTWFileQDF fresh;
    EXPECT_EQ(Export(doc), Export(fresh));
}

TEST(DocumentJson, ListsReplaceTheDocumentsLists) {
    CTWFileQDF doc;
    doc.AddTable(new CString("OLD"));
    qdf::ApplyJson(Json::parse(R"({"tables": ["A", "B"], "joins": ["A.X = B.X"]})"), doc,
                   Encoding::Windows1252);
    EXPECT_EQ(Export(doc)["tables"], Json::parse(R"(["A", "B"])"));
    EXPECT_EQ(Export(doc)["joins"], Json::parse(R"(["A.X = B.X"])"));
}

TEST(DocumentJson, EveryByteOfEveryTextComesBack) {
    // Each member holds a different part of the 256 bytes (NUL aside, which
    // the file cannot hold); CR and LF stand apart so as not to form a line
    // end.
    std::string bytes;
    for (int b = 1; b < 256; ++b)
        bytes += static_cast<char>(b);
    CTWFileQDF doc;
    doc.m_strDatabase = CString(bytes.data(), static_cast<int>(bytes.size()));
    doc.m_strEditedSQL = CString(bytes.data() + 100, 50);
    doc.AddCondition(new CString(bytes.data() + 120, 100));
    doc.m_strPrinterProperty8 = CString(bytes.data() + 200, 55);

    const Json json = Export(doc);
    CTWFileQDF copy;
    qdf::ApplyJson(Json::parse(json.dump()), copy, Encoding::Windows1252);
    EXPECT_EQ(Text(copy.m_strDatabase), bytes);
    EXPECT_EQ(Text(copy.m_strEditedSQL), bytes.substr(100, 50));
    EXPECT_EQ(Text(*static_cast<CString*>(copy.m_pConditionList->GetHead())),
              bytes.substr(120, 100));
    EXPECT_EQ(Text(copy.m_strPrinterProperty8), bytes.substr(200, 55));
    EXPECT_EQ(Export(copy), json);
}

TEST(DocumentJson, Utf8ReadsAndWritesTheBytesAsTheyAre) {
    CTWFileQDF doc;
    qdf::ApplyJson(Json::parse(R"({"database": "Z\u00fcrich \u20ac"})"), doc, Encoding::Utf8);
    EXPECT_EQ(Text(doc.m_strDatabase), "Z\xC3\xBCrich \xE2\x82\xAC");
    qdf::ApplyJson(Json::parse(R"({"database": "Z\u00fcrich \u20ac"})"), doc,
                   Encoding::Windows1252);
    EXPECT_EQ(Text(doc.m_strDatabase), "Z\xFCrich \x80");
    EXPECT_THROW(Export(doc, Encoding::Utf8), qdf::Failure);
}

TEST(DocumentJson, RefusesWhatDoesNotFitTheShape) {
    struct Case {
        const char* json;
        const char* member;
    };
    const Case cases[] = {
        {R"([])", "the document"},
        {R"({"tabels": []})", "tabels"},
        {R"({"database": 5})", "database"},
        {R"({"tables": "ORDERS"})", "tables"},
        {R"({"tables": ["A", 7]})", "tables[1]"},
        {R"({"flags": {"readOnly": 1}})", "flags.readOnly"},
        {R"({"flags": {"readonly": true}})", "flags.readonly"},
        {R"({"flags": []})", "flags"},
        {R"({"time": {"zone": 1.5}})", "time.zone"},
        {R"({"time": {"zone": "1"}})", "time.zone"},
        {R"({"display": {"property1": 2147483648}})", "display.property1"},
        {R"({"display": {"property2": -2147483649}})", "display.property2"},
        {R"({"printer": {"strings": ["a"]}})", "printer.strings"},
        {R"({"printer": {"strings": ["", "", "", "", "", "", "", 1]}})", "printer.strings[7]"},
        {R"({"dynamicSort": {"sort4": 1}})", "dynamicSort.sort4"},
        {R"({"customDataString": "\u4e2d"})", "customDataString"},
    };
    for (const Case& c : cases) {
        CTWFileQDF doc;
        try {
            qdf::ApplyJson(Json::parse(c.json), doc, Encoding::Windows1252);
            ADD_FAILURE() << "accepted " << c.json;
        } catch (const qdf::Failure& failure) {
            EXPECT_EQ(std::string(failure.what()).rfind(std::string(c.member) + ": ", 0), 0u)
                << c.json << " -> " << failure.what();
            EXPECT_EQ(failure.status(), qdf::kExitUsage);
        }
    }
}

TEST(DocumentJson, IntegersAtTheEdgesOf32Bits) {
    CTWFileQDF doc;
    qdf::ApplyJson(
        Json::parse(R"({"display": {"property1": -2147483648, "property2": 2147483647}})"), doc,
        Encoding::Windows1252);
    EXPECT_EQ(doc.m_nDisplayProperty1, INT32_MIN);
    EXPECT_EQ(doc.m_nDisplayProperty2, INT32_MAX);
}

}  // namespace
