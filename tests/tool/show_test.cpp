// The summary of qdf show.
#include <gtest/gtest.h>

#include <sstream>

#include "exit_status.h"
#include "show.h"
#include "tool_support.h"

namespace {

using twtest::Contains;

TEST(Show, NamesEveryPartOfTheDocument) {
    twtest::CaptureMessages();
    std::ostringstream out;
    std::ostringstream err;
    ASSERT_EQ(qdf::RunShow({twtest::Example("sales.qdf"), qdf::Encoding::Windows1252}, out, err),
              qdf::kExitOk);
    for (const char* part :
         {"Tables:                  3\n", "    \"CUSTOMERS.REGION IN ('NORTH','EAST')\"\n",
          "Non-display attributes:  2\n", "    Active query\n", "Edited SQL:              none\n",
          "currency=\xE2\x82\xAC\"\n",
          "Time:                    zone 2, text \"Europe/Z\xC3\xBCrich\"\n",
          "background colour:   \"15138815\" (#FFFFE6)\n",
          "string 7:            \"Monthly sales by region\"\n",
          "Dynamic sort:            \"ORDERS.ORDER_DATE DESC\", sorts 1, 0, 0\n",
          "Sections not read:       none\n", "Status report:           none\n"}) {
        EXPECT_TRUE(Contains(out.str(), part)) << part << "\n" << out.str();
    }
}

TEST(Show, EscapesControlCharactersAndShowsSqlByLine) {
    CTWFileQDF doc;
    doc.m_strWindowPosition = CString("a\tb\rc\nd\"e\\f\x01\0", 13);
    doc.m_strEditedSQL = "SELECT *\r\nFROM T\r\n";
    doc.m_strBackgroundColour = "red";
    const std::string text =
        qdf::FormatSummary(doc, "doc.qdf", qdf::LoadReport{}, qdf::Encoding::Windows1252);
    EXPECT_TRUE(Contains(text, R"("a\tb\rc\nd\"e\\f\x01\x00")")) << text;
    EXPECT_TRUE(Contains(text, "Edited SQL:\n    | SELECT *\n    | FROM T\n    | \n")) << text;
    EXPECT_TRUE(Contains(text, "background colour:   \"red\"\n")) << text;
}

}  // namespace
