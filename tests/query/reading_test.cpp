// Reading files: older versions of sections, and damaged files (missing,
// extra, misnamed and unaccepted sections, lists without their empty line,
// files that end early, lines too long for a framing line). Reading is
// positional, so each file gives a known pattern of sections read; nothing
// crashes and nothing is read beyond the file.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "qdf_support.h"

namespace qdftest {
namespace {

using namespace std::string_literals;

constexpr char kEof[] = "Unexpected end-of-file found in Query Definition file";
constexpr char kTooLong[] = "Error - target too small for read operation";
constexpr char kNotADocument[] = "Not a Query Definition file: no section start line was found";
constexpr const char* kOk = nullptr;

// The sample file with count sections from index i replaced by others.
std::string Splice(int i, int count, const FileText& others = {}) {
    FileText sections = SampleSections();
    sections.erase(sections.begin() + i, sections.begin() + i + count);
    sections.insert(sections.begin() + i, others.begin(), others.end());
    return Render(sections);
}
// The sample file with the start line of section i replaced.
std::string Start(int i, const std::string& start) {
    return Splice(i, 1, {{start, SampleSections()[static_cast<std::size_t>(i)].body}});
}
// The first count sections of the sample, then lines.
std::string Cut(int count, const LineList& lines) {
    const FileText sample = SampleSections();
    return Render(FileText(sample.begin(), sample.begin() + count)) + Lines(lines);
}

const SectionText kExtra = {"EXTRA 1.0", {"x"}};
constexpr char kTimeReset[] = "nTimeZone=0;strTimeZone=";

// Members set before each open, so that kept and changed values show.
void SetOldValues(Document& d) {
    for (const twfile::query::Member& m : twfile::query::Members()) {
        if (m.kind == twfile::query::MemberKind::Text) d.*m.text = "old";
        if (m.kind == twfile::query::MemberKind::Number) d.*m.number = 99;
    }
    d.m_bSelectionByRow = d.m_bAutoRunWithoutConditions = 1;
    Fill(d.m_pDefaultValuesList, {"old"});
    Fill(d.m_pAttributeNonDisplayList, {"old"});
}

struct Case {
    std::string what;
    std::string bytes;
    std::string indicators;
    const char* error;  // the raised text, or kOk when the open succeeds
    // Members and their values after the open: "name=value;name=value".
    std::string members = "";
};

std::vector<Case> Cases() {
    // NULs inside lines: a line is compared up to its first NUL, and each
    // line of the edited SQL ends at its own.
    FileText nuls = SampleSections();
    nuls[1].body = {"SALES\0 2"s};
    nuls[6].body[1] = "Active Query\0 x"s;
    nuls[8].body = {"SELECT *\0 x"s, "FROM ORDERS"};
    const SectionText flags = {
        "FLAGS 2.1",
        {"edited sql selected", "Active Query ", "The Query is Read Only", "Selection is by ROW",
         "Do Not Auto Run Query Without Conditions", "6th"}};
    std::vector<Case> cases = {
        // Files written with older versions of a section.
        {"FLAGS 1.0", Fixture("flags_1_0.qdf"), kAllRead, kOk,
         "bEditedSQL=1;bActiveQuery=0;bReadOnly=1;bSelectionByRow=0;bAutoRunWithoutConditions=1"},
        {"FLAGS 2.0", Fixture("flags_2_0.qdf"), kAllRead, kOk,
         "bActiveQuery=1;bSelectionByRow=1;bAutoRunWithoutConditions=1"},
        {"DISPLAY-PROPERTIES 1.0", Fixture("display_1_0.qdf"), kAllRead, kOk,
         "nDisplayProperty1=5;strBackgroundColour=red;strTextColour=0;nDisplayProperty2=99"},
        {"PRINTER-PROPERTIES 1.0", Fixture("printer_1_0.qdf"), kAllRead, kOk,
         "strPrinterProperty1=A;strPrinterProperty2=old;strPrinterProperty4=B;nPrinterProperty1="
         "99"},
        {"PRINTER-PROPERTIES 2.0", Fixture("printer_2_0.qdf"), kAllRead, kOk,
         "strPrinterProperty1=P1;strPrinterProperty2=old;strPrinterProperty5=;"
         "strPrinterProperty8=old;nPrinterProperty1=99;nPrinterProperty2=7"},
        {"PRINTER-PROPERTIES 2.0 of four lines at the end", Fixture("printer_2_0_short_at_end.qdf"),
         kAllRead, kOk, "strPrinterProperty4=Q4;strPrinterProperty5=old;strDynamicSort=old"},
        {"ends after CUSTOM-DATA-STRING", Fixture("ends_after_custom_data.qdf"), "11111111110000",
         kOk, "pDefaultValuesList=;pAttributeNonDisplayList=old;nTimeZone=0;nDisplayProperty1=99"},
        {"ends before TIME", Fixture("ends_before_time.qdf"), "11111111111100", kOk,
         "nTimeZone=0;strTimeZone=;strBackgroundColour=old;strDynamicSort=old"},
        // No reader meets its own start line: not a document, whatever the
        // file holds.
        {"empty file", "", kNoneRead, kNotADocument, "strDatabase=old"},
        {"a text", "hello", kNoneRead, kNotADocument},
        {"cut inside the first line", "HEADE", kNoneRead, kNotADocument},
        {"lines of text", Lines({"NOTES 1.0", "{", "}", "x"}), kNoneRead, kNotADocument},
        // A line too long for a start line, before any start line, is other
        // text unless it begins as one.
        {"one long line", std::string(5000, 'x'), kNoneRead, kNotADocument},
        {"a long line before the sections", Lines({"x", std::string(101, 'x')}) + Splice(0, 0),
         kNoneRead, kNotADocument},
        {"only a later section", Cut(0, {"TIME 1.0", "{", "5", "", "}"}), kNoneRead, kOk},
        {"text after the last section", Splice(0, 0) + Lines({"HEADER 9.9", "{"}), kAllRead, kOk},
        // Missing sections: a skipping reader consumes the next section, up
        // to the first reader without a skip, plus one more.
        {"missing DATABASE", Splice(1, 1), "10000000001111", kOk,
         "strDatabase=old;strEditedSQL=old;strCustomDataString=;pDefaultValuesList=old|42"},
        {"missing TABLES", Splice(2, 1), "11000000001111", kOk, "pTableList="},
        {"missing EDITED-SQL", Splice(8, 1), "11111111001111", kOk, "strEditedSQL=old"},
        {"missing CUSTOM-DATA-STRING", Splice(9, 1), "11111111100011", kOk,
         "strCustomDataString=;pDefaultValuesList=;pAttributeNonDisplayList=old;nTimeZone=3"},
        {"missing DEFAULT-VALUES", Splice(10, 1), "11111111110011", kOk, "pDefaultValuesList="},
        {"missing NON-DISPLAY-ATTRIBUTES", Splice(11, 1), "11111111111000", kOk, kTimeReset},
        {"missing TIME", Splice(12, 1), "11111111111100", kOk,
         "nTimeZone=0;strTimeZone=;nDisplayProperty1=99;strDynamicSort=old"},
        {"missing DYNAMIC-SORT", Splice(15, 1), kAllRead, kOk, "strDynamicSort=old"},
        // Extra sections put every later reader one section behind.
        {"extra before DATABASE", Splice(1, 0, {kExtra}), "10000000000000", kOk,
         "strDatabase=old;strCustomDataString=;pDefaultValuesList=;nTimeZone=0"},
        {"extra before DEFAULT-VALUES", Splice(10, 0, {kExtra}), "11111111110000", kOk, kTimeReset},
        {"extra before DYNAMIC-SORT", Splice(15, 0, {kExtra}), kAllRead, kOk, "strDynamicSort=old"},
        // A version that a skipping reader does not accept loses only that
        // section; the next one is read normally.
        {"HEADER 2.1", Start(0, "HEADER 2.1"), "01111111111111", kOk, "strDatabase=SALES"},
        {"DATABASE 2.0", Start(1, "DATABASE 2.0"), "10111111111111", kOk, "strDatabase=old"},
        {"TABLES 1.1", Start(2, "TABLES 1.1"), "11011111111111", kOk,
         "pTableList=;pAttributeList=ORDERS.ID|CUSTOMERS.NAME"},
        {"JOINS 1.1", Start(5, "JOINS 1.1"), "11111011111111", kOk, "pJoinList="},
        {"FLAGS 2.2", Start(6, "FLAGS 2.2"), "11111101111111", kOk, "bActiveQuery=0"},
        {"WINDOW-POSITION 1.1", Start(7, "WINDOW-POSITION 1.1"), "11111110111111", kOk,
         "strWindowPosition=old"},
        {"CUSTOM-DATA-STRING 1.1", Start(9, "CUSTOM-DATA-STRING 1.1"), "11111111101111", kOk,
         "strCustomDataString="},
        {"NON-DISPLAY-ATTRIBUTES 1.0", Start(11, "NON-DISPLAY-ATTRIBUTES 1.0"), "11111111111011",
         kOk, "pAttributeNonDisplayList=old"},
        {"TIME 2.0", Start(12, "TIME 2.0"), "11111111111101", kOk, kTimeReset},
        {"DISPLAY-PROPERTIES 3.0", Start(13, "DISPLAY-PROPERTIES 3.0"), "11111111111110", kOk,
         "nDisplayProperty1=99"},
        {"PRINTER-PROPERTIES 4.0", Start(14, "PRINTER-PROPERTIES 4.0"), kAllRead, kOk,
         "strPrinterProperty1=old"},
        {"DYNAMIC-SORT 1.1", Start(15, "DYNAMIC-SORT 1.1"), kAllRead, kOk,
         "strDynamicSort=old;nDynamicSort3=99"},
        // Unaccepted versions and misspelled names of the two readers that do
        // not skip leave their body to the next reader.
        {"EDITED-SQL 2.0", Start(8, "EDITED-SQL 2.0"), "11111111000000", kOk,
         "strEditedSQL=old;strCustomDataString=;pDefaultValuesList=;nTimeZone=0"},
        {"EDITED_SQL", Start(8, "EDITED_SQL 1.0"), "11111111000000", kOk, "pDefaultValuesList="},
        {"DEFAULT-VALUES 1.0", Start(10, "DEFAULT-VALUES 1.0"), "11111111110000", kOk,
         "pDefaultValuesList=;pAttributeNonDisplayList=old;nTimeZone=0"},
        {"DEFAULT_VALUES", Start(10, "DEFAULT_VALUES 2.0"), "11111111110000", kOk,
         "pDefaultValuesList="},
        // A skipping reader loses only its own section.
        {"TABLE misspelled", Start(2, "TABLE 1.0"), "11011111111111", kOk, "pTableList="},
        {"bytes before HEADER", Start(0, "\xEF\xBB\xBFHEADER 2.0"), "01111111111111", kOk},
        {"skipped body with lines like a closing line",
         Splice(0, 1, {{"HEADER 3.0", {"a", "} ", " }", "}}", "b"}}}), "01111111111111", kOk,
         "strDatabase=SALES"},
        // Lists end at the first empty line anywhere.
        {"TABLES without its empty line", Splice(2, 1, {{"TABLES 1.0", {"ORDERS", "CUSTOMERS"}}}),
         "11100000001111", kOk,
         "pTableList=ORDERS|CUSTOMERS|}|ATTRIBUTES 1.0|{|ORDERS.ID|CUSTOMERS.NAME;pAttributeList="},
        {"TABLES with lines after its empty line",
         Splice(2, 1, {{"TABLES 1.0", {"ORDERS", "", "X"}}}), kAllRead, kOk, "pTableList=ORDERS"},
        // Other bodies.
        {"HEADER of four other lines", Splice(0, 1, {{"HEADER 2.0", {"a", "b", "c", "d"}}}),
         kAllRead, kOk},
        {"HEADER of two lines", Splice(0, 1, {{"HEADER 2.0", {"a", "b"}}}), "10000000001111", kOk,
         "strDatabase=old"},
        {"line after a start line that is not a brace",
         Lines({"HEADER 2.0", "not a brace", "a", "b", "c", "}"}) + Splice(0, 1), kAllRead, kOk},
        {"EDITED-SQL line that is a closing line",
         Splice(8, 1, {{"EDITED-SQL 1.0", {"SELECT 1", "}", "FROM T"}}}), "11111111100000", kOk,
         "strEditedSQL=SELECT 1"},
        {"FLAGS lines other than the true texts", Splice(6, 1, {flags}), kAllRead, kOk,
         "bEditedSQL=0;bActiveQuery=0;bReadOnly=1;bSelectionByRow=1;bAutoRunWithoutConditions=0;"
         "strWindowPosition=10,20,300,400"},
        {"PRINTER-PROPERTIES 3.0 with empty lines",
         Splice(14, 1, {{"PRINTER-PROPERTIES 3.0", {"", "", "", "", "", "", "", "", "", "8"}}}),
         kAllRead, kOk, "strPrinterProperty1=;nPrinterProperty1=0;nPrinterProperty2=8"},
        {"PRINTER-PROPERTIES 2.0 with empty lines",
         Splice(14, 1, {{"PRINTER-PROPERTIES 2.0", {"", "", "", "", "", "", "", "", "", "8"}}}),
         kAllRead, kOk, "strPrinterProperty1=old;strPrinterProperty5=;nPrinterProperty1=99"},
        {"NULs inside lines", Render(nuls), kAllRead, kOk,
         "strDatabase=SALES\0 2"s + ";bActiveQuery=1;strEditedSQL=SELECT *\r\nFROM ORDERS"},
        {"list element that begins with a NUL",
         Splice(2, 1, {{"TABLES 1.0", {"ORDERS", "\0HIDDEN"s, "CUSTOMERS", ""}}}), kAllRead, kOk,
         "pTableList=ORDERS|\0HIDDEN|CUSTOMERS"s},
        {"closing line followed by a NUL ends the edited SQL",
         Splice(8, 1, {{"EDITED-SQL 1.0", {"SELECT *", "}\0 junk"s, "FROM ORDERS"}}}),
         "11111111100000", kOk, "strEditedSQL=SELECT *"},
        // The end of the file inside a body.
        {"end in HEADER", Lines({"HEADER 2.0", "{", "one"}), kNoneRead, kEof},
        {"end after DATABASE's opening line", Cut(1, {"DATABASE 1.0", "{"}), "10000000000000", kEof,
         "strDatabase=;nTimeZone=99"},
        {"end in a list", Cut(2, {"TABLES 1.0", "{", "A", "B"}), "11000000000000", kEof,
         "pTableList=A|B"},
        {"end in FLAGS", Cut(6, {"FLAGS 2.1", "{", "Edited SQL selected", "Active Query"}),
         "11111100000000", kEof, "bEditedSQL=1;bActiveQuery=1;bReadOnly=0"},
        {"end in WINDOW-POSITION", Cut(7, {"WINDOW-POSITION 1.0", "{"}), "11111110000000", kEof},
        {"end in EDITED-SQL", Cut(8, {"EDITED-SQL 1.0", "{", "SELECT 1", "FROM T"}) + "partial",
         "11111111100000", kOk, "strEditedSQL=SELECT 1\r\nFROM T;pDefaultValuesList=;nTimeZone=0"},
        {"end in CUSTOM-DATA-STRING", Cut(9, {"CUSTOM-DATA-STRING 1.0", "{"}), "11111111100000",
         kEof},
        {"end in DEFAULT-VALUES", Cut(10, {"DEFAULT-VALUES 2.0", "{", "1"}), "11111111110000", kEof,
         "pDefaultValuesList=old|1"},
        {"end in TIME", Cut(12, {"TIME 1.0", "{", "5"}), "11111111111100", kEof,
         "nTimeZone=5;strTimeZone=old"},
        {"end in DISPLAY-PROPERTIES", Cut(13, {"DISPLAY-PROPERTIES 2.0", "{", "1", "2"}),
         "11111111111110", kEof, "nDisplayProperty1=1;strTextColour=old"},
        {"end in PRINTER-PROPERTIES 3.0", Cut(14, {"PRINTER-PROPERTIES 3.0", "{", "A", "B"}),
         kAllRead, kEof, "strPrinterProperty3=;strPrinterProperty4=old;strDynamicSort=old"},
        {"end in PRINTER-PROPERTIES 1.0", Cut(14, {"PRINTER-PROPERTIES 1.0", "{", "A"}), kAllRead,
         kEof, "strPrinterProperty1=A;strPrinterProperty4="},
        {"end in PRINTER-PROPERTIES 2.0", Cut(14, {"PRINTER-PROPERTIES 2.0", "{", "A", "B"}),
         kAllRead, kOk, "strPrinterProperty2=B;strPrinterProperty3=old;strPrinterProperty5="},
        {"end at DYNAMIC-SORT's first line", Cut(15, {"DYNAMIC-SORT 1.0", "{"}), kAllRead, kEof,
         "nDynamicSort1=99"},
        {"end in DYNAMIC-SORT's numbers", Cut(15, {"DYNAMIC-SORT 1.0", "{", "S", "5"}), kAllRead,
         kOk, "strDynamicSort=S;nDynamicSort1=5;nDynamicSort2=99"},
        {"last start line without its line end", Cut(15, {}) + "DYNAMIC-SORT 1.0", kAllRead, kOk,
         "strDynamicSort=old"},
        // Framing lines hold at most 100 characters; body lines read into
        // strings have no limit.
        {"start line of 100", Start(0, "HEADER 2.0" + std::string(90, ' ')), kAllRead, kOk},
        {"start line of 101", Start(0, "HEADER 2.0" + std::string(91, ' ')), kNoneRead, kTooLong,
         "strDatabase=old"},
        {"skipped body line of 101", Splice(0, 1, {{"HEADER 3.0", {std::string(101, 'h')}}}),
         kNoneRead, kTooLong},
        {"database line of 5000", Splice(1, 1, {{"DATABASE 1.0", {std::string(5000, 'd')}}}),
         kAllRead, kOk, "strDatabase=" + std::string(5000, 'd')},
    };
    // Start line versions are read like integers.
    for (const char* start : {"HEADER 02.00", "HEADER 2.0 extra", "HEADER 1.0", "HEADER 2.0x"})
        cases.push_back({start, Start(0, start), kAllRead, kOk});
    for (const char* start : {"HEADER 2", "HEADER2.0", "header 2.0", "HEADER 2,0", "HEADER 0.0"})
        cases.push_back({start, Start(0, start), "01111111111111", kOk});
    return cases;
}

class ReadingTest : public QdfTest {
  protected:
    void Expect(const Case& c) {
        SCOPED_TRACE(c.what);
        Document doc;
        SetOldValues(doc);
        const int status = OpenBytes(doc, c.bytes);
        const Error error = TakeError();
        EXPECT_EQ(status < 0, c.error != kOk) << status;
        const int number = c.error == kOk ? 0 : c.error == kNotADocument ? -101 : -1;
        EXPECT_EQ(error.number, number) << error.text;
        EXPECT_EQ(error.text, c.error == kOk ? "" : c.error);
        EXPECT_EQ(Indicators(doc), c.indicators);
        const Members members = MembersOf(doc);
        std::istringstream expected(c.members);
        for (std::string item; std::getline(expected, item, ';');) {
            const std::size_t equals = item.find('=');
            EXPECT_EQ(members.at(item.substr(0, equals)), item.substr(equals + 1)) << item;
        }
    }
};

TEST_F(ReadingTest, EachFileGivesItsIndicatorsMembersAndError) {
    for (const Case& c : Cases())
        Expect(c);
}

// Text that the read passes over, which a save would not write back, is
// found wherever it stands; a file without such text gives -1.
TEST_F(ReadingTest, TextPassedOverIsFound) {
    const std::string sample = Render(SampleSections());
    const std::string header = Render({SampleSections()[0]});
    FileText flags = SampleSections();
    flags[6].body.push_back("6th");
    const std::string beforeFlags = Render(FileText(flags.begin(), flags.begin() + 6));
    const long sixth = static_cast<long>(beforeFlags.size() + Lines({"FLAGS 2.1", "{"}).size() +
                                         Lines(SampleSections()[6].body).size());
    const struct {
        const char* what;
        std::string bytes;
        long offset;
    } cases[] = {
        {"whole", sample, -1},
        {"white space after", sample + "\r\n \t\r\n\n", -1},
        {"a section after", sample + "NOTES 1.0 { keep me }", static_cast<long>(sample.size())},
        {"text after a blank line", sample + "\r\nx", static_cast<long>(sample.size()) + 2},
        {"NUL after", sample + std::string(1, '\0'), static_cast<long>(sample.size())},
        {"a body line past its reader", Render(flags), sixth},
        {"an opening line not a brace", "HEADER 2.0\r\n{x" + sample.substr(header.find("\r\n", 12)),
         12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Document doc;
        EXPECT_GE(OpenBytes(doc, c.bytes), 0) << TakeError().text;
        EXPECT_EQ(doc.GetDroppedTextOffset(), c.offset);
    }
}

// Number lines are read leniently; values beyond the int range are clamped.
TEST_F(ReadingTest, NumberLinesAreReadLeniently) {
    // clang-format off
    const char* const lines[][2] = {
        {"12abc", "12"}, {"abc", "0"}, {"", "0"}, {"  -5", "-5"}, {"+8", "8"}, {"\t3 4", "3"},
        {"-0", "0"}, {"2147483647", "2147483647"}, {"99999999999", "2147483647"},
        {"-2147483648", "-2147483648"}, {"-99999999999", "-2147483648"}};
    // clang-format on
    for (const auto& [line, value] : lines) {
        Expect({line, Splice(13, 1, {{"DISPLAY-PROPERTIES 2.0", {line, "1", "2", "3"}}}), kAllRead,
                kOk, std::string("nDisplayProperty1=") + value});
    }
}

}  // namespace
}  // namespace qdftest
