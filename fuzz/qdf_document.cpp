// The query definition document's reader, fed any bytes as a file.
//
// Each input is opened into a new document, every member is read, the report
// of sections not read is composed, and the document is saved under a second
// name and opened again into another document. Properties:
//  - nothing crashes, leaks or touches memory outside its object;
//  - the report names exactly the reported sections whose indicator is 0;
//  - SaveAs of whatever the document holds succeeds, and the saved file
//    opens without error with every section read;
//  - the second document holds the same members as the first (texts as the
//    application sees them through their character pointers).
// The input's length picks the buffer size of the first document, so that
// the reader and the writer also run with refills and flushes everywhere.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <twfile/host/error.h>
#include <twfile/query/qdf.h>

#include "fuzz_support.h"

namespace {

// The members of a document in a comparable form.
struct Members {
    std::vector<std::string> texts;
    std::vector<int> numbers;
    std::vector<std::vector<std::string>> lists;

    bool operator==(const Members& other) const {
        return texts == other.texts && numbers == other.numbers && lists == other.lists;
    }
};

// A list's elements as texts. Elements that are empty as character strings
// are left out: the document does not write them (an empty line would end
// the list).
std::vector<std::string> ListTexts(const CPtrList* list) {
    std::vector<std::string> texts;
    if (list == nullptr) return texts;
    for (POSITION pos = list->GetHeadPosition(); pos != nullptr;) {
        const CString* item = static_cast<const CString*>(list->GetNext(pos));
        FUZZ_CHECK(item != nullptr, "a list holds a null element");
        std::string text = twfuzz::Text(item->GetString());
        if (!text.empty()) texts.push_back(std::move(text));
    }
    return texts;
}

Members Take(const CTWFileQDF& d) {
    Members m;
    for (const CString* text :
         {&d.m_strDatabase, &d.m_strSpare, &d.m_strEditedSQL, &d.m_strWindowPosition,
          &d.m_strCustomDataString, &d.m_strTimeZone, &d.m_strBackgroundColour, &d.m_strTextColour,
          &d.m_strPrinterProperty1, &d.m_strPrinterProperty2, &d.m_strPrinterProperty3,
          &d.m_strPrinterProperty4, &d.m_strPrinterProperty5, &d.m_strPrinterProperty6,
          &d.m_strPrinterProperty7, &d.m_strPrinterProperty8, &d.m_strDynamicSort}) {
        m.texts.push_back(twfuzz::Text(text->GetString()));
    }
    m.numbers = {d.m_bEditedSQL,
                 d.m_bActiveQuery,
                 d.m_bReadOnly,
                 d.m_bSelectionByRow,
                 d.m_nTimeZone,
                 d.m_nDisplayProperty1,
                 d.m_nPrinterProperty1,
                 d.m_nPrinterProperty2,
                 d.m_nDisplayProperty2,
                 d.m_nDynamicSort1,
                 d.m_nDynamicSort2,
                 d.m_nDynamicSort3,
                 d.m_bAutoRunWithoutConditions};
    for (const CPtrList* list : {d.m_pTableList, d.m_pAttributeList, d.m_pAttributeNonDisplayList,
                                 d.m_pConditionList, d.m_pJoinList, d.m_pDefaultValuesList}) {
        m.lists.push_back(ListTexts(list));
    }
    return m;
}

// Describes the first difference, for the crash report.
std::string Difference(const Members& a, const Members& b) {
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

// The reported sections (the first twelve), in file order.
const char* const kReported[] = {"HEADER",         "DATABASE",
                                 "TABLES",         "ATTRIBUTES",
                                 "CONDITIONS",     "JOINS",
                                 "FLAGS",          "WINDOW-POSITION",
                                 "EDITED-SQL",     "CUSTOM-DATA-STRING",
                                 "DEFAULT-VALUES", "NON-DISPLAY-ATTRIBUTES"};

void CheckReport(CTWFileQDF& d) {
    CString report("not composed");
    FUZZ_CHECK(d.GetStatusString(&report) >= 0, "GetStatusString failed");
    std::string expected;
    for (int i = 0; i < 12; ++i) {
        if (d.m_bSectionRead[i] == 0) expected += std::string(kReported[i]) + "\r\n";
    }
    if (!expected.empty()) {
        expected =
            "The QDF file contained unsupported versions of the following sections:\r\n" + expected;
    }
    const std::string got(report.GetString(), static_cast<std::size_t>(report.GetLength()));
    FUZZ_CHECK(got == expected, "report \"%s\", expected \"%s\"", got.c_str(), expected.c_str());
}

// The buffer size of the first document, as allocation failures leave it:
// 65534 bytes for three inputs in four, else 255 or 31. The size is set
// directly (the file object's own halving is fuzzed by the primitives'
// target): a small buffer makes the reader refill and the writer flush
// inside lines and items.
int BufferSizeFor(std::size_t size) {
    static const int kSizes[] = {65534, 65534, 65534, 65534, 65534, 65534, 255, 31};
    return kSizes[size % 8];
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    twfuzz::Quiet();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string input = twfuzz::ScratchFile("input.qdf");
    static const std::string saved = twfuzz::ScratchFile("saved.qdf");
    twfuzz::WriteBytes(input, data, size);
    CTWError::Clear();

    Members first;
    {
        CTWFileQDF document;
        document.m_nBufSize = BufferSizeFor(size);
        const int opened = document.Open(input.c_str(), 1);
        FUZZ_CHECK(document.IsFileOpen() == 1, "an existing file did not open");
        FUZZ_CHECK(opened == CTWError::GetNumber(), "status %d with error %d pending", opened,
                   CTWError::GetNumber());
        CTWError::Clear();
        FUZZ_CHECK(document.m_pOutputFile == &document, "the document writes elsewhere");
        first = Take(document);
        CheckReport(document);

        // Whatever a read left in the members is saved and read back.
        const int status = document.SaveAs(saved.c_str());
        FUZZ_CHECK(status >= 0, "SaveAs failed: %d %s", status, CTWError::GetMessage());
        FUZZ_CHECK(Take(document) == first, "SaveAs changed the members");
    }

    CTWFileQDF again;
    const int status = again.Open(saved.c_str(), 1);
    FUZZ_CHECK(status >= 0, "the saved file did not open: %s at %s", CTWError::GetMessage(),
               CTWError::GetTrail());
    for (int i = 0; i < CTWFileQDF::kIndicatorCount; ++i) {
        FUZZ_CHECK(again.m_bSectionRead[i] == 1, "section %d of the saved file not read", i);
    }
    const Members second = Take(again);
    FUZZ_CHECK(second == first, "the saved file reads back differently: %s",
               Difference(first, second).c_str());
    return 0;
}
