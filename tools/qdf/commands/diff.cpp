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
#include "input.h"
#include "loading.h"

namespace qdf {

using Json = nlohmann::ordered_json;

namespace {

struct Difference {
    std::string path;
    Json a;  // null: the element is missing from a
    Json b;
};

std::vector<Difference> Compare(const CTWFileQDF& a, const CTWFileQDF& b, json::Encoding encoding) {
    std::vector<Difference> differences;
    for (const twfile::query::Member& member : twfile::query::Members()) {
        const Json left = AsFailure([&] { return json::MemberToJson(a, member, encoding); });
        const Json right = AsFailure([&] { return json::MemberToJson(b, member, encoding); });
        if (member.kind != twfile::query::MemberKind::List) {
            if (left != right) differences.push_back({member.path, left, right});
            continue;
        }
        for (std::size_t i = 0; i < std::max(left.size(), right.size()); ++i) {
            const Json x = i < left.size() ? left[i] : Json();
            const Json y = i < right.size() ? right[i] : Json();
            if (x != y) {
                differences.push_back(
                    {std::string(member.path) + "[" + std::to_string(i) + "]", x, y});
            }
        }
    }
    return differences;
}

std::string Shown(const Json& value) {
    return value.is_null() ? "(none)" : value.dump();
}

// Load's status for a file that is not a document: nothing is compared.
constexpr ExitStatus kNotADocument = static_cast<ExitStatus>(-1);

// Reads file into doc. kExitOk when it read cleanly, kExitFailed when the
// read stopped at an error, kExitUsage when it could not be opened,
// kNotADocument.
ExitStatus Load(const std::string& file, CTWFileQDF& doc, std::ostream& err) {
    LoadReport report;
    try {
        const DocumentInput input(file);
        report = LoadDocument(input.path(), doc);
    } catch (const Failure& failure) {
        PrintMessage(err, "", failure.what());
        return kExitUsage;
    }
    if (!report.opened) {
        PrintMessage(err, InputName(file), "cannot open: " + report.openFailure);
        PrintDiagnostics(err, file, report.diagnostics);
        return kExitUsage;
    }
    PrintReadDiagnostics(err, file, report);
    if (report.NotADocument()) return kNotADocument;
    return report.diagnostics.error ? kExitFailed : kExitOk;
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
    const ExitStatus readA = Load(options.a, *a, err);
    const ExitStatus readB = Load(options.b, *b, err);
    if (readA == kExitUsage || readB == kExitUsage) return kExitUsage;
    if (readA == kNotADocument || readB == kNotADocument) return kExitFailed;
    std::vector<Difference> differences;
    try {
        differences = Compare(*a, *b, options.encoding);
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
    } else {
        for (const Difference& difference : differences)
            out << difference.path << ": " << Shown(difference.a) << " -> " << Shown(difference.b)
                << '\n';
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
    AddEncoding(command, o->encoding);
    command.footer(
        "Each member that differs is named by its path in the JSON form (tables[2], "
        "flags.editedSQL), with its values in A and in B.");
    return [o] { return RunDiff(*o, std::cout, std::cerr); };
}

}  // namespace qdf
