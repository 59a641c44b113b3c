// The file object's reading primitives, driven by the input.
//
// Input: one byte of buffer halvings (65534 down to 1 byte), one byte giving
// the length of the program, the program, and the file (the rest). Each
// step of the program takes an operation byte and the argument bytes the
// operation needs (max, a count or an offset). After every call:
//  - the buffer is a window on the file: 0 <= pos <= valid <= size of the
//    buffer, and the loaded bytes equal the file's bytes at their offsets;
//  - a call that succeeded gave exactly what the file holds at the current
//    point and moved the current point by what it took; a call that reported
//    end of file had nothing (or, for values and texts cut short, too little)
//    left to take;
//  - a call that failed raised one of the file object's messages, for a
//    reason the file explains (a text longer than max or than the buffer).
// Targets are heap arrays of exactly max + 1 bytes, so a write beyond them
// is caught by the address sanitizer.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include <twfile/file/file32.h>
#include <twfile/host/error.h>

#include "fuzz_support.h"

namespace {

constexpr char kReading[] = "Error reading a file";
constexpr char kTooSmall[] = "Error - target too small for read operation";
constexpr char kLocating[] = "Error locating specific position within a file";

// The program, one byte at a time; 0 once it is used up.
class Program {
  public:
    Program(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    bool Done() const { return m_next >= m_size; }
    std::uint8_t Byte() { return m_next < m_size ? m_data[m_next++] : 0; }
    // A count from 0 to 255, or in thousands up to 16000 for the top bytes.
    int Max() {
        const int b = Byte();
        return b < 240 ? b : (b - 239) * 1000;
    }
    int Word() { return Byte() | Byte() << 8; }

  private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_next = 0;
};

class Run {
  public:
    Run(CTWFile32& file, const std::uint8_t* bytes, std::size_t size)
        : m_file(file), m_bytes(bytes), m_size(static_cast<long>(size)) {}

    void Step(Program& program);
    void CheckWindow() const;

  private:
    long Here() const {
        long offset = 0;
        m_file.GetCurLoc(offset);
        return offset;
    }
    // Bytes left in the file from offset.
    long Left(long offset) const { return offset < m_size ? m_size - offset : 0; }
    std::uint8_t At(long offset) const { return m_bytes[offset]; }
    std::uint32_t Le32(long offset) const {
        return static_cast<std::uint32_t>(At(offset)) |
               static_cast<std::uint32_t>(At(offset + 1)) << 8 |
               static_cast<std::uint32_t>(At(offset + 2)) << 16 |
               static_cast<std::uint32_t>(At(offset + 3)) << 24;
    }
    bool Same(long offset, const void* data, long count) const {
        return count == 0 ||
               std::memcmp(m_bytes + offset, data, static_cast<std::size_t>(count)) == 0;
    }
    // The length of the text from offset up to its end mark (NUL, CR LF,
    // or TAB and CR LF), or to the end of the file (found false).
    long TextLength(long offset, int end, bool& found) const;

    // A failed call: its message, which the file must explain; the error is
    // then cleared.
    void Failed(int status, const char* op, bool tooSmallPossible, bool readingPossible);

    void FixedWidth(int op, int width);
    void Text(int op, int max);
    void Line(int op, int max, int end);
    void LengthPrefixed(int op, int max);

    CTWFile32& m_file;
    const std::uint8_t* m_bytes;
    long m_size;
};

enum TextEnd { kNul, kLine, kField };

long Run::TextLength(long offset, int end, bool& found) const {
    found = false;
    for (long i = offset; i < m_size; ++i) {
        const std::uint8_t ch = At(i);
        if (end == kNul && ch == 0) {
            found = true;
            return i - offset;
        }
        if (end == kField && ch == '\t') {
            found = true;
            return i - offset;
        }
        if (end != kNul && ch == '\r' && i + 1 < m_size && At(i + 1) == '\n') {
            found = true;
            return i - offset;
        }
    }
    return Left(offset);
}

void Run::CheckWindow() const {
    const CTWFile32& f = m_file;
    FUZZ_CHECK(f.m_nBufPos >= 0 && f.m_nBufPos <= f.m_nBufValid && f.m_nBufValid <= f.m_nBufSize,
               "window pos %d valid %d size %d", f.m_nBufPos, f.m_nBufValid, f.m_nBufSize);
    FUZZ_CHECK(f.m_nBufStart >= 0, "window start %d", f.m_nBufStart);
    if (f.m_nBufValid > 0) {
        FUZZ_CHECK(static_cast<long>(f.m_nBufStart) + f.m_nBufValid <= m_size,
                   "window %d+%d beyond the file of %ld", f.m_nBufStart, f.m_nBufValid, m_size);
        FUZZ_CHECK(Same(f.m_nBufStart, f.m_pBuffer, f.m_nBufValid),
                   "the loaded bytes differ from the file at %d", f.m_nBufStart);
    }
}

void Run::Failed(int status, const char* op, bool tooSmallPossible, bool readingPossible) {
    FUZZ_CHECK(status == CTWError::GetNumber(), "%s: status %d, pending %d", op, status,
               CTWError::GetNumber());
    const std::string message = CTWError::GetMessage();
    const bool explained =
        (tooSmallPossible && message == kTooSmall) || (readingPossible && message == kReading);
    FUZZ_CHECK(explained, "%s failed with \"%s\" at %ld", op, message.c_str(), Here());
    CTWError::Clear();
}

void Run::FixedWidth(int op, int width) {
    const long here = Here();
    int eof = -1;
    int status = 0;
    std::uint32_t low = 0;
    bool hasValue = true;
    switch (op) {
        case 0: {
            int value = 0;
            status = m_file.Read(value, eof);
            low = static_cast<std::uint32_t>(value);
            break;
        }
        case 1: {
            long value = 0;
            status = m_file.Read(value, eof);
            low = static_cast<std::uint32_t>(value);
            break;
        }
        case 2: {
            float value = 0;
            status = m_file.Read(value, eof);
            std::memcpy(&low, &value, 4);
            break;
        }
        case 3: {
            double value = 0;
            status = m_file.Read(value, eof);
            std::uint64_t bits = 0;
            std::memcpy(&bits, &value, 8);
            low = static_cast<std::uint32_t>(bits);
            break;
        }
        case 4:
            status = m_file.SkipInt(eof);
            hasValue = false;
            break;
        default:
            status = m_file.SkipLong(eof);
            hasValue = false;
            break;
    }
    if (status < 0) {
        // Only a buffer smaller than the value cannot hold it.
        Failed(status, "fixed-width read", false, m_file.m_nBufSize < width);
        return;
    }
    if (eof != 0) {
        FUZZ_CHECK(Left(here) < width, "eof with %ld bytes left for %d", Left(here), width);
        FUZZ_CHECK(Here() == here, "eof moved the current point");
        return;
    }
    FUZZ_CHECK(Left(here) >= width, "a value of %d read from %ld bytes", width, Left(here));
    if (hasValue) FUZZ_CHECK(low == Le32(here), "value differs at %ld", here);
    FUZZ_CHECK(Here() == here + width, "moved to %ld from %ld", Here(), here);
}

void Run::Text(int op, int max) {
    const long here = Here();
    bool found = false;
    const long length = TextLength(here, kNul, found);
    int eof = -1;
    if (op == 0) {
        std::unique_ptr<char[]> target(new char[static_cast<std::size_t>(max) + 1]);
        const int status = m_file.Read(target.get(), max, eof);
        if (status < 0) {
            Failed(status, "Read(char*)", !found || length > max,
                   !found || length + 1 > m_file.m_nBufSize);
            return;
        }
        if (eof != 0) {
            FUZZ_CHECK(!found && length <= max, "eof before a text of %ld", length);
            FUZZ_CHECK(Here() == here, "eof moved the current point");
            return;
        }
        FUZZ_CHECK(found && length <= max, "a text of %ld read into %d", length, max);
        FUZZ_CHECK(Same(here, target.get(), length + 1), "text differs at %ld", here);
        FUZZ_CHECK(Here() == here + length + 1, "moved to %ld", Here());
        return;
    }
    if (op == 1) {
        CString text("old");
        const int status = m_file.Read(&text, eof);
        if (status < 0) {
            Failed(status, "Read(CString*)", false, false);
            return;
        }
        FUZZ_CHECK(text.GetLength() == length && Same(here, text.GetString(), length),
                   "text of %d bytes, file has %ld", text.GetLength(), length);
        FUZZ_CHECK((eof != 0) == !found, "eof %d with the NUL %sfound", eof, found ? "" : "not ");
        if (found) FUZZ_CHECK(Here() == here + length + 1, "moved to %ld", Here());
        return;
    }
    const int status = m_file.SkipString(eof);
    if (status < 0) {
        Failed(status, "SkipString", false, false);
        return;
    }
    FUZZ_CHECK((eof != 0) == !found, "SkipString eof %d", eof);
    if (found) FUZZ_CHECK(Here() == here + length + 1, "moved to %ld", Here());
}

// ReadLine and ReadField in both forms.
void Run::Line(int op, int max, int end) {
    const long here = Here();
    bool found = false;
    const long length = TextLength(here, end, found);
    const bool tab = found && At(here + length) == '\t';
    const bool array = op == 0;
    int eof = -1;
    int bEndOfLine = -1;
    int status;
    std::unique_ptr<char[]> target;
    CString text("old");
    if (array) {
        target.reset(new char[static_cast<std::size_t>(max) + 1]);
        status = end == kLine ? m_file.ReadLine(target.get(), max, eof)
                              : m_file.ReadField(target.get(), max, bEndOfLine, eof);
    } else {
        status =
            end == kLine ? m_file.ReadLine(&text, eof) : m_file.ReadField(&text, bEndOfLine, eof);
    }
    if (status < 0) {
        Failed(status, end == kLine ? "ReadLine" : "ReadField", array && length > max, false);
        return;
    }
    if (eof != 0) {
        FUZZ_CHECK(!found, "eof before a line end at %ld", here + length);
        if (!array) {
            FUZZ_CHECK(text.GetLength() == length && Same(here, text.GetString(), length),
                       "at the end the text holds %d bytes of %ld", text.GetLength(), length);
        }
        return;
    }
    FUZZ_CHECK(found, "a line without its end read at %ld", here);
    const char* got = array ? target.get() : text.GetString();
    const long gotLength = array ? static_cast<long>(std::strlen(got)) : text.GetLength();
    // A NUL inside the line shortens only the character-array view.
    FUZZ_CHECK(array ? gotLength <= length : gotLength == length, "line of %ld, expected %ld",
               gotLength, length);
    FUZZ_CHECK(Same(here, got, gotLength), "line differs at %ld", here);
    long next = here + length + (tab ? 1 : 2);
    if (end == kField) {
        int expectedEnd = tab ? 0 : 1;
        if (tab && array && next < m_size && At(next) == '\n') {
            expectedEnd = 1;
            ++next;
        }
        FUZZ_CHECK(bEndOfLine == expectedEnd, "bEndOfLine %d, expected %d", bEndOfLine,
                   expectedEnd);
    }
    FUZZ_CHECK(Here() == next, "moved to %ld, expected %ld", Here(), next);
}

void Run::LengthPrefixed(int op, int max) {
    const long here = Here();
    int eof = -1;
    const bool prefix = Left(here) >= 4;
    const long stored = prefix ? static_cast<std::int32_t>(Le32(here)) : 0;
    if (op == 0) {
        std::unique_ptr<char[]> target(new char[static_cast<std::size_t>(max) + 1]);
        const int status = m_file.ReadLen(target.get(), max, eof);
        if (status < 0) {
            Failed(status, "ReadLen(char*)", prefix && stored - 1 > max,
                   m_file.m_nBufSize < 4 || (prefix && (stored < 1 || stored > m_file.m_nBufSize)));
            return;
        }
        if (eof != 0) {
            FUZZ_CHECK(!prefix || Left(here + 4) < stored, "eof with the text in the file");
            FUZZ_CHECK(Here() == here, "eof moved the current point");
            return;
        }
        FUZZ_CHECK(prefix && stored >= 1 && stored - 1 <= max && Left(here + 4) >= stored,
                   "ReadLen took a stored length of %ld", stored);
        FUZZ_CHECK(Same(here + 4, target.get(), stored - 1) && target[stored - 1] == '\0',
                   "text differs at %ld", here + 4);
        FUZZ_CHECK(Here() == here + 4 + stored, "moved to %ld", Here());
        return;
    }
    CString text("old");
    const int status = m_file.ReadLen(&text, eof);
    if (status < 0) {
        Failed(status, "ReadLen(CString*)", false, m_file.m_nBufSize < 4);
        return;
    }
    if (eof != 0) return;
    bool found = false;
    const long length = TextLength(here + 4, kNul, found);
    FUZZ_CHECK(text.GetLength() == length && Same(here + 4, text.GetString(), length),
               "ReadLen text of %d bytes, expected %ld", text.GetLength(), length);
}

void Run::Step(Program& program) {
    const int op = program.Byte() % 16;
    switch (op) {
        case 0: {
            const long from = static_cast<long>(m_file.m_nBufStart) + m_file.m_nBufValid;
            int eof = -1;
            const int status = m_file.ReadFile(eof);
            FUZZ_CHECK(status >= 0, "ReadFile failed: %s", CTWError::GetMessage());
            FUZZ_CHECK((eof != 0) == (from >= m_size), "ReadFile eof %d from %ld", eof, from);
            if (eof == 0) FUZZ_CHECK(Here() == from, "ReadFile loaded %ld at %ld", from, Here());
            break;
        }
        case 1: {
            const int which = program.Byte() % 6;
            FixedWidth(which, which == 3 ? 8 : 4);
            break;
        }
        case 2: {
            const int which = program.Byte() % 3;
            Text(which, program.Max());
            break;
        }
        case 3: {
            const int which = program.Byte() % 2;
            LengthPrefixed(which, program.Max());
            break;
        }
        case 4: {
            const int which = program.Byte() % 2;
            Line(which, program.Max(), kLine);
            break;
        }
        case 5: {
            const int which = program.Byte() % 2;
            Line(which, program.Max(), kField);
            break;
        }
        case 6: {
            const long here = Here();
            const int max = program.Max();
            std::unique_ptr<char[]> target(new char[static_cast<std::size_t>(max) + 1]);
            int count = -1;
            int eof = -1;
            FUZZ_CHECK(m_file.ReadBytes(target.get(), max, count, eof) >= 0, "ReadBytes failed");
            const long expected = std::min<long>(max, Left(here));
            FUZZ_CHECK(count == expected, "ReadBytes gave %d of %ld", count, expected);
            FUZZ_CHECK(Same(here, target.get(), count) && target[count] == '\0',
                       "ReadBytes bytes differ at %ld", here);
            FUZZ_CHECK(eof == (max > 0 && count == 0 ? 1 : 0), "ReadBytes eof %d", eof);
            FUZZ_CHECK(Here() == here + count, "ReadBytes moved to %ld", Here());
            break;
        }
        case 7: {
            const long here = Here();
            const int need = program.Max();
            char* data = nullptr;
            long count = -1;
            int eof = -1;
            const int status = need == 0 ? m_file.ReadBLOB(data, count, eof)
                                         : m_file.ReadBLOB(data, count, need, eof);
            FUZZ_CHECK(status >= 0, "ReadBLOB failed");
            FUZZ_CHECK((eof != 0) == (Left(here) == 0), "ReadBLOB eof %d", eof);
            if (eof == 0) {
                const long least =
                    std::min<long>({std::max(need, 1), m_file.m_nBufSize, Left(here)});
                FUZZ_CHECK(count >= least && count <= Left(here), "ReadBLOB viewed %ld", count);
                FUZZ_CHECK(Same(here, data, count), "ReadBLOB bytes differ at %ld", here);
            }
            FUZZ_CHECK(Here() == here, "ReadBLOB moved the current point");
            break;
        }
        case 8: {
            const long here = Here();
            const long count = program.Word();
            int eof = -1;
            FUZZ_CHECK(m_file.SkipBLOB(count, eof) >= 0, "SkipBLOB failed");
            FUZZ_CHECK((eof != 0) == (count > Left(here)), "SkipBLOB eof %d", eof);
            if (eof == 0) FUZZ_CHECK(Here() == here + count, "SkipBLOB moved to %ld", Here());
            break;
        }
        case 9: {
            const long here = Here();
            const int count = program.Max();
            int eof = -1;
            int bShort = -1;
            FUZZ_CHECK(m_file.Ensure(count, eof, bShort) >= 0, "Ensure failed");
            const long unread = m_file.m_nBufValid - m_file.m_nBufPos;
            if (eof == 0 && bShort == 0) {
                FUZZ_CHECK(unread >= count, "Ensure left %ld of %d", unread, count);
            }
            if (bShort != 0) {
                FUZZ_CHECK(Left(here) < count || count > m_file.m_nBufSize, "Ensure short");
            }
            FUZZ_CHECK(eof == 0 || Left(here) == 0, "Ensure eof with bytes left");
            FUZZ_CHECK(Here() == here, "Ensure moved the current point");
            break;
        }
        case 10: {
            const long offset = program.Word() % (m_size + 2);
            const int status = m_file.Locate(offset);
            if (offset < m_size) {
                FUZZ_CHECK(status >= 0, "Locate(%ld) failed", offset);
                FUZZ_CHECK(Here() == offset, "Locate(%ld) is at %ld", offset, Here());
            } else {
                FUZZ_CHECK(status < 0 && std::string(CTWError::GetMessage()) == kLocating,
                           "Locate(%ld) beyond the end gave %d", offset, status);
                CTWError::Clear();
            }
            break;
        }
        case 11: {
            char* data = nullptr;
            long room = -1;
            m_file.GetCurLoc(data, room);
            FUZZ_CHECK(data == reinterpret_cast<char*>(m_file.m_pBuffer) + m_file.m_nBufPos &&
                           room == m_file.m_nBufSize - m_file.m_nBufPos,
                       "GetCurLoc view");
            break;
        }
        default:
            // The most common calls of a reader get more of the program.
            Line(1, 0, op % 2 == 0 ? kLine : kField);
            break;
    }
    CheckWindow();
    FUZZ_CHECK(CTWError::GetNumber() == 0, "an error was left pending");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    twfuzz::Quiet();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    static const std::string path = twfuzz::ScratchFile("primitives.bin");
    const int halvings = data[0] % 16;
    const std::size_t programLength = std::min<std::size_t>(data[1], size - 2);
    const std::uint8_t* fileBytes = data + 2 + programLength;
    const std::size_t fileSize = size - 2 - programLength;
    twfuzz::WriteBytes(path, fileBytes, fileSize);
    CTWError::Clear();

    CTWFile32 file;
    twfuzz::ShrinkBuffer(file, path, halvings);
    file.SetFileName(path.c_str());
    FUZZ_CHECK(file.CreateFileA() >= 0 && file.IsFileOpen() == 1, "the file did not open");
    Run run(file, fileBytes, fileSize);
    Program program(data + 2, programLength);
    while (!program.Done())
        run.Step(program);
    return 0;
}
