// Members the file cannot carry back unchanged, as check and import find
// them; and that what they find is exactly what a save and a read change.
#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <string>

#include <twfile/host/error.h>

#include "document_json.h"
#include "lossy_members.h"
#include "support/support.h"

namespace {

struct Case {
    const char* name;
    std::function<void(CTWFileQDF&)> set;
    const char* member;  // null: nothing is lossy
};

const Case kCases[] = {
    {"new document", [](CTWFileQDF&) {}, nullptr},
    {"list element with CR LF", [](CTWFileQDF& d) { d.AddTable(new CString("A\r\nB")); },
     "tables[0]"},
    {"empty list element",
     [](CTWFileQDF& d) {
         d.AddJoin(new CString("A.X = B.X"));
         d.AddJoin(new CString(""));
     },
     "joins[1]"},
    {"list element with a NUL", [](CTWFileQDF& d) { d.AddDefaultValue(new CString("a\0b", 3)); },
     "defaultValues[0]"},
    {"bare CR and LF in a list element are kept",
     [](CTWFileQDF& d) { d.AddCondition(new CString("A\rB\nC")); }, nullptr},
    {"one-line member with CR LF", [](CTWFileQDF& d) { d.m_strWindowPosition = "1,2\r\n3,4"; },
     "windowPosition"},
    {"printer string with CR LF", [](CTWFileQDF& d) { d.m_strPrinterProperty4 = "x\r\n"; },
     "printer.strings[3]"},
    {"colour with CR LF", [](CTWFileQDF& d) { d.m_strTextColour = "0\r\n0"; },
     "display.textColour"},
    {"one-line member that is a closing brace", [](CTWFileQDF& d) { d.m_strDatabase = "}"; },
     nullptr},
    {"edited SQL line that is a closing brace",
     [](CTWFileQDF& d) { d.m_strEditedSQL = "SELECT *\r\n}\r\nFROM T"; }, "editedSQL"},
    {"edited SQL that is a closing brace", [](CTWFileQDF& d) { d.m_strEditedSQL = "}"; },
     "editedSQL"},
    {"edited SQL with braces inside lines",
     [](CTWFileQDF& d) { d.m_strEditedSQL = "{fn NOW()}\r\n }\r\n}x\r\n"; }, nullptr},
    {"edited SQL with a NUL", [](CTWFileQDF& d) { d.m_strEditedSQL = CString("a\0", 2); },
     "editedSQL"},
};

// The members in their JSON form.
nlohmann::ordered_json Members(const CTWFileQDF& doc) {
    nlohmann::ordered_json json =
        qdf::DocumentToJson(doc, "", qdf::LoadReport{}, qdf::Encoding::Windows1252);
    json.erase("sectionsRead");
    return json;
}

class LossyMembers : public ::testing::TestWithParam<Case> {};

TEST_P(LossyMembers, FindsExactlyWhatASaveAndAReadChange) {
    const Case& c = GetParam();
    CTWFileQDF doc;
    c.set(doc);
    const auto found = qdf::FindLossyMembers(doc);
    if (c.member == nullptr) {
        EXPECT_TRUE(found.empty()) << found.front().member;
    } else {
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(found.front().member, c.member);
        EXPECT_FALSE(found.front().reason.empty());
    }

    // Saved and read back, the members come back the same exactly when
    // nothing was found.
    twtest::TempDir dir;
    const std::string path = dir.File("doc.qdf");
    ASSERT_GE(doc.SaveAs(path.c_str()), 0);
    doc.Close();
    CTWFileQDF read;
    read.Open(path.c_str(), 1);
    CTWError::Clear();
    EXPECT_EQ(Members(read) == Members(doc), c.member == nullptr) << Members(read).dump();
}

INSTANTIATE_TEST_SUITE_P(Members, LossyMembers, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             std::string name;
                             for (const char ch : std::string(info.param.name)) {
                                 name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
                             }
                             return name;
                         });

}  // namespace
