// Shared by the document targets: a document's members as its file stores
// them, in a form that compares, and the first difference between two.
#ifndef TWFILE_FUZZ_QDF_MEMBERS_H
#define TWFILE_FUZZ_QDF_MEMBERS_H

#include <string>
#include <vector>

#include <twfile/query/members.h>
#include <twfile/query/qdf.h>

#include "fuzz_support.h"

namespace twfuzz {

// Each member's value as the file stores it, in the order of the member
// table: a text as one string, a number as its digits, a list as its
// elements.
struct Members {
    std::vector<std::vector<std::string>> values;

    bool operator==(const Members& other) const { return values == other.values; }
};

// A list's elements as the file stores them: each up to its first NUL, split
// at CR LF, the empty pieces left out (an empty line would end the list).
inline std::vector<std::string> ListTexts(const CPtrList* list) {
    std::vector<std::string> texts;
    if (list == nullptr) return texts;
    for (POSITION pos = list->GetHeadPosition(); pos != nullptr;) {
        const CString* item = static_cast<const CString*>(list->GetNext(pos));
        FUZZ_CHECK(item != nullptr, "a list holds a null element");
        const std::string text = Text(item->GetString());
        for (std::size_t start = 0; start <= text.size();) {
            std::size_t end = text.find("\r\n", start);
            if (end == std::string::npos) end = text.size();
            if (end > start) texts.push_back(text.substr(start, end - start));
            start = end + 2;
        }
    }
    return texts;
}

// The members as the file stores them: texts up to their first NUL, flags as
// 0 or 1.
inline Members Stored(const CTWFileQDF& d) {
    using twfile::query::MemberKind;
    Members m;
    for (const twfile::query::Member& member : twfile::query::Members()) {
        switch (member.kind) {
            case MemberKind::Text:
                m.values.push_back({Text((d.*member.text).GetString())});
                break;
            case MemberKind::Number:
                m.values.push_back({std::to_string(d.*member.number)});
                break;
            case MemberKind::Flag:
                m.values.push_back({d.*member.number != 0 ? "1" : "0"});
                break;
            case MemberKind::List:
                m.values.push_back(ListTexts(d.*member.list));
                break;
        }
    }
    return m;
}

// Names the first member that differs, for the crash report.
inline std::string Difference(const Members& a, const Members& b) {
    std::size_t i = 0;
    for (const twfile::query::Member& member : twfile::query::Members()) {
        if (a.values[i] != b.values[i]) {
            const std::string first = a.values[i].empty() ? "" : a.values[i].front();
            const std::string second = b.values[i].empty() ? "" : b.values[i].front();
            return std::string(member.name) + ": " + std::to_string(a.values[i].size()) + " \"" +
                   first + "\"... then " + std::to_string(b.values[i].size()) + " \"" + second +
                   "\"...";
        }
        ++i;
    }
    return "none";
}

}  // namespace twfuzz

#endif  // TWFILE_FUZZ_QDF_MEMBERS_H
