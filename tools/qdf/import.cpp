#include "import.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include <twfile/query/qdf.h>
#include <nlohmann/json.hpp>

#include "diagnostics.h"
#include "document_json.h"
#include "exit_status.h"
#include "lossy_members.h"
#include "save.h"

namespace qdf {

namespace {

std::string ReadInput(const std::string& input, std::istream& in) {
    std::ostringstream text;
    if (input == "-") {
        text << in.rdbuf();
        if (in.bad()) throw Failure(kExitUsage, "-: cannot read standard input");
        return text.str();
    }
    std::ifstream file(input, std::ios::binary);
    if (!file) throw Failure(kExitUsage, input + ": cannot open: " + std::strerror(errno));
    text << file.rdbuf();
    if (file.bad()) throw Failure(kExitUsage, input + ": cannot read: " + std::strerror(errno));
    return text.str();
}

}  // namespace

int RunImport(const ImportOptions& options, std::istream& in, std::ostream& err) {
    const std::string name = options.input == "-" ? "standard input" : options.input;
    try {
        const std::string text = ReadInput(options.input, in);
        nlohmann::ordered_json json;
        try {
            json = nlohmann::ordered_json::parse(text);
        } catch (const nlohmann::json::parse_error& error) {
            throw Failure(kExitUsage, name + ": not JSON: " + error.what());
        }

        CTWFileQDF doc;
        const Diagnostics setup = TakeDiagnostics();
        if (!setup.Empty()) {
            PrintDiagnostics(err, options.output, setup);
            return kExitFailed;
        }
        try {
            ApplyJson(json, doc, options.encoding);
        } catch (const Failure& failure) {
            throw Failure(failure.status(), name + ": " + failure.what());
        }

        const std::vector<LossyMember> lossy = FindLossyMembers(doc);
        if (!lossy.empty()) {
            for (const LossyMember& member : lossy) {
                PrintMessage(err, name, member.member + ": " + member.reason);
            }
            PrintMessage(err, options.output,
                         "not written: the file cannot carry these members back unchanged");
            return kExitFailed;
        }
        return SaveDocument(doc, options.output, err) ? kExitOk : kExitFailed;
    } catch (const Failure& failure) {
        PrintMessage(err, "", failure.what());
        return failure.status();
    }
}

}  // namespace qdf
