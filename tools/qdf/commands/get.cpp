// qdf get: members of a document by the keys that set takes, the read side
// of set.
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <twfile/query/qdf.h>
#include <nlohmann/json.hpp>

#include <CLI/CLI.hpp>

#include <twfile/json/document_json.h>
#include "arguments.h"
#include "command_table.h"
#include "commands.h"
#include "diagnostics.h"
#include "input.h"
#include "loading.h"
#include "member_keys.h"

namespace qdf {

using Json = nlohmann::ordered_json;

int RunGet(const GetOptions& options, std::ostream& out, std::ostream& err) {
    const std::string name = InputName(options.file);
    std::vector<MemberKey> keys;
    try {
        for (const std::string& key : options.keys)
            keys.push_back(KeyAt(key));
    } catch (const Failure& failure) {
        PrintMessage(err, name, failure.what());
        return failure.status();
    }
    const auto doc = std::make_unique<CTWFileQDF>();
    const ExitStatus read = LoadToRead(options.file, *doc, err);
    if (read == kExitUsage) return kExitUsage;
    if (read == kNotADocument) return kExitFailed;
    std::string text;
    try {
        for (std::size_t i = 0; i < keys.size(); ++i) {
            Json value = AsFailure(
                [&] { return json::MemberToJson(*doc, *keys[i].member, options.encoding); });
            if (keys[i].index) {
                if (*keys[i].index >= value.size()) {
                    throw Failure(kExitUsage, options.keys[i] + ": no such element (" +
                                                  std::to_string(value.size()) + " in the list)");
                }
                value = Json(value[*keys[i].index]);
            }
            text += options.raw && value.is_string() ? value.get<std::string>() : value.dump();
            text += '\n';
        }
    } catch (const Failure& failure) {
        PrintMessage(err, name, failure.what());
        return failure.status();
    }
    out << text;
    return read;
}

Action DefineGet(CLI::App& command) {
    auto o = Make<GetOptions>();
    command.add_option("FILE", o->file, "The .qdf file, or - for standard input")->required();
    command
        .add_option("KEY", o->keys,
                    "Member paths as set takes them (database, flags.editedSQL, "
                    "printer.strings[7]), or a list's element (tables[2])")
        ->required();
    command.add_flag("-r,--raw", o->raw, "Print texts as they are, without JSON's quotes");
    AddEncoding(command, o->encoding);
    return [o] { return RunGet(*o, std::cout, std::cerr); };
}

}  // namespace qdf
