// The qdf program as a user runs it: exit statuses, what goes to standard
// output and what to standard error, and export | import round trips.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <twfile/host/error.h>
#include <twfile/query/qdf.h>
#include <twfile/version.h>

#include "diagram.h"
#include "support/support.h"
#include "tool_support.h"

namespace {

using twtest::Contains;
using twtest::Example;

struct QdfRun {
    int status;
    std::string out;
    std::string err;
};

// text in single quotes for the shell.
std::string Quoted(const std::string& text) {
    std::string out = "'";
    for (const char ch : text)
        out += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return out + "'";
}

// qdf condition --type TYPE, then args.
std::vector<std::string> Condition(const std::string& type, std::vector<std::string> args) {
    args.insert(args.begin(), {"condition", "--type", type});
    return args;
}

class Cli : public ::testing::Test {
  protected:
    static constexpr const char* kClosed = "\x01 closed";

    // Runs the built qdf with args (and input on its standard input) in the
    // test's directory. Every line of standard error starts with "qdf: " (a
    // text of several lines goes on indented lines; a usage error ends with a
    // hint), and none is said twice.
    // The input kClosed runs it with standard input closed.
    QdfRun Run(const std::vector<std::string>& args, const std::string& input = "") {
        twtest::WriteAll(m_dir.File(".stdin"), input);
        std::string command = "cd " + Quoted(m_dir.path()) + " && " + Quoted(QDF_BINARY);
        for (const std::string& arg : args)
            command += " " + Quoted(arg);
        command += input == kClosed ? " <&-" : " <.stdin";
        const int raw = std::system((command + " >.stdout 2>.stderr").c_str());
        const QdfRun run{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1,
                         twtest::ReadAll(m_dir.File(".stdout")),
                         twtest::ReadAll(m_dir.File(".stderr"))};
        std::istringstream lines(run.err);
        std::set<std::string> seen;
        for (std::string line; std::getline(lines, line);) {
            EXPECT_TRUE(line.rfind("qdf: ", 0) == 0 || line.rfind("    ", 0) == 0 ||
                        line.rfind("Run 'qdf", 0) == 0)
                << line;
            EXPECT_TRUE(seen.insert(line).second) << "said twice: " << line;
        }
        return run;
    }

    struct Case {
        std::vector<std::string> args;
        int status;
        std::string out;  // found in standard output
        std::string err;  // found in standard error; when empty, it must be empty
        std::string input = "";
    };

    // Status 2 means nothing could be done: nothing goes to standard output,
    // unless other files could be read.
    void ExpectRuns(const std::vector<Case>& cases) {
        for (const Case& c : cases) {
            SCOPED_TRACE("qdf " + ::testing::PrintToString(c.args));
            const QdfRun run = Run(c.args, c.input);
            EXPECT_EQ(run.status, c.status) << run.err;
            EXPECT_TRUE(Contains(run.out, c.out)) << run.out;
            EXPECT_TRUE(c.status != 2 || !c.out.empty() || run.out.empty()) << run.out;
            EXPECT_TRUE(c.err.empty() ? run.err.empty() : Contains(run.err, c.err)) << run.err;
        }
    }

    // What the library writes for the document read from file.
    std::string SavedByLibrary(const std::string& file) {
        CTWFileQDF doc;
        doc.Open(file.c_str(), 1);
        CTWError::Clear();  // a damaged file is saved with what was read
        EXPECT_GE(doc.SaveAs(m_dir.File("saved.qdf").c_str()), 0) << file;
        doc.Close();
        return twtest::ReadAll(m_dir.File("saved.qdf"));
    }

    // What qdf import writes for what qdf export prints of file.
    std::string ExportImport(const std::string& file) {
        const QdfRun imported = Run({"import", "-", "-o", "copy.qdf"}, Run({"export", file}).out);
        EXPECT_EQ(imported.status, 0) << file << "\n" << imported.err;
        return twtest::ReadAll(m_dir.File("copy.qdf"));
    }

    twtest::TempDir m_dir;
};

TEST_F(Cli, ExitStatusesAndMessages) {
    twtest::WriteAll(m_dir.File("empty.json"), "{}");
    std::filesystem::create_directory(m_dir.File("batch"));
    twtest::WriteAll(m_dir.File("a.qdf"), "keep");
    twtest::WriteAll(m_dir.File("keep.json"), "keep");
    // Edited in turn by the table; kept.qdf only by edits that fail.
    twtest::WriteAll(m_dir.File("edited.qdf"), twtest::ReadAll(Example("sales.qdf")));
    twtest::WriteAll(m_dir.File("kept.qdf"), twtest::ReadAll(Example("sales.qdf")));
    twtest::WriteAll(m_dir.File("damaged.qdf"), twtest::ReadAll(Example("damaged.qdf")));
    twtest::WriteAll(m_dir.File("legacy.qdf"), twtest::ReadAll(Example("legacy.qdf")));
    // A table holding a NUL byte, which a save would cut short.
    std::string nul = twtest::ReadAll(TWFILE_TEST_DATA_DIR "/qdf/new_document.qdf");
    const std::string tables = "TABLES 1.0\r\n{\r\n";
    nul.insert(nul.find(tables) + tables.size(), std::string("A\0B\r\n", 5));
    twtest::WriteAll(m_dir.File("nul.qdf"), nul);
    const std::string sales = Example("sales.qdf");
    const std::string legacy = Example("legacy.qdf");
    const std::string damaged = Example("damaged.qdf");
    const std::string readError =
        "qdf: " + damaged +
        ": line 33 (byte 454): error -1: Unexpected end-of-file found in Query Definition file";
    const std::string noFile = ": cannot open: No such file or directory";
    const std::string notRegular = "not a regular file (a directory, pipe, device or socket)";
    const bool drawn = qdf::kDiagramsDrawn;
    ASSERT_EQ(::mkfifo(m_dir.File("fifo").c_str(), 0600), 0);
    const std::string salesText = twtest::ReadAll(sales);
    // Text after the last section, which a save would drop, and files that
    // hold no section at all.
    twtest::WriteAll(m_dir.File("trailing.qdf"), salesText + "NOTES 1.0 { keep me }");
    const std::string trailingAt =
        "line " + std::to_string(std::count(salesText.begin(), salesText.end(), '\n') + 1) +
        " (byte " + std::to_string(salesText.size()) + "): text that a save would drop";
    twtest::WriteAll(m_dir.File("notes.txt"), "hello");
    twtest::WriteAll(m_dir.File("long.txt"), std::string(300, 'x'));
    const std::string notADocument = "qdf: notes.txt: not a query definition file\n";
    // Control characters are escaped; edited SQL is shown line by line.
    const std::string odd = R"({"windowPosition": "a\tb\rc\nd\"e\\f\u0001",
        "editedSQL": "SELECT *\r\nFROM T\r\n", "display": {"backgroundColour": "red"}})";
    // clang-format off
    ExpectRuns({
        {{"show", sales}, 0, "Database:                \"SALES\"\nTables:                  3\n"
         "    \"ORDERS\"\n", ""},
        {{"show", sales}, 0, "background colour:   \"15138815\" (#FFFFE6)\n", ""},
        {{"import", "-", "-o", "odd.qdf"}, 0, "", "", odd},
        {{"show", "odd.qdf"}, 0, R"("a\tb\rc\nd\"e\\f\x01")", ""},
        {{"show", "odd.qdf"}, 0, "Edited SQL:\n    | SELECT *\n    | FROM T\n    | \n", ""},
        {{"export", "--encoding", "utf8", "--compact", "odd.qdf"}, 0,
         "\"editedSQL\":\"SELECT *\\r\\nFROM T\\r\\n\"", ""},
        {{"show", damaged}, 1, "Read error:              -1: Unexpected end-of-file", readError},
        {{"show", "missing.qdf"}, 2, "", "qdf: missing.qdf" + noFile},
        {{"export", "--encoding", "latin9", sales}, 2, "", "qdf: --encoding: must be one of "},
        {{"export", "-c", sales}, 0, "{\"file\":\"" + sales + "\",\"database\":\"SALES\",", ""},
        {{"export", sales, "missing.qdf", ".", damaged}, 2,
         "}}\n{\"path\":\"missing.qdf\",\"error\":\"cannot open: No such file or directory\"}\n"
         "{\"path\":\".\",\"error\":\"" + notRegular + "\"}\n{\"path\":\"" + damaged + "\",",
         "qdf: missing.qdf" + noFile},
        {{"export", "-o", "out.json", sales}, 0, "", ""},
        {{"export", "-o", "-", sales}, 0, "\"database\": \"SALES\"", ""},
        {{"export", "-o", "", sales}, 2, "", "must name a file, or - for standard output"},
        {{"import", "empty.json", "-o", ""}, 2, "", "must name a file, or - for standard output"},
        {{"export", "-o", "keep.json", "missing.qdf"}, 2, "", "qdf: missing.qdf" + noFile},
        {{"export", "-o", ".", sales}, 2, "", "qdf: .: " + notRegular + "; not replaced"},
        {{"export", "-o", "missing/out.json", sales}, 2, "", "qdf: missing/out.json: cannot make"},
        {{"show", sales, sales}, 0, "\n\nFile:                    " + sales, ""},
        {{"show", "-"}, 2, "", "qdf: standard input: cannot read: ", kClosed},
        {{"sql", "-"}, 0, "SELECT ORDERS.ORDER_NO", "", salesText},

        {{}, 2, "Usage: qdf [OPTIONS] SUBCOMMAND\n", ""},
        {{"condition", "--help"}, 0, "--type bool|integer|real|string|time REQUIRED\n", ""},
        {{"check", "--encoding", "CP1252", sales}, 0, sales + ": ok\n", ""},

        {{"frobnicate"}, 2, "", "qdf: unknown command 'frobnicate'\nRun 'qdf help'"},
        {{"shwo", sales}, 2, "", "qdf: unknown command 'shwo'; did you mean 'show'?\n"},
        {{"help"}, 0, "Usage: qdf [OPTIONS] SUBCOMMAND", ""},
        {{"import", "empty.json", "-o", "new.qdf"}, 0, "", ""},
        {{"import", ".", "-o", "x.qdf"}, 2, "", "qdf: .: " + notRegular},
        {{"import", "-", "-o", "x.qdf"}, 2, "", "qdf: standard input: cannot read: ", kClosed},
        {{"import", "-", "-o", "x.qdf"}, 1, "", "qdf: x.qdf: not written: the file cannot carry",
         R"({"tables": [""]})"},
        {{"import", "empty.json", "-o", "fifo"}, 2, "", "qdf: fifo: " + notRegular},
        {{"import", "-", "-o", "x.qdf"}, 2, "",
         "flags.editdSQL: is not a known key; did you mean 'flags.editedSQL'?\n",
         R"({"flags": {"editdSQL": true}})"},
        {{"show", "long.txt"}, 1, "", "qdf: long.txt: not a query definition file\n"},
        // A batch: each line saved under the folder by its name alone, a
        // line that fails named, the others written.
        {{"import", "--lines", "-", "-o", "batch"}, 1, "", "qdf: standard input: line 2: not JSON",
         "{\"path\": \"dir/one.qdf\", \"document\": {\"database\": \"ONE\"}}\nnot json\n"
         "{\"path\": \"../evil.qdf\", \"document\": {}}\n"},
        {{"get", "batch/one.qdf", "database"}, 0, "\"ONE\"\n", ""},
        {{"import", "empty.json"}, 2, "", "qdf: import: -o FILE names the document to write"},
        {{"new", "-"}, 0, "HEADER 2.0\r\n", ""},
        {{"new", "a.qdf"}, 2, "", "qdf: a.qdf: already exists (--force replaces it)"},
        {{"new", "--force", "a.qdf"}, 0, "", ""},
        {{"new", "."}, 2, "", "qdf: .: is a directory; give the new file's name\n"},
        {{"add", "kept.qdf", "conditions", "-x"}, 2, "",
         "qdf: -x is no option of add; a text that starts with - goes after --"},
        {{"new", "missing/a.qdf"}, 1, "", "qdf: missing/a.qdf: No such file or directory"},
        {{"check", sales}, 0, sales + ": ok\n", ""},
        {{"check", "nul.qdf", "missing.qdf"}, 2, "nul.qdf: tables[0] holds a NUL byte, where a save "
         "ends the text\nmissing.qdf: cannot open: No such file or directory\n", ""},
        {{"check", "--json", sales, "."}, 2,
         "\"DISPLAY-PROPERTIES\":true},\"error\":null,\"findings\":[]}\n{\"path\":\".\",\"ok\":"
         "false,\"sectionsRead\":null,\"error\":\"" + notRegular + "\",\"findings\":[",
         ""},
        {{"diff", sales, "-"}, 0, "", "", salesText},
        {{"diff", "--json", legacy, sales}, 1,
         "{\"path\":\"tables[2]\",\"a\":null,\"b\":\"PRODUCTS\"},{\"path\":\"attributes[0]\"", ""},
        {{"diff", sales, damaged}, 2,
         "\njoins[1]: \"ORDERS.PRODUCT_NO = PRODUCTS.PRODUCT_NO\" -> (none)\n", readError},
        {{"set", "edited.qdf", "database=NEW", "flags.editedSQL=true", "printer.strings[2]=L:"},
         0, "", ""},
        {{"add", "edited.qdf", "tables", "T1", "T2"}, 0, "", ""},
        {{"remove", "edited.qdf", "tables", "2", "0"}, 0, "", ""},
        // Lists are aligned by content: a removed, changed or added element
        // is one line (a removed or changed one named by its place in A, an
        // added one by its place in B); texts of several lines as diff -u.
        {{"diff", sales, "edited.qdf"}, 1,
         "database: \"SALES\" -> \"NEW\"\ntables[0]: \"ORDERS\" -> (none)\n"
         "tables[2]: \"PRODUCTS\" -> \"T1\"\ntables[2]: (none) -> \"T2\"\nflags.", ""},
        {{"diff", "--name-only", sales, "edited.qdf"}, 1,
         "database\ntables\nflags.editedSQL\nprinter.strings[2]\n", ""},
        {{"diff", "--name-only", "--json", sales, sales}, 2, "", "excludes --name-only"},
        {{"import", "-", "-o", "sql1.qdf"}, 0, "", "",
         R"({"editedSQL": "SELECT *\r\nFROM T\r\nWHERE \u001b[2J\r\n"})"},
        {{"import", "-", "-o", "sql2.qdf"}, 0, "", "", R"({"editedSQL": "SELECT *\r\nFROM U\r\n"})"},
        {{"diff", "sql1.qdf", "sql2.qdf"}, 1,
         "editedSQL:\n@@ -1,3 +1,2 @@\n SELECT *\n-FROM T\n-WHERE \\x1B[2J\n+FROM U\n", ""},
        {{"set", "-", "time.zone=5"}, 0, "TIME 1.0\r\n{\r\n5\r\n", "", salesText},
        {{"set", "kept.qdf", "datbase=X"}, 2, "",
         "qdf: kept.qdf: datbase: not a member of the document; did you mean 'database'?"},
        {{"set", "kept.qdf", "database"}, 2, "", "qdf: kept.qdf: database: not KEY=VALUE"},
        {{"add", "kept.qdf", "flags.readOnly", "x"}, 2, "",
         "qdf: kept.qdf: flags.readOnly: not a list"},
        {{"remove", "kept.qdf", "tables", "0", "3"}, 2, "",
         "qdf: kept.qdf: tables[3]: no such element (3 in the list)"},
        {{"set", "damaged.qdf", "database=X"}, 1, "",
         "qdf: damaged.qdf: did not read cleanly; not changed"},
        {{"set", "missing.qdf", "database=X"}, 2, "", "qdf: missing.qdf" + noFile},
        {{"add", "legacy.qdf", "tables", "X"}, 1, "",
         "legacy.qdf: sections not read: DEFAULT-VALUES"},
        {{"edit", "-"}, 2, "", "qdf: edit: needs a file"},
        {{"check", "--json", damaged}, 1, "\"CONDITIONS\":false,", ""},
        {{"check", "--json", "--schema", "x.db", sales}, 2, "", "qdf: check: x.db: cannot open"},
        {{"check", "fifo", sales}, 2, "fifo: " + notRegular + "\n" + sales + ": ok\n", ""},
        {{"check", "trailing.qdf"}, 1, "trailing.qdf: " + trailingAt + "\n", ""},
        {{"add", "trailing.qdf", "tables", "X"}, 1, "", trailingAt + "; not changed"},
        {{"show", "notes.txt"}, 1, "", notADocument},
        {{"export", "notes.txt"}, 1, "", notADocument},
        {{"export", "--lines", "notes.txt"}, 1, "\"error\":\"not a query definition file\"",
         notADocument},
        {{"check", "notes.txt"}, 1, "notes.txt: not a query definition file\n", ""},
        {{"set", "notes.txt", "database=X"}, 1, "", notADocument},
        {{"diff", sales, "notes.txt"}, 1, "", notADocument},
        {{"show", "-", "-"}, 2, "", "qdf: standard input (-) can be read only once"},
        {{"params", legacy, "-"}, 0, "FILE   ", "", salesText},
        {{"params", legacy}, 0, "Reorder  conditions[0]  ITEMS.ON_HAND        (none)   not used\n"
         "Reorder  editedSQL                           (none)   yes\n", ""},
        {{"params", "--json", "notes.txt", sales}, 1, "{\"path\":\"" + sales +
         "\",\"parameters\":[{\"name\":\"From\",\"place\":\"conditions[0]\",", notADocument},
        {{"get", sales, "database", "tables[2]", "flags.editedSQL", "printer.strings[2]"}, 0,
         "\"SALES\"\n\"PRODUCTS\"\nfalse\n\"LPT1:\"\n", ""},
        {{"get", "-r", "-", "customDataString", "tables"}, 0,
         "report=monthly-sales;currency=\u20ac\n[\"ORDERS\",", "", salesText},
        {{"get", sales, "database", "tables[3]"}, 2, "", "tables[3]: no such element (3 in the list)"},
        {{"get", sales, "tabels[0]"}, 2, "", "tabels[0]: not a member of the document; did you mean 'tables[0]'?"},
        {{"get", damaged, "tables[2]"}, 1, "\"PRODUCTS\"\n", readError},
        {{"diagram", "--format", "dot", "-"}, drawn ? 0 : 2, drawn ? "t0:a4 -> t1:a2" : "",
         drawn ? "" : std::string("qdf: ") + qdf::kWithoutGraphvizText, salesText},
        {{"diagram", "--format", "pdf", sales}, 2, "", "--format: must be one of dot|png|svg"},
        {{"diagram", damaged}, drawn ? 1 : 2, drawn ? "</svg>" : "", readError},
        {{"--version"}, 0, std::string("qdf ") + twfile::VersionString() + "\n", ""},
    });
    // clang-format on
    EXPECT_EQ(twtest::ReadAll(m_dir.File("a.qdf")), twtest::ReadAll(m_dir.File("new.qdf")));
    EXPECT_EQ(twtest::ReadAll(m_dir.File("out.json")), Run({"export", sales}).out);
    EXPECT_EQ(twtest::ReadAll(m_dir.File("keep.json")), "keep");
    EXPECT_FALSE(twtest::Exists(m_dir.File("-")));
    EXPECT_TRUE(twtest::Exists(m_dir.File("batch/evil.qdf")));
    EXPECT_FALSE(twtest::Exists(m_dir.path() + "/../evil.qdf"));
    // A failed write to standard output is trouble (2), never "different" (1).
    const std::string closed = "cd " + Quoted(m_dir.path()) + " && " + Quoted(QDF_BINARY) +
                               " diff " + Quoted(sales) + " edited.qdf >&- 2>.stderr";
    EXPECT_EQ(WEXITSTATUS(std::system(closed.c_str())), 2);
    EXPECT_EQ(twtest::ReadAll(m_dir.File("kept.qdf")), salesText);
    EXPECT_EQ(twtest::ReadAll(m_dir.File("damaged.qdf")), twtest::ReadAll(damaged));
    EXPECT_EQ(twtest::ReadAll(m_dir.File("legacy.qdf")), twtest::ReadAll(legacy));
    EXPECT_EQ(twtest::ReadAll(m_dir.File("trailing.qdf")), salesText + "NOTES 1.0 { keep me }");
    EXPECT_EQ(twtest::ReadAll(m_dir.File("notes.txt")), "hello");
    EXPECT_EQ(Run({"check", "--quiet", legacy}).status, 1);
    EXPECT_EQ(Run({"check", "--quiet", legacy}).out, "");
    for (const auto& entry : std::filesystem::directory_iterator(m_dir.path())) {
        EXPECT_FALSE(Contains(entry.path().string(), ".qdf-new-")) << "left behind: " << entry;
    }
}

// git diff shows documents through qdf export, set up as docs/qdf.md tells.
TEST_F(Cli, GitDiffShowsDocumentsThroughExport) {
    const auto git = [&](const std::string& args) {
        return std::system(("cd " + Quoted(m_dir.path()) +
                            " && git -c user.name=t -c user.email=t@t " + args + " >.git-out 2>&1")
                               .c_str());
    };
    ASSERT_EQ(git("init -q ."), 0) << twtest::ReadAll(m_dir.File(".git-out"));
    ASSERT_EQ(git("config diff.qdf.textconv " + Quoted(Quoted(QDF_BINARY) + " export - <")), 0);
    twtest::WriteAll(m_dir.File(".gitattributes"), "*.qdf diff=qdf\n");
    twtest::WriteAll(m_dir.File("s.qdf"), twtest::ReadAll(Example("sales.qdf")));
    ASSERT_EQ(git("add s.qdf .gitattributes") | git("commit -q -m s"), 0);
    ASSERT_EQ(Run({"set", "s.qdf", "database=STOCK"}).status, 0);
    ASSERT_EQ(git("diff"), 0);
    const std::string shown = twtest::ReadAll(m_dir.File(".git-out"));
    EXPECT_TRUE(Contains(shown, "-  \"database\": \"SALES\",\n+  \"database\": \"STOCK\",\n"))
        << shown;
    EXPECT_FALSE(Contains(shown, "+  \"file\"")) << shown;  // not git's temporary file
}

// Every command that qdf --help lists has its exit statuses in its help and
// a section of the manual page, and docs/qdf.md names it and every option its
// help lists.
TEST_F(Cli, HelpManualAndDocsNameEveryCommandAndOption) {
    const std::string docs = twtest::ReadAll(std::string(TWFILE_SOURCE_DIR) + "/docs/qdf.md");
    const std::string manual = Run({"man"}).out;
    for (const char* section :
         {".SH NAME\n", ".SH SYNOPSIS\n", ".SH EXIT STATUS\n", ".SH ENVIRONMENT\n", ".SH FILES\n"})
        EXPECT_TRUE(Contains(manual, section)) << section;
    const std::string help = Run({"--help"}).out;
    std::istringstream list(help.substr(help.find("\nSubcommands:\n") + 1));
    std::vector<std::string> commands;
    for (std::string line; std::getline(list, line);) {
        if (line.rfind("  ", 0) == 0 && line.size() > 2 && line[2] != ' ')
            commands.push_back(line.substr(2, line.find(' ', 2) - 2));
    }
    EXPECT_GE(commands.size(), 15u) << help;
    for (const std::string& command : commands) {
        SCOPED_TRACE(command);
        const QdfRun own = Run({command, "--help"});
        EXPECT_EQ(own.status, 0);
        EXPECT_TRUE(Contains(own.out, "Usage: qdf " + command) &&
                    Contains(own.out, "Exit status:\n  0 "))
            << own.out;
        EXPECT_EQ(Run({"help", command}).out, own.out);
        EXPECT_TRUE(Contains(manual, ".SS " + command + "\n"));
        EXPECT_TRUE(Contains(docs, "`qdf " + command)) << "docs/qdf.md does not name it";
        std::istringstream words(own.out);
        for (std::string word; words >> word;) {
            const std::string option = word.substr(0, word.find_first_of(",=)"));
            if (option.rfind("--", 0) != 0 || option.size() <= 2) continue;
            EXPECT_TRUE(Contains(docs, option)) << "docs/qdf.md does not name " << option;
        }
    }
}

// Each shell's completion script is valid for the shell (zsh and fish when
// installed), and bash's offers commands, options, choices, set's keys, the
// lists of add and remove, and *.qdf files.
TEST_F(Cli, CompletionOffersFromTheCommandTable) {
    const std::string at = "cd " + Quoted(m_dir.path()) + " && ";
    for (const std::string shell : {"bash", "zsh", "fish"}) {
        SCOPED_TRACE(shell);
        ASSERT_EQ(Run({"completion", shell}).status, 0);
        twtest::WriteAll(m_dir.File("qdf." + shell), twtest::ReadAll(m_dir.File(".stdout")));
        if (shell != "bash" && std::system(("command -v " + shell + " >/dev/null").c_str()) != 0)
            continue;
        EXPECT_EQ(std::system((at + shell + " -n qdf." + shell).c_str()), 0);
    }
    twtest::WriteAll(m_dir.File("a.qdf"), "");
    twtest::WriteAll(m_dir.File("b.txt"), "");
    const struct {
        const char* words;  // the words so far, the last one being completed
        const char* offered;
        const char* notOffered;
    } cases[] = {
        {"qdf se", "set\n", "show"},
        {"qdf comp", "completion\n", "check"},
        {"qdf show --enc", "--encoding\n", "--lines"},
        {"qdf run a.qdf --format j", "json\n", "csv"},
        {"qdf set a.qdf flags.ed", "flags.editedSQL=\n", "database"},
        {"qdf add a.qdf con", "conditions\n", "database"},
        {"qdf help ru", "run\n", "remove"},
        {"qdf completion f", "fish\n", "bash"},
        {"qdf show ", "a.qdf\n", "b.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.words);
        const std::string script = std::string("source qdf.bash; COMP_WORDS=(") + c.words +
                                   (c.words[std::strlen(c.words) - 1] == ' ' ? "''" : "") +
                                   "); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _qdf; "
                                   "printf '%s\\n' \"${COMPREPLY[@]}\"";
        ASSERT_EQ(std::system((at + "bash -c " + Quoted(script) + " >offered").c_str()), 0);
        const std::string offered = "\n" + twtest::ReadAll(m_dir.File("offered"));
        EXPECT_TRUE(Contains(offered, std::string("\n") + c.offered)) << offered;
        EXPECT_FALSE(Contains(offered, c.notOffered)) << offered;
    }
}

// edit saves what the editor leaves when it imports cleanly, and nothing
// else: the file keeps its bytes, and a text that does not fit is kept.
TEST_F(Cli, EditSavesOnlyWhatFits) {
    const std::string sales = Example("sales.qdf");
    twtest::WriteAll(m_dir.File("s.qdf"), twtest::ReadAll(sales));
    ASSERT_EQ(::setenv("TMPDIR", m_dir.path().c_str(), 1), 0);
    const struct {
        const char* editor;
        int status;
        const char* err;
    } cases[] = {
        {"true", 0, ""},
        {"sed -i s/SALES/EDITED/", 0, ""},
        {"false", 1, "qdf: s.qdf: the editor (false) failed; not changed (the edited text is "},
        {"sed -i s/EDITED/ED\\\"/", 1, "qdf: s.qdf: not JSON: "},
        {"sed -i 's/\"EDITED\"/\"A\\\\u0000B\"/'", 1,
         "qdf: s.qdf: database: holds a NUL byte, where a save ends the text\n"
         "qdf: s.qdf: not changed: the file cannot carry these members back unchanged (the "
         "edited text is kept in "},
    };
    std::string saved;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.editor);
        ASSERT_EQ(::setenv("VISUAL", c.editor, 1), 0);
        const QdfRun run = Run({"edit", "s.qdf"});
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_TRUE(*c.err == '\0' ? run.err.empty() : Contains(run.err, c.err)) << run.err;
        if (c.status == 0) saved = twtest::ReadAll(m_dir.File("s.qdf"));
        EXPECT_EQ(twtest::ReadAll(m_dir.File("s.qdf")), saved);
    }
    ::unsetenv("VISUAL");
    ::unsetenv("TMPDIR");
    EXPECT_EQ(Run({"diff", sales, "s.qdf"}).out, "database: \"SALES\" -> \"EDITED\"\n");
    int kept = 0;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir.path()))
        kept += Contains(entry.path().string(), "qdf-edit-") ? 1 : 0;
    EXPECT_EQ(kept, 3);  // the texts that were not saved
}

// edit does not save over a change made while the editor was open, and keeps
// the edited text, named, whenever it does not save it.
TEST_F(Cli, EditKeepsItsTextWhenTheFileChangedMeanwhile) {
    const std::string salesText = twtest::ReadAll(Example("sales.qdf"));
    ASSERT_EQ(::setenv("TMPDIR", m_dir.path().c_str(), 1), 0);
    const std::string edit = "sed -i s/SALES/MINE/ \"$1\" && ";
    const std::string theirs = Quoted(QDF_BINARY) + " add s.qdf tables THEIRS";
    const struct {
        std::string editor;
        std::string err;
    } cases[] = {
        {edit + theirs + " && true", "qdf: s.qdf: changed since it was read"},
        {edit + "rm s.qdf && mkdir s.qdf && true", "qdf: s.qdf: not a regular file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.editor);
        twtest::WriteAll(m_dir.File("s.qdf"), salesText);
        ASSERT_EQ(::setenv("VISUAL", c.editor.c_str(), 1), 0);
        const QdfRun run = Run({"edit", "s.qdf"});
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(Contains(run.err, c.err)) << run.err;
        EXPECT_TRUE(Contains(run.err, "; not changed (the edited text is kept in ")) << run.err;
    }
    ::unsetenv("VISUAL");
    ::unsetenv("TMPDIR");
    std::filesystem::remove(m_dir.File("s.qdf"));
    int kept = 0;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir.path())) {
        if (!Contains(entry.path().string(), "qdf-edit-")) continue;
        EXPECT_TRUE(Contains(twtest::ReadAll(entry.path().string()), "\"MINE\""));
        ++kept;
    }
    EXPECT_EQ(kept, 2);
}

// Writers at the same time: every add that succeeds is in the file at the
// end. A writer that finds the file held gives up with status 3, or waits
// for the holder with --wait.
TEST_F(Cli, WritersAtTheSameTimeLoseNoSuccess) {
    twtest::WriteAll(m_dir.File("c.qdf"), twtest::ReadAll(Example("sales.qdf")));
    const std::string add = Quoted(QDF_BINARY) + " add --wait 60 c.qdf tables";
    const std::string script = "cd " + Quoted(m_dir.path()) +
                               " && for w in 1 2 3 4; do (i=0; while [ $i -lt 25 ]; do "
                               "i=$((i+1)); " +
                               add +
                               " W$w-$i 2>>errors && echo W$w-$i >>ok; "
                               "done) & done; wait";
    ASSERT_EQ(std::system(script.c_str()), 0);
    EXPECT_EQ(twtest::ReadAll(m_dir.File("errors")), "");
    const std::string tables = Run({"export", "c.qdf"}).out;
    std::istringstream ok(twtest::ReadAll(m_dir.File("ok")));
    int successes = 0;
    for (std::string name; std::getline(ok, name); ++successes)
        EXPECT_TRUE(Contains(tables, "\"" + name + "\"")) << name;
    EXPECT_EQ(successes, 100);

    CTWFileQDF holder;
    ASSERT_GE(holder.Open(m_dir.File("c.qdf").c_str(), 0), 0);
    const std::string inUse = "qdf: c.qdf: in use by another program; not changed";
    ExpectRuns({
        {{"add", "c.qdf", "tables", "X"}, 3, "", inUse},
        {{"import", "-", "-o", "c.qdf"}, 3, "", inUse, "{}"},
        {{"edit", "c.qdf"}, 3, "", inUse},
    });
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        holder.Close();
    });
    const QdfRun waited = Run({"add", "--wait", "30", "c.qdf", "tables", "LAST"});
    release.join();
    EXPECT_EQ(waited.status, 0) << waited.err;
    EXPECT_TRUE(Contains(Run({"export", "c.qdf"}).out, "\"LAST\""));
}

// What the library makes of a condition bound to an attribute named by the
// text's first word or by the options, in the encoding asked for (the
// library's own results are the condition tests'; a message of several
// lines goes on indented lines).
TEST_F(Cli, ConditionShowsWhatTheLibraryMakesOfIt) {
    std::string manyParameters = "X IN (";
    for (int i = 0; i < 19; ++i)
        manyParameters += "<<P" + std::to_string(i) + ">>,";
    manyParameters += "1)";
    const std::string a = "attribute:       ";
    // The condition's check wants the attribute's name with its table.
    const std::string withTable =
        "attribute:       ORDERS.QTY (integer)\n"
        "SQL text:        QTY IN (<<Low>>,<<High>>)\n"
        "full-name text:  ORDERS.QTY IN (<<Low>>,<<High>>)\n"
        "parameters:      High, Low\n"
        "operand:         (<<Low>>,<<High>>)\n"
        "with samples:    (1,1)\n"
        "check:           not valid\n"
        "message:         The attribute name has been changed!\n";
    const std::string chinese = "NAME = '\xE4\xB8\xAD'";  // no Windows-1252 byte
    ExpectRuns({
        {Condition("integer", {"QTY = 1"}), 0, a + "QTY (integer)\n", ""},
        {Condition("integer", {"ORDERS.QTY = 1"}), 0, a + "ORDERS.QTY (integer)\n", ""},
        {Condition("integer", {"--attribute", "AMOUNT", " QTY = 1"}), 1, a + "AMOUNT (", ""},
        {Condition("integer", {"--table", "T", "--attribute", "A", "X = 1"}), 1, a + "T.A (", ""},
        {Condition("integer", {"--table", "ORDERS", "QTY IN (<<Low>>,<<High>>)"}), 1, withTable,
         ""},
        {Condition("string", {"NAME LIKE '<<Pattern>>'"}), 0, "with samples:    'ABC'\n", ""},
        {Condition("integer", {"QTY >"}), 1, "operand:         none", ""},
        {Condition("bool", {"FLAG > TRUE"}), 1, "Invalid Operator\n                 Must be", ""},
        {Condition("integer", {"   "}), 2, "", "qdf: condition: no attribute name: give"},
        {Condition("integer", {manyParameters}), 1, "", "qdf: condition: parameters: error -5: "},
        {Condition("string", {chinese}), 2, "", "qdf: condition: condition text: the character"},
        {Condition("string", {"--encoding", "utf-8", chinese}), 0, chinese, ""},
    });
}

// export | import writes what the library writes for the document: byte for
// byte the file itself for every file the library wrote.
TEST_F(Cli, RoundTripOfEveryExampleAndFixture) {
    twtest::CaptureMessages();
    std::vector<std::string> files;
    for (const char* root : {TWFILE_EXAMPLES_DIR, TWFILE_TEST_DATA_DIR "/qdf"}) {
        for (const auto& entry : std::filesystem::directory_iterator(root)) {
            if (entry.path().extension() == ".qdf") files.push_back(entry.path().string());
        }
    }
    // And texts of every byte (NUL aside, which the file cannot hold; CR and
    // LF stand apart).
    std::string bytes;
    for (int b = 1; b < 256; ++b)
        bytes += static_cast<char>(b);
    CTWFileQDF doc;
    doc.m_strDatabase = CString(bytes.data(), static_cast<int>(bytes.size()));
    doc.AddTable(new CString(bytes.c_str() + 100));
    files.push_back(m_dir.File("bytes.qdf"));
    ASSERT_GE(doc.SaveAs(files.back().c_str()), 0);
    doc.Close();

    int written = 0;
    for (const std::string& file : files) {
        const std::string saved = SavedByLibrary(file);
        EXPECT_EQ(ExportImport(file), saved) << file;
        if (saved == twtest::ReadAll(file)) ++written;  // else older or damaged
    }
    // Read on two threads, the files come out as they do one after another.
    std::vector<std::string> all{"export", "--lines"};
    all.insert(all.end(), files.begin(), files.end());
    const QdfRun inTurn = Run(all);
    all.insert(all.begin() + 2, {"-j", "2"});
    const QdfRun parallel = Run(all);
    EXPECT_EQ(parallel.out, inTurn.out);
    EXPECT_EQ(parallel.err, inTurn.err);
    EXPECT_EQ(parallel.status, inTurn.status);
    EXPECT_GE(files.size(), 14u);
    EXPECT_GE(written, 4);  // the sales example, the new document, the sample, every byte
    EXPECT_EQ(CTWError::GetNumber(), 0);
}

}  // namespace

#else  // Windows

#include <gtest/gtest.h>

// The program is run through fork and exec, which Windows does not have;
// its commands are covered through qdf_core by the other cases.
TEST(QdfProgram, IsRunOnPosixSystemsOnly) {
    GTEST_SKIP() << "runs the qdf program with fork and exec (POSIX only)";
}

#endif
