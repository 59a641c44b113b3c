#include "lossy_members.h"

#include <string_view>

namespace qdf {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kNul("\0", 1);

std::string_view Bytes(const CString& text) {
    return {text.GetString(), static_cast<std::size_t>(text.GetLength())};
}

struct ListMember {
    const char* path;
    CPtrList* CTWFileQDF::*list;
};

constexpr ListMember kLists[] = {
    {"tables", &CTWFileQDF::m_pTableList},
    {"attributes", &CTWFileQDF::m_pAttributeList},
    {"nonDisplayAttributes", &CTWFileQDF::m_pAttributeNonDisplayList},
    {"conditions", &CTWFileQDF::m_pConditionList},
    {"joins", &CTWFileQDF::m_pJoinList},
    {"defaultValues", &CTWFileQDF::m_pDefaultValuesList},
};

struct LineMember {
    const char* path;
    CString CTWFileQDF::*text;
};

// The texts written as one line each after the edited SQL, in the order of
// the JSON form.
constexpr LineMember kLaterLines[] = {
    {"customDataString", &CTWFileQDF::m_strCustomDataString},
    {"time.text", &CTWFileQDF::m_strTimeZone},
    {"display.backgroundColour", &CTWFileQDF::m_strBackgroundColour},
    {"display.textColour", &CTWFileQDF::m_strTextColour},
    {"printer.strings[0]", &CTWFileQDF::m_strPrinterProperty1},
    {"printer.strings[1]", &CTWFileQDF::m_strPrinterProperty2},
    {"printer.strings[2]", &CTWFileQDF::m_strPrinterProperty3},
    {"printer.strings[3]", &CTWFileQDF::m_strPrinterProperty4},
    {"printer.strings[4]", &CTWFileQDF::m_strPrinterProperty5},
    {"printer.strings[5]", &CTWFileQDF::m_strPrinterProperty6},
    {"printer.strings[6]", &CTWFileQDF::m_strPrinterProperty7},
    {"printer.strings[7]", &CTWFileQDF::m_strPrinterProperty8},
    {"dynamicSort.text", &CTWFileQDF::m_strDynamicSort},
};

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

void CheckEditedSQL(const CString& value, std::vector<LossyMember>& found) {
    const std::string_view text = Bytes(value);
    if (text.find(kNul) != std::string_view::npos) {
        found.push_back({"editedSQL", kNulReason});
        return;
    }
    std::size_t start = 0;
    for (int line = 1;; ++line) {
        const std::size_t end = text.find(kLineEnd, start);
        const std::string_view current = text.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (current == "}") {
            found.push_back({"editedSQL", "line " + std::to_string(line) +
                                              " is exactly \"}\", which ends the text on reading"});
            return;
        }
        if (end == std::string_view::npos) return;
        start = end + kLineEnd.size();
    }
}

}  // namespace

std::vector<LossyMember> FindLossyMembers(const CTWFileQDF& doc) {
    std::vector<LossyMember> found;
    CheckLine(doc.m_strDatabase, "database", found);
    for (const ListMember& list : kLists)
        CheckList(doc.*list.list, list.path, found);
    CheckLine(doc.m_strWindowPosition, "windowPosition", found);
    CheckEditedSQL(doc.m_strEditedSQL, found);
    for (const LineMember& line : kLaterLines)
        CheckLine(doc.*line.text, line.path, found);
    return found;
}

}  // namespace qdf
