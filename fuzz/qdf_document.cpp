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
#include "qdf_members.h"

namespace {

using twfuzz::Difference;
using twfuzz::Members;

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
        first = twfuzz::Stored(document);
        CheckReport(document);

        // Whatever a read left in the members is saved and read back.
        const int status = document.SaveAs(saved.c_str());
        FUZZ_CHECK(status >= 0, "SaveAs failed: %d %s", status, CTWError::GetMessage());
        FUZZ_CHECK(twfuzz::Stored(document) == first, "SaveAs changed the members");
    }

    CTWFileQDF again;
    const int status = again.Open(saved.c_str(), 1);
    FUZZ_CHECK(status >= 0, "the saved file did not open: %s at %s", CTWError::GetMessage(),
               CTWError::GetTrail());
    for (int i = 0; i < CTWFileQDF::kIndicatorCount; ++i) {
        FUZZ_CHECK(again.m_bSectionRead[i] == 1, "section %d of the saved file not read", i);
    }
    const Members second = twfuzz::Stored(again);
    FUZZ_CHECK(second == first, "the saved file reads back differently: %s",
               Difference(first, second).c_str());
    return 0;
}
