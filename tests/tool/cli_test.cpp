// The qdf program as a user runs it: exit statuses, what goes to standard
// output and what to standard error.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "support/support.h"
#include "tool_support.h"

namespace {

using twtest::Example;
using twtest::QdfRun;
using twtest::RunQdf;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Every line of standard error starts with "qdf: " (continuation lines of a
// message of several lines are indented).
void ExpectPrefixedErrors(const QdfRun& run) {
    std::size_t start = 0;
    while (start < run.err.size()) {
        const std::size_t end = run.err.find('\n', start);
        const std::string line = run.err.substr(start, end - start);
        EXPECT_TRUE(line.rfind("qdf: ", 0) == 0 || line.rfind("    ", 0) == 0 ||
                    line.rfind("Run 'qdf", 0) == 0)
            << line;
        if (end == std::string::npos) break;
        start = end + 1;
    }
}

class Cli : public ::testing::Test {
  protected:
    QdfRun Run(const std::vector<std::string>& args, const std::string& input = "") {
        QdfRun run = RunQdf(args, m_dir.path(), input);
        ExpectPrefixedErrors(run);
        return run;
    }
    twtest::TempDir m_dir;
};

TEST_F(Cli, ExitStatuses) {
    twtest::WriteAll(m_dir.File("empty.json"), "{}");
    twtest::WriteAll(m_dir.File("bad.json"), "{\"tables\": [1]}");
    struct Case {
        std::vector<std::string> args;
        int status;
    };
    const Case cases[] = {
        {{"show", Example("sales.qdf")}, 0},
        {{"show", Example("legacy.qdf")}, 0},
        {{"show", Example("damaged.qdf")}, 1},
        {{"show", "missing.qdf"}, 2},
        {{"export", Example("sales.qdf")}, 0},
        {{"export", Example("damaged.qdf")}, 1},
        {{"export", "missing.qdf"}, 2},
        {{"export", m_dir.path()}, 2},
        {{"export", "--encoding", "utf-8", Example("sales.qdf")}, 2},
        {{"export", "--encoding", "utf-8", Example("legacy.qdf")}, 0},
        {{"export", "--encoding", "latin9", Example("sales.qdf")}, 2},
        {{"export"}, 2},
        {{"export", "a.qdf", "b.qdf"}, 2},
        {{}, 2},
        {{"frobnicate"}, 2},
        {{"import", "empty.json", "-o", "new.qdf"}, 0},
        {{"import", "empty.json"}, 2},
        {{"import", "missing.json", "-o", "x.qdf"}, 2},
        {{"import", "bad.json", "-o", "x.qdf"}, 2},
        {{"check", Example("sales.qdf")}, 0},
        {{"check", Example("sales.qdf"), Example("legacy.qdf")}, 1},
        {{"check", "missing.qdf"}, 1},
        {{"check"}, 2},
        {{"condition", "--type", "integer", "QTY > 5"}, 0},
        {{"condition", "--type", "integer", "QTY > five"}, 1},
        {{"condition", "--type", "decimal", "QTY > 5"}, 2},
        {{"condition", "QTY > 5"}, 2},
        {{"--version"}, 0},
    };
    for (const Case& c : cases) {
        std::string command;
        for (const std::string& arg : c.args)
            command += " " + arg;
        const QdfRun run = Run(c.args);
        EXPECT_EQ(run.status, c.status) << "qdf" << command << "\n" << run.err;
    }
}

TEST_F(Cli, HelpOnEverySubcommand) {
    for (const char* command : {"show", "export", "import", "new", "check", "condition"}) {
        const QdfRun run = Run({command, "--help"});
        EXPECT_EQ(run.status, 0) << command;
        EXPECT_TRUE(Contains(run.out, command)) << run.out;
        EXPECT_TRUE(run.err.empty()) << run.err;
    }
    const QdfRun top = Run({"--help"});
    EXPECT_EQ(top.status, 0);
    for (const char* command : {"show", "export", "import", "new", "check", "condition"}) {
        EXPECT_TRUE(Contains(top.out, command)) << command;
    }
}

TEST_F(Cli, VersionNamesTheLibraryVersion) {
    const QdfRun run = Run({"--version"});
    EXPECT_EQ(run.out.rfind("qdf ", 0), 0u) << run.out;
    EXPECT_NE(run.out.find_first_of("0123456789"), std::string::npos);
}

TEST_F(Cli, ExportOfADamagedFileShowsWhatWasReadAndTheError) {
    const QdfRun run = Run({"export", Example("damaged.qdf")});
    EXPECT_EQ(run.status, 1);
    const auto json = nlohmann::ordered_json::parse(run.out);
    EXPECT_EQ(json["database"], "SALES");
    EXPECT_EQ(json["error"]["number"], -1);
    EXPECT_EQ(json["sectionsRead"]["CONDITIONS"], false);
    EXPECT_TRUE(Contains(run.err, "qdf: " + Example("damaged.qdf") +
                                      ": error -1: Unexpected end-of-file found in Query "
                                      "Definition file"))
        << run.err;
    // The error is reported once, not again by the library's own message.
    EXPECT_EQ(run.err.find("Unexpected"), run.err.rfind("Unexpected"));
}

TEST_F(Cli, ACleanExportWritesNothingToStandardError) {
    const QdfRun run = Run({"export", Example("sales.qdf")});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.err.empty()) << run.err;
    EXPECT_EQ(nlohmann::ordered_json::parse(run.out)["customDataString"],
              "report=monthly-sales;currency=\xE2\x82\xAC");
}

TEST_F(Cli, FilesThatCannotBeOpenedSayWhy) {
    const QdfRun missing = Run({"show", "missing.qdf"});
    EXPECT_TRUE(missing.out.empty());
    EXPECT_TRUE(Contains(missing.err, "qdf: missing.qdf: cannot open: No such file or directory"))
        << missing.err;
    const QdfRun directory = Run({"export", "."});
    EXPECT_TRUE(directory.out.empty());
    EXPECT_TRUE(Contains(directory.err, "Is a directory")) << directory.err;
}

TEST_F(Cli, AnEncodingErrorNamesTheMemberAndPrintsNothing) {
    const QdfRun run = Run({"export", "--encoding", "utf-8", Example("sales.qdf")});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.out.empty()) << run.out;
    EXPECT_TRUE(Contains(run.err, "customDataString: not valid UTF-8")) << run.err;
}

TEST_F(Cli, NewRefusesToReplaceAFileUnlessForced) {
    twtest::WriteAll(m_dir.File("a.qdf"), "keep");
    const QdfRun refused = Run({"new", "a.qdf"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(twtest::ReadAll(m_dir.File("a.qdf")), "keep");
    EXPECT_TRUE(Contains(refused.err, "already exists")) << refused.err;

    EXPECT_EQ(Run({"new", "--force", "a.qdf"}).status, 0);
    EXPECT_EQ(Run({"new", "b.qdf"}).status, 0);
    EXPECT_EQ(twtest::ReadAll(m_dir.File("a.qdf")), twtest::ReadAll(m_dir.File("b.qdf")));
    EXPECT_EQ(Run({"check", "a.qdf"}).status, 0);
    // Colours as the platform gives them: white on black text.
    EXPECT_TRUE(Contains(twtest::ReadAll(m_dir.File("b.qdf")),
                         "DISPLAY-PROPERTIES 2.0\r\n{\r\n0\r\n16777215\r\n0\r\n0\r\n}\r\n"));
}

TEST_F(Cli, ImportRefusesMembersTheFileCannotCarryBack) {
    const QdfRun run = Run({"import", "-", "-o", "out.qdf"},
                           R"({"tables": ["A", ""], "editedSQL": "SELECT\r\n}"})");
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(twtest::Exists(m_dir.File("out.qdf")));
    EXPECT_TRUE(Contains(run.err, "tables[1]")) << run.err;
    EXPECT_TRUE(Contains(run.err, "editedSQL: line 2")) << run.err;
}

TEST_F(Cli, ImportReportsJsonErrorsWithTheirPlace) {
    twtest::WriteAll(m_dir.File("out.qdf"), "keep");
    const QdfRun syntax = Run({"import", "-", "-o", "out.qdf"}, "{\"tables\": [");
    EXPECT_EQ(syntax.status, 2);
    EXPECT_TRUE(Contains(syntax.err, "qdf: standard input: not JSON")) << syntax.err;
    const QdfRun shape = Run({"import", "-", "-o", "out.qdf"}, R"({"time": {"zone": "1"}})");
    EXPECT_EQ(shape.status, 2);
    EXPECT_TRUE(Contains(shape.err, "qdf: standard input: time.zone: must be an integer"))
        << shape.err;
    EXPECT_EQ(twtest::ReadAll(m_dir.File("out.qdf")), "keep");
}

TEST_F(Cli, CheckReportsEachFile) {
    twtest::WriteAll(m_dir.File("empty.qdf"), "");
    const QdfRun run =
        Run({"check", Example("sales.qdf"), Example("damaged.qdf"), "empty.qdf", "missing.qdf"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.out, Example("sales.qdf") + ": ok\n")) << run.out;
    EXPECT_TRUE(Contains(run.out, Example("damaged.qdf") + ": error -1: ")) << run.out;
    EXPECT_TRUE(Contains(run.out, Example("damaged.qdf") + ": sections not read: CONDITIONS, "))
        << run.out;
    EXPECT_TRUE(Contains(run.out, "empty.qdf: sections not read: HEADER, DATABASE")) << run.out;
    EXPECT_TRUE(Contains(run.out, "missing.qdf: cannot open: ")) << run.out;
}

TEST_F(Cli, ConditionPrintsWhatTheLibraryMakesOfIt) {
    const QdfRun run =
        Run({"condition", "--type", "integer", "--table", "ORDERS", "QTY IN (<<Low>>,<<High>>)"});
    EXPECT_EQ(run.status, 1);  // QTY is not the attribute's name with its table
    EXPECT_TRUE(Contains(run.out, "SQL text:        QTY IN (<<Low>>,<<High>>)\n")) << run.out;
    EXPECT_TRUE(Contains(run.out, "full-name text:  ORDERS.QTY IN (<<Low>>,<<High>>)\n"));
    EXPECT_TRUE(Contains(run.out, "parameters:      High, Low\n"));
    EXPECT_TRUE(Contains(run.out, "with samples:    (1,1)\n"));
    EXPECT_TRUE(Contains(run.out, "check:           not valid\n"));
    EXPECT_TRUE(Contains(run.out, "message:         The attribute name has been changed!\n"));

    const QdfRun qualified =
        Run({"condition", "--type", "integer", "ORDERS.QTY IN (<<Low>>,<<High>>)"});
    EXPECT_EQ(qualified.status, 0) << qualified.out;
    EXPECT_TRUE(Contains(qualified.out, "attribute:       ORDERS.QTY (integer)\n"));
    EXPECT_TRUE(Contains(qualified.out, "check:           valid\n"));
}

}  // namespace
