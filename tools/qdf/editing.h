// What the edits (set, add, remove, edit) share: a change applied between
// reading a document and saving it over its file, which is held from the
// read to the save, and the members and lists they name.
#ifndef QDF_EDITING_H
#define QDF_EDITING_H

#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include <twfile/query/members.h>
#include <twfile/query/qdf.h>
#include <nlohmann/json.hpp>

#include "commands.h"
#include "loading.h"
#include "member_keys.h"

namespace CLI {
class App;
}

namespace qdf {

using Json = nlohmann::ordered_json;
using twfile::query::Member;

// Changes doc; throws Failure when the change does not fit. Returns false
// when there is nothing to save.
using Change = std::function<bool(CTWFileQDF& doc)>;

// What the help of every edit says of how the file is saved.
constexpr char kEditNotes[] =
    "The file is read and saved through one handle, held from the read to the save so that no "
    "other writer's change is lost; the save replaces it in one step, and when anything fails "
    "it is left as it was.";

// The FILE argument of the edits, their encoding and their wait.
std::shared_ptr<EditOptions> AddEditArguments(CLI::App& command);
// The LIST argument of add and remove: a list by its key in the JSON form.
void AddList(CLI::App& command, std::string& list);

// Throws Failure when doc, read from the file called name, is not one that
// a save would write back whole: it did not read cleanly, a section was not
// read, or text was passed over.
void RequireWhole(const std::string& name, const CTWFileQDF& doc, const LoadReport& report,
                  std::ostream& err);

// Applies change to doc and refuses a result the file cannot carry back;
// false when there is nothing to save.
bool Apply(const Change& change, CTWFileQDF& doc, const std::string& name, std::ostream& err);

// Reads options.file, applies change and saves the result over the file,
// which is held from the read to the save. Standard input is read whole and
// the result goes to out.
int Edit(const EditOptions& options, const Change& change, std::ostream& out, std::ostream& err);

// The list member whose path is path; a Failure when it is not a list.
const Member& ListAt(const std::string& path);

// VALUE as the JSON value member takes: a text as it stands, anything else
// read as JSON.
Json ValueFor(const Member& member, const std::string& value);

}  // namespace qdf

#endif  // QDF_EDITING_H
