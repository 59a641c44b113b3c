// qdf add: texts appended to a list of a document.
#include <iostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include <twfile/json/document_json.h>
#include "command_table.h"
#include "editing.h"

namespace qdf {

int RunAdd(const EditOptions& options, std::ostream& out, std::ostream& err) {
    return Edit(
        options,
        [&](CTWFileQDF& doc) {
            const Member& list = ListAt(options.list);
            Json items = AsFailure([&] { return json::MemberToJson(doc, list, options.encoding); });
            for (const std::string& text : options.arguments)
                items.push_back(text);
            AsFailure([&] { return json::ApplyMember(items, list, doc, options.encoding); });
            return true;
        },
        out, err);
}

Action DefineAdd(CLI::App& command) {
    auto o = AddEditArguments(command);
    AddList(command, o->list);
    command.add_option("TEXT", o->arguments, "The texts to append")->required();
    return [o] { return RunAdd(*o, std::cout, std::cerr); };
}

}  // namespace qdf
