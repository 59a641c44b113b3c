// The query definition document's writer, fed any member values.
//
// Each input fills a new document's members (texts and list elements of any
// bytes, NULs and CR LF included; numbers of any value) and saves it with
// SaveAs over a file that holds an earlier text, or where there is none.
// Properties:
//  - SaveAs refuses (ID_TWErrors_InvalidParam) exactly the documents whose
//    text would not read back: a one-line member holding CR LF, or an edited
//    SQL line that is exactly "}" (texts taken up to their first NUL);
//  - a refused save leaves the earlier file byte for byte, or no file where
//    there was none;
//  - a save that succeeded opens again with every section read, and the
//    members read are the ones saved as the file stores them (texts and list
//    elements up to their first NUL, list elements split at CR LF with the
//    empty pieces left out, flags as 0 or 1);
//  - SaveAs changes no member, and the directory holds nothing else
//    afterwards (no temporary file stays behind).
// The input's first byte picks the buffer size, so that the writer also
// flushes inside lines.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <twfile/host/error.h>
#include <twfile/query/members.h>
#include <twfile/query/qdf.h>

#include "fuzz_support.h"
#include "qdf_members.h"

namespace {

// The input, one byte at a time; 0 once it is used up.
class Input {
  public:
    Input(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    std::uint8_t Byte() { return m_next < m_size ? m_data[m_next++] : 0; }
    int Number() {
        std::uint32_t bits = 0;
        for (int i = 0; i < 4; ++i)
            bits |= static_cast<std::uint32_t>(Byte()) << (8 * i);
        return static_cast<int>(bits);
    }
    // A length byte, then that many bytes; the top lengths repeat the bytes
    // to a text of a few thousand.
    std::string Text() {
        const int length = Byte();
        std::string text;
        for (int i = 0; i < std::min(length, 200); ++i)
            text.push_back(static_cast<char>(Byte()));
        while (length > 200 && !text.empty() && text.size() < 5000)
            text += text;
        return text;
    }

  private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_next = 0;
};

using twfile::query::MemberKind;

// Every member from the input, m_strSpare (which the file does not store)
// among them.
void Fill(CTWFileQDF& d, Input& in) {
    const auto text = [&in] {
        const std::string bytes = in.Text();
        return CString(bytes.data(), static_cast<int>(bytes.size()));
    };
    d.m_strSpare = text();
    for (const twfile::query::Member& member : twfile::query::Members()) {
        switch (member.kind) {
            case MemberKind::Text:
                d.*member.text = text();
                break;
            case MemberKind::Number:
            case MemberKind::Flag:
                d.*member.number = in.Number();
                break;
            case MemberKind::List:
                for (int count = in.Byte() % 6; count > 0; --count)
                    (d.*member.add)(new CString(text()));
                break;
        }
    }
}

// Whether the stored text would not read back: a one-line member holding
// CR LF, or an edited SQL line that is exactly "}".
bool Unsavable(const twfuzz::Members& m) {
    std::size_t i = 0;
    for (const twfile::query::Member& member : twfile::query::Members()) {
        const std::vector<std::string>& value = m.values[i++];
        if (member.kind != MemberKind::Text) continue;
        if (member.oneLine && value[0].find("\r\n") != std::string::npos) return true;
        if (!member.oneLine &&
            ("\r\n" + value[0] + "\r\n").find("\r\n}\r\n") != std::string::npos) {
            return true;
        }
    }
    return false;
}

std::vector<std::string> Listing(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    return names;
}

bool Exists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

std::string Contents(const std::string& path) {
    std::string bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char chunk[4096];
        std::size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
            bytes.append(chunk, n);
        std::fclose(f);
    }
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    twfuzz::Quiet();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string dir = [] {
        const std::string made = twfuzz::ScratchFile("roundtrip");
        std::filesystem::create_directory(made);
        return made;
    }();
    static const std::string path = dir + "/saved.qdf";
    Input in(data, size);
    const std::uint8_t setup = in.Byte();
    // An earlier text, or no file at all.
    const bool earlier = setup % 4 != 0;
    const std::string before = earlier ? "an earlier text\r\n" + std::to_string(size) : "";
    if (earlier) {
        twfuzz::WriteBytes(path, reinterpret_cast<const std::uint8_t*>(before.data()),
                           before.size());
    } else {
        std::remove(path.c_str());
    }
    CTWError::Clear();

    twfuzz::Members saved;
    bool refused = false;
    {
        CTWFileQDF document;
        static const int kSizes[] = {65534, 65534, 255, 31};
        document.m_nBufSize = kSizes[(setup >> 2) % 4];
        Fill(document, in);
        FUZZ_CHECK(CTWError::GetNumber() == 0, "filling the document raised %s",
                   CTWError::GetMessage());
        saved = twfuzz::Stored(document);
        const bool unsavable = Unsavable(saved);
        const int status = document.SaveAs(path.c_str());
        refused = status < 0;
        FUZZ_CHECK(refused == unsavable, "SaveAs gave %d (%s) for a document %s", status,
                   CTWError::GetMessage(),
                   unsavable ? "that would not read back" : "that reads back");
        if (refused) {
            FUZZ_CHECK(status == ID_TWErrors_InvalidParam && CTWError::GetNumber() == status,
                       "SaveAs refused with %d: %s", status, CTWError::GetMessage());
            CTWError::Clear();
        }
        FUZZ_CHECK(twfuzz::Stored(document) == saved, "SaveAs changed the members: %s",
                   twfuzz::Difference(saved, twfuzz::Stored(document)).c_str());
    }
    const std::vector<std::string> names = Listing(dir);
    const bool present = Exists(path);
    FUZZ_CHECK(names.size() == (present ? 1u : 0u), "the directory holds %zu entries, first %s",
               names.size(), names.empty() ? "-" : names[0].c_str());
    if (refused) {
        FUZZ_CHECK(present == earlier, "a refused save %s the file",
                   earlier ? "removed" : "created");
        if (earlier) FUZZ_CHECK(Contents(path) == before, "a refused save changed the file");
        return 0;
    }

    CTWFileQDF again;
    const int status = again.Open(path.c_str(), 1);
    FUZZ_CHECK(status >= 0, "the saved file did not open: %s at %s", CTWError::GetMessage(),
               CTWError::GetTrail());
    for (int i = 0; i < CTWFileQDF::kIndicatorCount; ++i) {
        FUZZ_CHECK(again.m_bSectionRead[i] == 1, "section %d of the saved file not read", i);
    }
    const twfuzz::Members read = twfuzz::Stored(again);
    FUZZ_CHECK(read == saved, "the saved file reads back differently: %s",
               twfuzz::Difference(saved, read).c_str());
    return 0;
}
