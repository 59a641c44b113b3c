#include <twfile/json/lossy_members.h>

#include <string_view>

#include <twfile/query/members.h>

namespace twfile::json {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kNul("\0", 1);

std::string_view Bytes(const CString& text) {
    return {text.GetString(), static_cast<std::size_t>(text.GetLength())};
}

const char kNulReason[] = "holds a NUL byte, where a save ends the text";

void CheckList(const CPtrList* list, const std::string& path, std::vector<LossyMember>& found) {
    if (list == nullptr) return;
    std::size_t index = 0;
    for (POSITION pos = list->GetHeadPosition(); pos != nullptr; ++index) {
        const auto* item = static_cast<const CString*>(list->GetNext(pos));
        const std::string member = path + "[" + std::to_string(index) + "]";
        if (item == nullptr) {
            found.push_back({member, "has no text, which the file cannot hold"});
            continue;
        }
        const std::string_view text = Bytes(*item);
        if (text.empty()) {
            found.push_back({member, "is empty; the file leaves empty elements out"});
        } else if (text.find(kNul) != std::string_view::npos) {
            found.push_back({member, kNulReason});
        } else if (text.find(kLineEnd) != std::string_view::npos) {
            found.push_back({member, "holds CR LF, so it reads back as several elements"});
        }
    }
}

void CheckLine(const CString& value, const char* path, std::vector<LossyMember>& found) {
    const std::string_view text = Bytes(value);
    if (text.find(kNul) != std::string_view::npos) {
        found.push_back({path, kNulReason});
    } else if (text.find(kLineEnd) != std::string_view::npos) {
        found.push_back({path, "holds CR LF, so only its first line reads back"});
    }
}

void CheckEditedSQL(const CString& value, const char* path, std::vector<LossyMember>& found) {
    const std::string_view text = Bytes(value);
    if (text.find(kNul) != std::string_view::npos) {
        found.push_back({path, kNulReason});
        return;
    }
    std::size_t start = 0;
    for (int line = 1;; ++line) {
        const std::size_t end = text.find(kLineEnd, start);
        const std::string_view current = text.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (current == "}") {
            found.push_back({path, "line " + std::to_string(line) +
                                       " is exactly \"}\", which ends the text on reading"});
            return;
        }
        if (end == std::string_view::npos) return;
        start = end + kLineEnd.size();
    }
}

}  // namespace

std::vector<LossyMember> FindLossyMembers(const CTWFileQDF& doc) {
    using twfile::query::MemberKind;
    std::vector<LossyMember> found;
    for (const twfile::query::Member& member : twfile::query::Members()) {
        if (member.kind == MemberKind::List) {
            CheckList(doc.*member.list, member.path, found);
        } else if (member.kind == MemberKind::Text && member.oneLine) {
            CheckLine(doc.*member.text, member.path, found);
        } else if (member.kind == MemberKind::Text) {
            CheckEditedSQL(doc.*member.text, member.path, found);
        }
    }
    return found;
}

}  // namespace twfile::json
