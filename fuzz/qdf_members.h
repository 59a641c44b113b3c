// Shared by the document targets: a document's members as its file stores
// them, in a form that compares, and the first difference between two.
#ifndef TWFILE_FUZZ_QDF_MEMBERS_H
#define TWFILE_FUZZ_QDF_MEMBERS_H

#include <string>
#include <vector>

#include <twfile/query/qdf.h>

#include "fuzz_support.h"

namespace twfuzz {

struct Members {
    std::vector<std::string> texts;
    std::vector<int> numbers;
    std::vector<std::vector<std::string>> lists;

    bool operator==(const Members& other) const {
        return texts == other.texts && numbers == other.numbers && lists == other.lists;
    }
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
// 0 or 1; m_strSpare is not stored.
inline Members Stored(const CTWFileQDF& d) {
    Members m;
    for (const CString* text :
         {&d.m_strDatabase, &d.m_strEditedSQL, &d.m_strWindowPosition, &d.m_strCustomDataString,
          &d.m_strTimeZone, &d.m_strBackgroundColour, &d.m_strTextColour, &d.m_strPrinterProperty1,
          &d.m_strPrinterProperty2, &d.m_strPrinterProperty3, &d.m_strPrinterProperty4,
          &d.m_strPrinterProperty5, &d.m_strPrinterProperty6, &d.m_strPrinterProperty7,
          &d.m_strPrinterProperty8, &d.m_strDynamicSort}) {
        m.texts.push_back(Text(text->GetString()));
    }
    m.numbers = {d.m_bEditedSQL != 0,
                 d.m_bActiveQuery != 0,
                 d.m_bReadOnly != 0,
                 d.m_bSelectionByRow != 0,
                 d.m_nTimeZone,
                 d.m_nDisplayProperty1,
                 d.m_nPrinterProperty1,
                 d.m_nPrinterProperty2,
                 d.m_nDisplayProperty2,
                 d.m_nDynamicSort1,
                 d.m_nDynamicSort2,
                 d.m_nDynamicSort3,
                 d.m_bAutoRunWithoutConditions != 0};
    for (const CPtrList* list : {d.m_pTableList, d.m_pAttributeList, d.m_pAttributeNonDisplayList,
                                 d.m_pConditionList, d.m_pJoinList, d.m_pDefaultValuesList}) {
        m.lists.push_back(ListTexts(list));
    }
    return m;
}

// Describes the first difference, for the crash report.
inline std::string Difference(const Members& a, const Members& b) {
    for (std::size_t i = 0; i < a.texts.size(); ++i) {
        if (a.texts[i] != b.texts[i]) {
            return "text member " + std::to_string(i) + ": \"" + a.texts[i] + "\" then \"" +
                   b.texts[i] + "\"";
        }
    }
    for (std::size_t i = 0; i < a.numbers.size(); ++i) {
        if (a.numbers[i] != b.numbers[i]) {
            return "number member " + std::to_string(i) + ": " + std::to_string(a.numbers[i]) +
                   " then " + std::to_string(b.numbers[i]);
        }
    }
    for (std::size_t i = 0; i < a.lists.size(); ++i) {
        if (a.lists[i] != b.lists[i]) {
            return "list " + std::to_string(i) + ": " + std::to_string(a.lists[i].size()) +
                   " elements then " + std::to_string(b.lists[i].size());
        }
    }
    return "none";
}

}  // namespace twfuzz

#endif  // TWFILE_FUZZ_QDF_MEMBERS_H
