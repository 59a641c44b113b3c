// The summary of qdf show.
#include <gtest/gtest.h>

#include <sstream>

#include "exit_status.h"
#include "show.h"
#include "tool_support.h"

namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::string Summary(const CTWFileQDF& doc, qdf::Encoding encoding = qdf::Encoding::Windows1252) {
    return qdf::FormatSummary(doc, "doc.qdf", qdf::LoadReport{}, encoding);
}

TEST(Show, NamesEveryPartOfTheDocument) {
    twtest::CaptureMessages();
    std::ostringstream out;
    std::ostringstream err;
    ASSERT_EQ(qdf::RunShow({twtest::Example("sales.qdf"), qdf::Encoding::Windows1252}, out, err),
              qdf::kExitOk);
    const std::string text = out.str();
    for (const char* part :
         {"Database:                \"SALES\"\n", "Tables:                  3\n",
          "    \"CUSTOMERS.REGION IN ('NORTH','EAST')\"\n", "Joins:                   2\n",
          "Non-display attributes:  2\n", "Default values:          3\n", "    Active query\n",
          "    Selection by row\n", "Window position:         \"22,48,860,620\"\n",
          "Edited SQL:              none\n", "currency=\xE2\x82\xAC\"\n",
          "Time:                    zone 2, text \"Europe/Z\xC3\xBCrich\"\n",
          "background colour:   \"15138815\" (#FFFFE6)\n",
          "text colour:         \"8388608\" (#000080)\n",
          "string 7:            \"Monthly sales by region\"\n", "property 2:          100\n",
          "Dynamic sort:            \"ORDERS.ORDER_DATE DESC\", sorts 1, 0, 0\n",
          "Sections not read:       none\n", "Status report:           none\n"}) {
        EXPECT_TRUE(Contains(text, part)) << part << "\n" << text;
    }
    EXPECT_TRUE(err.str().empty());
}

TEST(Show, EscapesControlCharactersAndShowsSqlByLine) {
    CTWFileQDF doc;
    doc.m_strWindowPosition = CString("a\tb\rc\nd\"e\\f\x01\0", 13);
    doc.m_strEditedSQL = "SELECT *\r\nFROM T\r\n";
    doc.m_strBackgroundColour = "red";
    const std::string text = Summary(doc);
    EXPECT_TRUE(Contains(text, R"("a\tb\rc\nd\"e\\f\x01\x00")")) << text;
    EXPECT_TRUE(Contains(text, "Edited SQL:\n    | SELECT *\n    | FROM T\n    | \n")) << text;
    EXPECT_TRUE(Contains(text, "background colour:   \"red\"\n")) << text;
}

TEST(Show, ReportsSectionsNotReadAndTheReadError) {
    twtest::CaptureMessages();
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(qdf::RunShow({twtest::Example("damaged.qdf"), qdf::Encoding::Windows1252}, out, err),
              qdf::kExitFailed);
    const std::string text = out.str();
    EXPECT_TRUE(Contains(text, "Sections not read:       CONDITIONS, JOINS, FLAGS,")) << text;
    EXPECT_TRUE(Contains(text,
                         "    | The QDF file contained unsupported versions of the following "
                         "sections:\n    | CONDITIONS\n"))
        << text;
    EXPECT_TRUE(Contains(text, "Read error:              -1: Unexpected end-of-file")) << text;
    EXPECT_TRUE(Contains(err.str(), "error -1")) << err.str();
}

}  // namespace
