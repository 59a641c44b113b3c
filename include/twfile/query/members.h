// The document's members as one table, in the order of the document's JSON
// form. Whatever reads, writes, compares or checks a document member by
// member loops over this table, so that no list of members is written twice.
#ifndef TWFILE_QUERY_MEMBERS_H
#define TWFILE_QUERY_MEMBERS_H

#include <cstddef>

#include <twfile/export.h>
#include <twfile/query/qdf.h>

namespace twfile {
namespace query {

enum class MemberKind { Text, Number, Flag, List };

struct Member {
    // The member's path in the JSON form: "key", "object.key", or
    // "object.key[i]" for element i of an array of texts.
    const char* path;
    // Its name in the class, as messages give it ("m_strDatabase").
    const char* name;
    MemberKind kind;
    CString CTWFileQDF::*text;    // Text
    int CTWFileQDF::*number;      // Number and Flag (nonzero is true)
    CPtrList* CTWFileQDF::*list;  // List
    // List: appends a heap string that the list then owns, and empties it.
    void (CTWFileQDF::*add)(CString* item);
    void (CTWFileQDF::*clear)();
    // Text: written as one body line, so a CR LF inside it would split it.
    bool oneLine;
};

struct MemberTable {
    const Member* first;
    std::size_t count;
    const Member* begin() const { return first; }
    const Member* end() const { return first + count; }
};

// Every member a file holds, in the order of the JSON form.
TWFILE_API MemberTable Members();

}  // namespace query
}  // namespace twfile

#endif  // TWFILE_QUERY_MEMBERS_H
