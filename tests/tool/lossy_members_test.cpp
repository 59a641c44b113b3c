// Members the file cannot carry back unchanged, as check and import find
// them; and that what they find is exactly what a save and a read change.
#include <gtest/gtest.h>

#include <string>

#include <twfile/host/error.h>

#include "document_json.h"
#include "lossy_members.h"
#include "support/support.h"

namespace {

using Json = nlohmann::ordered_json;

// The members in their JSON form.
Json Members(const CTWFileQDF& doc) {
    Json json = qdf::DocumentToJson(doc, "", qdf::LoadReport{}, qdf::Encoding::Windows1252);
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
        qdf::ApplyJson(Json::parse(c.json), doc, qdf::Encoding::Windows1252);
        std::string found;
        for (const qdf::LossyMember& member : qdf::FindLossyMembers(doc))
            found += (found.empty() ? "" : " ") + member.member;
        EXPECT_EQ(found, c.member);

        // Saved and read back, the members come back the same exactly when
        // nothing was found.
        twtest::TempDir dir;
        const std::string path = dir.File("doc.qdf");
        ASSERT_GE(doc.SaveAs(path.c_str()), 0);
        doc.Close();
        CTWFileQDF read;
        read.Open(path.c_str(), 1);
        CTWError::Clear();
        EXPECT_EQ(Members(read) == Members(doc), found.empty()) << Members(read).dump();
    }
}

}  // namespace
