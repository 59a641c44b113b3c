// qdf diff: two documents compared member by member through the member table.
#include <algorithm>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include <twfile/query/members.h>
#include <twfile/query/qdf.h>
#include <nlohmann/json.hpp>

#include <twfile/json/document_json.h>
#include "arguments.h"
#include "command_table.h"
#include "commands.h"
#include "document_diff.h"
#include "input.h"
#include "loading.h"
#include "visible_text.h"

namespace qdf {

using Json = nlohmann::ordered_json;

namespace {

// The kind of the member whose path is path (a list's element: of the list).
twfile::query::MemberKind MemberKindOf(const std::string& path) {
    for (const twfile::query::Member& member : twfile::query::Members()) {
        if (path == member.path) return member.kind;
    }
    return twfile::query::MemberKind::Text;
}

std::string Shown(const Json& value) {
    return value.is_null() ? "(none)" : value.dump();
}

// "PATH: A -> B", or for two texts of several lines, "PATH:" and the hunks
// of their unified diff.
void PrintDifference(const Difference& difference, std::ostream& out) {
    if (difference.a.is_string() && difference.b.is_string()) {
        const std::string& a = difference.a.get_ref<const std::string&>();
        const std::string& b = difference.b.get_ref<const std::string&>();
        if (a.find('\n') != std::string::npos || b.find('\n') != std::string::npos) {
            const std::vector<std::string> lines = UnifiedLines(a, b);
            if (!lines.empty()) {
                out << difference.path << ":\n";
                for (const std::string& line : lines)
                    out << Visible(line, kMessageText) << '\n';
                return;
            }
        }
    }
    out << difference.path << ": " << Shown(difference.a) << " -> " << Shown(difference.b) << '\n';
}

}  // namespace

int RunDiff(const DiffOptions& options, std::ostream& out, std::ostream& err) {
    const auto a = std::make_unique<CTWFileQDF>();
    const auto b = std::make_unique<CTWFileQDF>();
    try {
        RequireOneStandardInput({options.a, options.b});
    } catch (const Failure& failure) {
        PrintMessage(err, "diff", failure.what());
        return failure.status();
    }
    const ExitStatus readA = LoadToRead(options.a, *a, err);
    const ExitStatus readB = LoadToRead(options.b, *b, err);
    if (readA == kExitUsage || readB == kExitUsage) return kExitUsage;
    if (readA == kNotADocument || readB == kNotADocument) return kExitFailed;
    std::vector<Difference> differences;
    try {
        differences = CompareDocuments(*a, *b, options.encoding);
    } catch (const Failure& failure) {
        PrintMessage(err, "diff", failure.what());
        return kExitUsage;
    }
    if (options.json) {
        Json list = Json::array();
        for (const Difference& difference : differences)
            list.push_back({{"path", difference.path}, {"a", difference.a}, {"b", difference.b}});
        out << Json{{"equal", differences.empty()}, {"differences", std::move(list)}}.dump()
            << '\n';
    } else if (options.nameOnly) {
        std::string last;
        for (const Difference& difference : differences) {
            const std::string name = difference.path.substr(0, difference.path.find('['));
            const bool element = name.size() < difference.path.size() &&
                                 twfile::query::MemberKind::List == MemberKindOf(name);
            const std::string shown = element ? name : difference.path;
            if (shown != last) out << shown << '\n';
            last = shown;
        }
    } else {
        for (const Difference& difference : differences)
            PrintDifference(difference, out);
    }
    if (readA != kExitOk || readB != kExitOk) return kExitUsage;
    return differences.empty() ? kExitOk : kExitFailed;
}

Action DefineDiff(CLI::App& command) {
    auto o = Make<DiffOptions>();
    command.add_option("A", o->a, "The first .qdf file, or - for standard input")->required();
    command.add_option("B", o->b, "The second .qdf file, or - for standard input")->required();
    command.add_flag("--json", o->json,
                     "Write {\"equal\", \"differences\": [{\"path\", \"a\", \"b\"}]}");
    command
        .add_flag("--name-only", o->nameOnly,
                  "Name each member that differs, once, and a list by its name")
        ->excludes("--json");
    AddEncoding(command, o->encoding);
    command.footer(
        "Each member that differs is named by its path in the JSON form (tables[2], "
        "flags.editedSQL), with its values in A and in B.");
    return [o] { return RunDiff(*o, std::cout, std::cerr); };
}

}  // namespace qdf
