// The keys by which set and get name a document's members: a member's path
// in the JSON form ("database", "flags.editedSQL", "printer.strings[7]"), or
// for get also an element of a list ("tables[2]").
#ifndef QDF_MEMBER_KEYS_H
#define QDF_MEMBER_KEYS_H

#include <cstddef>
#include <optional>
#include <string>

#include <twfile/query/members.h>

namespace qdf {

// The member whose path is path; a Failure (exit 2) naming the closest one
// when none.
const twfile::query::Member& MemberAt(const std::string& path);

struct MemberKey {
    const twfile::query::Member* member;
    // For "list[i]": the element's index.
    std::optional<std::size_t> index;
};

// key as a member, or a list's element; a Failure as MemberAt's when it is
// neither.
MemberKey KeyAt(const std::string& key);

}  // namespace qdf

#endif  // QDF_MEMBER_KEYS_H
