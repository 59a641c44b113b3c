// qdf diagram: what the drawing shows of a document (its tables, joins and
// the tables no join reaches), hostile texts that must stay text, a schema's
// types and what it lacks, and what is written where.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <twfile/query/qdf.h>

#include "commands.h"
#include "diagram.h"
#include "support/support.h"
#include "tool_support.h"

namespace {

using twtest::Contains;
using twtest::Example;

struct Output {
    int status;
    std::string out;
    std::string err;
};

class Diagram : public ::testing::Test {
  protected:
    Diagram() { twtest::CaptureMessages(); }

    Output Draw(const std::string& file, qdf::DiagramFormat format = qdf::DiagramFormat::Dot,
                const std::string& schema = "", const std::string& output = "") {
        qdf::DiagramOptions options;
        options.file = file;
        options.format = format;
        options.schema = schema;
        options.output = output;
        std::ostringstream out;
        std::ostringstream err;
        const int status = qdf::RunDiagram(options, out, err);
        return Output{status, out.str(), err.str()};
    }

    // sales.qdf with the texts added to its lists ('t' tables, 'a'
    // attributes, 'c' conditions, 'j' joins), saved as name.
    std::string Sales(const std::string& name,
                      const std::vector<std::pair<char, std::string>>& added) {
        CTWFileQDF doc;
        doc.Open(Example("sales.qdf").c_str(), 1);
        for (const auto& [list, text] : added) {
            auto* item = new CString(text.c_str());
            if (list == 't') doc.AddTable(item);
            if (list == 'a') doc.AddAttribute(item);
            if (list == 'c') doc.AddCondition(item);
            if (list == 'j') doc.AddJoin(item);
        }
        const std::string path = m_dir.File(name);
        EXPECT_GE(doc.SaveAs(path.c_str()), 0);
        doc.Close();
        return path;
    }

    twtest::TempDir m_dir;
};

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// The DOT text of the cluster of tables drawn apart, or empty.
std::string ApartCluster(const std::string& dot) {
    const std::size_t start = dot.find("subgraph cluster_apart");
    if (start == std::string::npos) return "";
    return dot.substr(start, dot.find("\n\t}", start) - start);
}

TEST_F(Diagram, WithoutGraphvizItSaysSoAndWritesNothing) {
    if (qdf::kDiagramsDrawn) GTEST_SKIP() << "this qdf draws with Graphviz";
    twtest::WriteAll(m_dir.File("old.svg"), "old");
    const Output drawn =
        Draw(Example("sales.qdf"), qdf::DiagramFormat::Svg, "", m_dir.File("old.svg"));
    EXPECT_EQ(drawn.status, 2);
    EXPECT_TRUE(Contains(drawn.err, qdf::kWithoutGraphvizText)) << drawn.err;
    EXPECT_EQ(twtest::ReadAll(m_dir.File("old.svg")), "old");
}

TEST_F(Diagram, TablesJoinsAndTheTablesNoJoinReaches) {
    if (!qdf::kDiagramsDrawn) GTEST_SKIP() << "built without Graphviz";
    const Output sales = Draw(Example("sales.qdf"));
    ASSERT_EQ(sales.status, 0) << sales.err;
    EXPECT_TRUE(Contains(sales.out, "digraph")) << sales.out;
    for (const char* table : {"<B>ORDERS</B>", "<B>CUSTOMERS</B>", "<B>PRODUCTS</B>"})
        EXPECT_EQ(Count(sales.out, table), 1u) << table;
    EXPECT_EQ(Count(sales.out, " -> "), 2u) << sales.out;
    EXPECT_TRUE(Contains(sales.out, "ORDERS.PRODUCT_NO = PRODUCTS.PRODUCT_NO"));
    // A displayed attribute is bold; a condition's is marked.
    EXPECT_TRUE(Contains(sales.out, "<B>ORDER_DATE</B>"));
    EXPECT_TRUE(Contains(sales.out, ">where<"));
    EXPECT_EQ(ApartCluster(sales.out), "");

    // SUPPLIERS is joined to STOCK (which is in no list) but neither to the
    // first table; a join of one attribute joins nothing.
    const Output apart = Draw(Sales(
        "apart.qdf",
        {{'t', "SUPPLIERS"}, {'j', "SUPPLIERS.ID = STOCK.SUPPLIER_ID"}, {'j', "ORDERS.NOTE"}}));
    ASSERT_EQ(apart.status, 0) << apart.err;
    const std::string cluster = ApartCluster(apart.out);
    EXPECT_TRUE(Contains(cluster, "not joined to ORDERS")) << apart.out;
    EXPECT_TRUE(Contains(cluster, "<B>SUPPLIERS</B>")) << cluster;
    EXPECT_TRUE(Contains(cluster, "<B>STOCK</B> <I>(not in the tables)</I>")) << cluster;
    EXPECT_FALSE(Contains(cluster, "ORDERS</B>")) << cluster;
    EXPECT_EQ(Count(apart.out, " -> "), 3u);
    EXPECT_TRUE(Contains(apart.out, "joins[3] joins nothing: ORDERS.NOTE"));
}

// Texts of a document are shown as text in every format, never as markup.
TEST_F(Diagram, HostileTextsStayText) {
    if (!qdf::kDiagramsDrawn) GTEST_SKIP() << "built without Graphviz";
    const std::string file =
        Sales("hostile.qdf", {{'t', "<script>alert(1)</script>"},
                              {'a', "Q.\"quoted\" & <b>"},
                              {'c', "T.\x01\x1b[2J = 1"},
                              {'j', "<script>alert(1)</script>.X = E\x80\x81.Y"}});
    const struct {
        const char* raw;
        const char* shown;
    } texts[] = {
        {"<script>", "&lt;script&gt;"},
        {"\"quoted\"", "quoted&quot;"},
        {"& <b>", "&amp; &lt;b&gt;"},
        {"\x01", "\\x01"},
        {"\x1b", "\\x1B"},
        {"\xC2\x81", "\\x81"},  // a C1 control of windows-1252
    };
    for (const qdf::DiagramFormat format : {qdf::DiagramFormat::Svg, qdf::DiagramFormat::Dot}) {
        const Output drawn = Draw(file, format);
        ASSERT_EQ(drawn.status, 0) << drawn.err;
        EXPECT_TRUE(Contains(drawn.out, "E\xE2\x82\xAC"));  // the euro sign, as UTF-8
        for (const auto& text : texts) {
            SCOPED_TRACE(text.shown);
            EXPECT_FALSE(Contains(drawn.out, text.raw));
            EXPECT_TRUE(Contains(drawn.out, text.shown));
        }
        if (format == qdf::DiagramFormat::Svg) {
            EXPECT_EQ(drawn.out.rfind("<?xml", 0), 0u);
            EXPECT_EQ(drawn.out.substr(drawn.out.size() - 7), "</svg>\n");
        }
    }
    qdf::DiagramOptions options;
    options.file = file;
    options.encoding = twfile::json::Encoding::Utf8;
    std::ostringstream out, err;
    EXPECT_EQ(qdf::RunDiagram(options, out, err), 2);
    EXPECT_EQ(out.str(), "");
}

TEST_F(Diagram, SchemaGivesTypesAndMarksWhatItLacks) {
    if (!qdf::kDiagramsDrawn) GTEST_SKIP() << "built without Graphviz";
    twtest::WriteAll(m_dir.File("schema.json"), R"json({"tables": {
        "orders": {"ORDER_NO": "INTEGER", "ORDER_DATE": "DATE", "QTY": "INTEGER",
                   "AMOUNT": "DECIMAL(10,2)", "CUSTOMER_NO": "INTEGER", "PRODUCT_NO": "INTEGER"},
        "CUSTOMERS": {"CUSTOMER_NO": "INTEGER", "NAME": "VARCHAR(40)"}}})json");
    const Output drawn =
        Draw(Example("sales.qdf"), qdf::DiagramFormat::Dot, m_dir.File("schema.json"));
    ASSERT_EQ(drawn.status, 0) << drawn.err;
    EXPECT_TRUE(Contains(drawn.out, "<B>PRODUCTS</B> missing")) << drawn.out;
    EXPECT_EQ(Count(drawn.out, "</B> missing</FONT>"), 1u);  // one table
    EXPECT_TRUE(Contains(drawn.out, "<B>ORDER_NO</B></TD><TD ALIGN=\"LEFT\">integer<"));
    EXPECT_TRUE(Contains(drawn.out, "<B>AMOUNT</B></TD><TD ALIGN=\"LEFT\">real<"));
    // REGION is tested by a condition and lacking; DESCRIPTION lacks its table.
    EXPECT_TRUE(Contains(drawn.out, "where missing"));
    EXPECT_EQ(Count(drawn.out, ">missing</FONT>") + Count(drawn.out, "where missing"), 3u)
        << drawn.out;

    EXPECT_EQ(Draw(Example("sales.qdf"), qdf::DiagramFormat::Dot, m_dir.File("none.json")).status,
              2);
}

// Output goes to standard output or replaces the file in one step; bad
// input leaves the file as it was. A damaged document is drawn from what
// was read.
TEST_F(Diagram, WhatIsWrittenWhere) {
    if (!qdf::kDiagramsDrawn) GTEST_SKIP() << "built without Graphviz";
    const std::string png = m_dir.File("sales.png");
    const Output image = Draw(Example("sales.qdf"), qdf::DiagramFormat::Png, "", png);
    ASSERT_EQ(image.status, 0) << image.err;
    EXPECT_EQ(image.out, "");
    const std::string bytes = twtest::ReadAll(png);
    EXPECT_EQ(bytes.rfind("\x89PNG\r\n\x1a\n", 0), 0u);
    EXPECT_TRUE(Contains(bytes.substr(bytes.size() - 12), "IEND")) << "cut short";

    twtest::WriteAll(m_dir.File("kept.svg"), "kept");
    const struct {
        std::string file;
        std::string output;
        int status;
        const char* err;
    } cases[] = {
        {m_dir.File("missing.qdf"), "kept.svg", 2, "cannot open"},
        {Example("sales.qdf"), ".", 2, "not a regular file"},
        {Example("damaged.qdf"), "", 1, "Unexpected end-of-file"},
        {Example("sales.json"), "kept.svg", 1, "not a query definition file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file + " -o " + c.output);
        const Output drawn =
            Draw(c.file, qdf::DiagramFormat::Svg, "", c.output.empty() ? "" : m_dir.File(c.output));
        EXPECT_EQ(drawn.status, c.status);
        EXPECT_TRUE(Contains(drawn.err, c.err)) << drawn.err;
        EXPECT_EQ(drawn.out.empty(), c.status != 1 || !c.output.empty());
    }
    EXPECT_EQ(twtest::ReadAll(m_dir.File("kept.svg")), "kept");
    EXPECT_EQ(
        Draw(Example("sales.qdf"), qdf::DiagramFormat::Svg, "", m_dir.File("kept.svg")).status, 0);
    EXPECT_EQ(twtest::ReadAll(m_dir.File("kept.svg")),
              Draw(Example("sales.qdf"), qdf::DiagramFormat::Svg).out);
}

}  // namespace
