// qdf remove: elements removed from a list of a document by their indexes.
#include <iostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include <twfile/json/document_json.h>
#include "command_table.h"
#include "editing.h"

namespace qdf {

int RunRemove(const EditOptions& options, std::ostream& out, std::ostream& err) {
    return Edit(
        options,
        [&](CTWFileQDF& doc) {
            const Member& list = ListAt(options.list);
            const Json items =
                AsFailure([&] { return json::MemberToJson(doc, list, options.encoding); });
            std::vector<bool> removed(items.size(), false);
            for (const std::string& text : options.arguments) {
                const bool digits = !text.empty() && text.size() < 10 &&
                                    text.find_first_not_of("0123456789") == std::string::npos;
                const std::size_t index = digits ? std::stoul(text) : items.size();
                if (index >= items.size()) {
                    throw Failure(kExitUsage, options.list + "[" + text + "]: no such element (" +
                                                  std::to_string(items.size()) + " in the list)");
                }
                removed[index] = true;
            }
            Json kept = Json::array();
            for (std::size_t i = 0; i < items.size(); ++i) {
                if (!removed[i]) kept.push_back(items[i]);
            }
            AsFailure([&] { return json::ApplyMember(kept, list, doc, options.encoding); });
            return true;
        },
        out, err);
}

Action DefineRemove(CLI::App& command) {
    auto o = AddEditArguments(command);
    AddList(command, o->list);
    command.add_option("INDEX", o->arguments, "The indexes (from 0) of the elements to remove")
        ->required();
    return [o] { return RunRemove(*o, std::cout, std::cerr); };
}

}  // namespace qdf
