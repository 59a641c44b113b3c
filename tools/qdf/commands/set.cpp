// qdf set: members of a document set by their paths in the JSON form.
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include <CLI/CLI.hpp>

#include <twfile/json/document_json.h>
#include "command_table.h"
#include "editing.h"

namespace qdf {

int RunSet(const EditOptions& options, std::ostream& out, std::ostream& err) {
    return Edit(
        options,
        [&](CTWFileQDF& doc) {
            // Every assignment is checked before the first is made.
            std::vector<std::pair<const Member*, Json>> values;
            for (const std::string& assignment : options.arguments) {
                const std::size_t equals = assignment.find('=');
                if (equals == std::string::npos) {
                    throw Failure(kExitUsage, assignment + ": not KEY=VALUE");
                }
                const Member& member = MemberAt(assignment.substr(0, equals));
                values.emplace_back(&member, ValueFor(member, assignment.substr(equals + 1)));
            }
            for (const auto& value : values)
                AsFailure([&] {
                    return json::ApplyMember(value.second, *value.first, doc, options.encoding);
                });
            return true;
        },
        out, err);
}

Action DefineSet(CLI::App& command) {
    auto o = AddEditArguments(command);
    command
        .add_option("KEY=VALUE", o->arguments,
                    "KEY a member's path in the JSON form (database, flags.editedSQL, "
                    "printer.strings[2]); a text takes VALUE as it stands, a number, flag or "
                    "list (a JSON array) as JSON")
        ->required();
    return [o] { return RunSet(*o, std::cout, std::cerr); };
}

}  // namespace qdf
