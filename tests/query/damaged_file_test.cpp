// Damaged files: missing, extra, misnamed and unaccepted sections, lists
// without their empty line, files that end early and lines too long for a
// framing line. Reading is positional, so each case gives a known pattern
// of sections read; nothing crashes and nothing is read beyond the file.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include <twfile/host/error.h>
#include <twfile/query/qdf.h>

#include "qdf_support.h"

namespace qdftest {
namespace {

using Document = CTWFileQDF;
using LineList = std::vector<std::string>;

constexpr char kEof[] = "Unexpected end-of-file found in Query Definition file";
constexpr char kTooLong[] = "Error - target too small for read operation";

FileText Without(int index) {
    FileText sections = SampleSections();
    sections.erase(sections.begin() + index);
    return sections;
}

FileText With(int index, const SectionText& section) {
    FileText sections = SampleSections();
    sections[static_cast<std::size_t>(index)] = section;
    return sections;
}

FileText WithStart(int index, const std::string& start) {
    FileText sections = SampleSections();
    sections[static_cast<std::size_t>(index)].start = start;
    return sections;
}

FileText Inserted(int index, const SectionText& section) {
    FileText sections = SampleSections();
    sections.insert(sections.begin() + index, section);
    return sections;
}

// The first count sections, then the given lines (each ended by CR LF).
std::string Cut(int count, const LineList& lines) {
    const FileText sample = SampleSections();
    return Render(FileText(sample.begin(), sample.begin() + count)) + Lines(lines);
}

const SectionText kExtra = {"EXTRA 1.0", {"x"}};

struct Case {
    const char* what;
    std::string bytes;
    std::string indicators;
    const char* error;  // the raised text, or null when the open succeeds
    std::function<void(const Document&)> check;
};

// Members set before each open, so that kept and changed values show.
void SetOldValues(Document& doc) {
    doc.m_strDatabase = "old";
    Fill(doc.m_pDefaultValuesList, {"old"});
    Fill(doc.m_pAttributeNonDisplayList, {"old"});
    doc.m_strEditedSQL = "old";
    doc.m_strCustomDataString = "old";
    doc.m_strTimeZone = "old";
    doc.m_nTimeZone = 99;
    doc.m_strPrinterProperty3 = "old";
    doc.m_strPrinterProperty5 = "old";
    doc.m_strDynamicSort = "old";
    doc.m_nDynamicSort1 = 99;
}

std::vector<Case> PositionalCases() {
    const auto timeReset = [](const Document& d) {
        EXPECT_EQ(d.m_nTimeZone, 0);
        EXPECT_EQ(d.m_strTimeZone, "");
    };
    const auto defaultsEmptied = [](const Document& d) {
        EXPECT_TRUE(d.m_pDefaultValuesList->IsEmpty());
        EXPECT_EQ(d.m_strCustomDataString, "");
    };
    return {
        {"all sections present", Render(SampleSections()), kAllRead, nullptr, nullptr},
        {"text after the last section", Render(SampleSections()) + Lines({"HEADER 9.9", "{"}),
         kAllRead, nullptr, nullptr},
        {"empty file", "", "00000000000000", nullptr,
         [](const Document& d) { EXPECT_EQ(d.m_strDatabase, "old"); }},
        // Missing sections: a skipping reader consumes the next section, up
        // to the first reader without a skip, plus one more.
        {"missing DATABASE", Render(Without(1)), "10000000001111", nullptr,
         [](const Document& d) {
             EXPECT_EQ(d.m_strDatabase, "old");
             EXPECT_EQ(d.m_strEditedSQL, "old");
             EXPECT_EQ(d.m_strCustomDataString, "");
             EXPECT_EQ(Texts(d.m_pDefaultValuesList), (LineList{"old", "42"}));
         }},
        {"missing TABLES", Render(Without(2)), "11000000001111", nullptr,
         [](const Document& d) { EXPECT_TRUE(d.m_pTableList->IsEmpty()); }},
        {"missing EDITED-SQL", Render(Without(8)), "11111111001111", nullptr,
         [](const Document& d) {
             EXPECT_EQ(d.m_strEditedSQL, "old");
             EXPECT_EQ(d.m_strCustomDataString, "");
         }},
        {"missing CUSTOM-DATA-STRING", Render(Without(9)), "11111111100011", nullptr,
         [&](const Document& d) {
             defaultsEmptied(d);
             EXPECT_EQ(Texts(d.m_pAttributeNonDisplayList), LineList{"old"});
             EXPECT_EQ(d.m_nTimeZone, 3);
         }},
        {"missing DEFAULT-VALUES", Render(Without(10)), "11111111110011", nullptr,
         [](const Document& d) { EXPECT_TRUE(d.m_pDefaultValuesList->IsEmpty()); }},
        {"missing NON-DISPLAY-ATTRIBUTES", Render(Without(11)), "11111111111000", nullptr,
         timeReset},
        {"missing TIME", Render(Without(12)), "11111111111100", nullptr,
         [&](const Document& d) {
             timeReset(d);
             EXPECT_EQ(d.m_nDisplayProperty1, 0);
             EXPECT_EQ(d.m_strDynamicSort, "old");
         }},
        {"missing DYNAMIC-SORT", Render(Without(15)), kAllRead, nullptr,
         [](const Document& d) { EXPECT_EQ(d.m_strDynamicSort, "old"); }},
        // Extra sections put every later reader one section behind.
        {"extra section before DATABASE", Render(Inserted(1, kExtra)), "10000000000000", nullptr,
         [&](const Document& d) {
             EXPECT_EQ(d.m_strDatabase, "old");
             defaultsEmptied(d);
             timeReset(d);
         }},
        {"extra section before DEFAULT-VALUES", Render(Inserted(10, kExtra)), "11111111110000",
         nullptr, timeReset},
        {"extra section before DYNAMIC-SORT", Render(Inserted(15, kExtra)), kAllRead, nullptr,
         [](const Document& d) { EXPECT_EQ(d.m_strDynamicSort, "old"); }},
        // Unaccepted versions and misspelled names of the two readers that do
        // not skip leave their body to the next reader.
        {"EDITED-SQL 2.0", Render(WithStart(8, "EDITED-SQL 2.0")), "11111111000000", nullptr,
         [&](const Document& d) {
             EXPECT_EQ(d.m_strEditedSQL, "old");
             defaultsEmptied(d);
             timeReset(d);
         }},
        {"EDITED_SQL misspelled", Render(WithStart(8, "EDITED_SQL 1.0")), "11111111000000", nullptr,
         defaultsEmptied},
        {"DEFAULT-VALUES 1.0", Render(WithStart(10, "DEFAULT-VALUES 1.0")), "11111111110000",
         nullptr,
         [&](const Document& d) {
             EXPECT_TRUE(d.m_pDefaultValuesList->IsEmpty());
             EXPECT_EQ(Texts(d.m_pAttributeNonDisplayList), LineList{"old"});
             timeReset(d);
         }},
        {"DEFAULT_VALUES misspelled", Render(WithStart(10, "DEFAULT_VALUES 2.0")), "11111111110000",
         nullptr, [](const Document& d) { EXPECT_TRUE(d.m_pDefaultValuesList->IsEmpty()); }},
        // A skipping reader loses only its own section.
        {"TABLE misspelled", Render(WithStart(2, "TABLE 1.0")), "11011111111111", nullptr,
         [](const Document& d) { EXPECT_TRUE(d.m_pTableList->IsEmpty()); }},
        {"bytes before HEADER", Render(WithStart(0, "\xEF\xBB\xBFHEADER 2.0")), "01111111111111",
         nullptr, nullptr},
        // Lists end at the first empty line anywhere.
        {"TABLES without its empty line", Render(With(2, {"TABLES 1.0", {"ORDERS", "CUSTOMERS"}})),
         "11100000001111", nullptr,
         [](const Document& d) {
             EXPECT_EQ(Texts(d.m_pTableList),
                       (LineList{"ORDERS", "CUSTOMERS", "}", "ATTRIBUTES 1.0", "{", "ORDERS.ID",
                                 "CUSTOMERS.NAME"}));
             EXPECT_TRUE(d.m_pAttributeList->IsEmpty());
         }},
        {"TABLES with lines after its empty line",
         Render(With(2, {"TABLES 1.0", {"ORDERS", "", "IGNORED"}})), kAllRead, nullptr,
         [](const Document& d) { EXPECT_EQ(Texts(d.m_pTableList), LineList{"ORDERS"}); }},
        {"HEADER with other and more lines",
         Render(With(0, {"HEADER 2.0", {"any", "three", "lines", "and a fourth"}})), kAllRead,
         nullptr, nullptr},
        {"line after an accepted start line that is not a brace",
         Lines({"HEADER 2.0", "not a brace", "a", "b", "c", "}"}) + Render(Without(0)), kAllRead,
         nullptr, nullptr},
        {"skipped body with lines like a closing line",
         Render(With(0, {"HEADER 3.0", {"a", "} ", " }", "}}", "b"}})), "01111111111111", nullptr,
         [](const Document& d) { EXPECT_EQ(d.m_strDatabase, "SALES"); }},
        {"HEADER of two lines", Render(With(0, {"HEADER 2.0", {"a", "b"}})), "10000000001111",
         nullptr, [](const Document& d) { EXPECT_EQ(d.m_strDatabase, "old"); }},
        // The end of the file inside a body.
        {"end in HEADER", Lines({"HEADER 2.0", "{", "one"}), "00000000000000", kEof, nullptr},
        {"end after DATABASE's opening line", Cut(1, {"DATABASE 1.0", "{"}), "10000000000000", kEof,
         [](const Document& d) { EXPECT_EQ(d.m_nTimeZone, 99); }},
        {"end in a list", Cut(2, {"TABLES 1.0", "{", "A", "B"}), "11000000000000", kEof,
         [](const Document& d) {
             EXPECT_EQ(Texts(d.m_pTableList), (LineList{"A", "B"}));
         }},
        {"end in FLAGS", Cut(6, {"FLAGS 2.1", "{", "Edited SQL selected", "Active Query"}),
         "11111100000000", kEof,
         [](const Document& d) {
             EXPECT_EQ(d.m_bEditedSQL, 1);
             EXPECT_EQ(d.m_bActiveQuery, 1);
             EXPECT_EQ(d.m_bReadOnly, 0);
         }},
        {"end in WINDOW-POSITION", Cut(7, {"WINDOW-POSITION 1.0", "{"}), "11111110000000", kEof,
         nullptr},
        {"end in EDITED-SQL", Cut(8, {"EDITED-SQL 1.0", "{", "SELECT 1", "FROM T"}) + "partial",
         "11111111100000", nullptr,
         [&](const Document& d) {
             EXPECT_EQ(d.m_strEditedSQL, "SELECT 1\r\nFROM T");
             defaultsEmptied(d);
             timeReset(d);
         }},
        {"end in CUSTOM-DATA-STRING", Cut(9, {"CUSTOM-DATA-STRING 1.0", "{"}), "11111111100000",
         kEof, nullptr},
        {"end in DEFAULT-VALUES", Cut(10, {"DEFAULT-VALUES 2.0", "{", "1"}), "11111111110000", kEof,
         [](const Document& d) {
             EXPECT_EQ(Texts(d.m_pDefaultValuesList), (LineList{"old", "1"}));
         }},
        {"end in TIME", Cut(12, {"TIME 1.0", "{", "5"}), "11111111111100", kEof,
         [](const Document& d) {
             EXPECT_EQ(d.m_nTimeZone, 5);
             EXPECT_EQ(d.m_strTimeZone, "old");
         }},
        {"end in DISPLAY-PROPERTIES", Cut(13, {"DISPLAY-PROPERTIES 2.0", "{", "1", "2"}),
         "11111111111110", kEof, nullptr},
        {"end in PRINTER-PROPERTIES 3.0", Cut(14, {"PRINTER-PROPERTIES 3.0", "{", "A", "B"}),
         kAllRead, kEof,
         [](const Document& d) {
             EXPECT_EQ(d.m_strPrinterProperty1, "A");
             EXPECT_EQ(d.m_strPrinterProperty3, "");
             EXPECT_EQ(d.m_strDynamicSort, "old");
         }},
        {"end in PRINTER-PROPERTIES 1.0", Cut(14, {"PRINTER-PROPERTIES 1.0", "{", "A"}), kAllRead,
         kEof, nullptr},
        {"end in PRINTER-PROPERTIES 2.0", Cut(14, {"PRINTER-PROPERTIES 2.0", "{", "A", "B"}),
         kAllRead, nullptr,
         [](const Document& d) {
             EXPECT_EQ(d.m_strPrinterProperty2, "B");
             EXPECT_EQ(d.m_strPrinterProperty3, "old");
             EXPECT_EQ(d.m_strPrinterProperty5, "");
         }},
        {"end at DYNAMIC-SORT's first line", Cut(15, {"DYNAMIC-SORT 1.0", "{"}), kAllRead, kEof,
         [](const Document& d) { EXPECT_EQ(d.m_nDynamicSort1, 99); }},
        {"end in DYNAMIC-SORT's numbers", Cut(15, {"DYNAMIC-SORT 1.0", "{", "S", "5"}), kAllRead,
         nullptr,
         [](const Document& d) {
             EXPECT_EQ(d.m_strDynamicSort, "S");
             EXPECT_EQ(d.m_nDynamicSort1, 5);
         }},
        {"last start line without its line end", Cut(15, {}) + "DYNAMIC-SORT 1.0", kAllRead,
         nullptr, [](const Document& d) { EXPECT_EQ(d.m_strDynamicSort, "old"); }},
        // Framing lines hold at most 100 characters; body lines read into
        // strings have no limit.
        {"start line of 100 characters", Render(WithStart(0, "HEADER 2.0" + std::string(90, ' '))),
         kAllRead, nullptr, nullptr},
        {"start line of 101 characters", Render(WithStart(0, "HEADER 2.0" + std::string(91, ' '))),
         "00000000000000", kTooLong, nullptr},
        {"skipped body line of 101 characters",
         Render(With(0, {"HEADER 3.0", {std::string(101, 'h')}})), "00000000000000", kTooLong,
         nullptr},
        {"database line of 5000 characters",
         Render(With(1, {"DATABASE 1.0", {std::string(5000, 'd')}})), kAllRead, nullptr,
         [](const Document& d) { EXPECT_EQ(d.m_strDatabase.GetLength(), 5000); }},
    };
}

class DamagedFileTest : public QdfTest {};

TEST_F(DamagedFileTest, EachCaseGivesItsIndicatorsMembersAndError) {
    for (const Case& c : PositionalCases()) {
        SCOPED_TRACE(c.what);
        Document doc;
        SetOldValues(doc);
        const int status = OpenBytes(doc, c.bytes);
        const Error error = TakeError();
        if (c.error == nullptr) {
            EXPECT_GE(status, 0);
            EXPECT_EQ(error.number, 0) << error.text;
        } else {
            EXPECT_EQ(status, -1);
            EXPECT_EQ(error.number, -1);
            EXPECT_EQ(error.text, c.error);
        }
        EXPECT_EQ(Indicators(doc), c.indicators);
        if (c.check) c.check(doc);
    }
}

}  // namespace
}  // namespace qdftest
