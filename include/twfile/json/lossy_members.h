// Members whose value the file format cannot carry back unchanged: saved and
// read again, they would come back different.
#ifndef TWFILE_JSON_LOSSY_MEMBERS_H
#define TWFILE_JSON_LOSSY_MEMBERS_H

#include <string>
#include <vector>

#include <twfile/query/qdf.h>

namespace twfile::json {

struct LossyMember {
    // The member's path in the JSON form, e.g. "tables[2]".
    std::string member;
    // What would happen to it.
    std::string reason;
};

// Every such member of doc, in the order of the JSON form:
// - a list element that is empty (the writer leaves it out), holds CR LF
//   (it reads back as two elements) or holds a NUL byte;
// - a one-line text that holds CR LF (only its first line reads back) or a
//   NUL byte;
// - an edited SQL text with a line that is exactly "}" (it ends the text on
//   reading) or with a NUL byte.
std::vector<LossyMember> FindLossyMembers(const CTWFileQDF& doc);

}  // namespace twfile::json

#endif  // TWFILE_JSON_LOSSY_MEMBERS_H
