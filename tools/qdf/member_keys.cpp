#include "member_keys.h"

#include <cctype>
#include <vector>

#include "commands.h"
#include "suggestion.h"

namespace qdf {

using twfile::query::Member;
using twfile::query::MemberKind;
using twfile::query::Members;

namespace {

// A Failure for key, which names no member; suffix follows the closest
// member's path in the suggestion.
[[noreturn]] void NoMember(const std::string& key, const std::string& path,
                           const std::string& suffix) {
    std::vector<std::string> paths;
    for (const Member& member : Members())
        paths.emplace_back(member.path);
    const std::string closest = ClosestName(path, paths);
    throw Failure(kExitUsage,
                  key + ": not a member of the document" +
                      (closest.empty() ? "" : "; did you mean '" + closest + suffix + "'?"));
}

}  // namespace

const Member& MemberAt(const std::string& path) {
    for (const Member& member : Members()) {
        if (path == member.path) return member;
    }
    NoMember(path, path, "");
}

MemberKey KeyAt(const std::string& key) {
    for (const Member& member : Members()) {
        if (key == member.path) return {&member, std::nullopt};
    }
    // "list[i]"
    const std::size_t open = key.find('[');
    if (open == std::string::npos || open == 0 || key.back() != ']' || open + 2 >= key.size())
        NoMember(key, key, "");
    const std::string name = key.substr(0, open);
    const std::string digits = key.substr(open + 1, key.size() - open - 2);
    bool number = digits.size() <= 9;
    for (const char ch : digits)
        number = number && std::isdigit(static_cast<unsigned char>(ch));
    for (const Member& member : Members()) {
        if (number && member.kind == MemberKind::List && name == member.path)
            return {&member, static_cast<std::size_t>(std::stoul(digits))};
    }
    NoMember(key, name, key.substr(open));
}

}  // namespace qdf
