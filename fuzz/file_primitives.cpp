// The file object's primitives, reading and writing mixed, against a model.
//
// Input: one byte of buffer halvings (65534 down to 1 byte), two bytes giving
// the length of the program (little-endian), the program, and the file's
// first content (the rest). Each step of the program takes an operation byte
// and the argument bytes the operation needs. The operations are every
// reader, every writer, WriteFile, Flush followed by a new open, Locate, and
// in-place updates of regions already written.
//
// The model is two byte vectors: what the file holds, and what the object
// presents (the file with the output not yet written over it), with the
// current point and the start of the buffer's window. The writers' flushes
// are predicted from the buffer size: an item that does not fit in the room
// left writes the pending output first and a full buffer is written out, and
// every write ends the file after the output. After every step:
//  - the file holds exactly the model's bytes;
//  - the buffer is a window on what the object presents: 0 <= pos, valid <=
//    size of the buffer, and its bytes up to the larger of pos and valid are
//    the presented bytes from the window's start;
//  - a read that succeeded gave exactly the presented bytes at the current
//    point and moved it by what it took; a read that reported end of file had
//    nothing (or, for values and texts cut short, too little) left to take;
//    a read that failed raised one of the file object's messages for a
//    reason the bytes explain (a text longer than max or than the buffer);
//  - output not yet written survives a read unless the read loaded bytes of
//    the file into the buffer (a refill that found none keeps it);
//  - an update leaves the writer where it began, with the regions replaced.
// Targets are heap arrays of exactly max + 1 bytes, so a write beyond them
// is caught by the address sanitizer.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <twfile/file/file32.h>
#include <twfile/host/error.h>
#include <twfile/platform/types.h>

#include "fuzz_support.h"

namespace {

constexpr char kReading[] = "Error reading a file";
constexpr char kTooSmall[] = "Error - target too small for read operation";
constexpr char kLocating[] = "Error locating specific position within a file";

using Bytes = std::vector<std::uint8_t>;

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
    std::uint32_t Bits32() { return static_cast<std::uint32_t>(Word()) | Word() << 16; }
    // Up to limit bytes: a short pattern from the program, repeated. The
    // bytes may hold NULs.
    std::string Text(int limit) {
        const int length = std::min(Max(), limit);
        const int period = 1 + Byte() % 8;
        std::string pattern;
        for (int i = 0; i < period; ++i)
            pattern.push_back(static_cast<char>(Byte()));
        std::string text;
        for (int i = 0; i < length; ++i)
            text.push_back(pattern[static_cast<std::size_t>(i % period)]);
        return text;
    }

  private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_next = 0;
};

// The model of the file and of the object's view of it.
struct Model {
    Bytes disk;      // what the file holds
    Bytes view;      // the file with the output not yet written over it
    long start = 0;  // file offset of the buffer's first byte
    long here = 0;   // the current point
    bool Pending() const { return view != disk; }
};

Bytes ReadDisk(const std::string& path) {
    Bytes bytes;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    FUZZ_CHECK(fd >= 0, "cannot open %s", path.c_str());
    std::uint8_t chunk[4096];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        FUZZ_CHECK(n >= 0, "cannot read %s", path.c_str());
        if (n == 0) break;
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    ::close(fd);
    return bytes;
}

std::string Le(std::uint64_t bits, int width) {
    std::string bytes;
    for (int i = 0; i < width; ++i)
        bytes.push_back(static_cast<char>(bits >> (8 * i)));
    return bytes;
}

class Run {
  public:
    Run(CTWFile32& file, std::string path, const std::uint8_t* bytes, std::size_t size)
        : m_file(file), m_path(std::move(path)) {
        m_model.disk.assign(bytes, bytes + size);
        m_model.view = m_model.disk;
    }

    void Step(Program& program);
    void Check() const;

  private:
    long Here() const {
        long offset = 0;
        m_file.GetCurLoc(offset);
        return offset;
    }
    long Size() const { return static_cast<long>(m_model.view.size()); }
    // Bytes the object presents from offset.
    long Left(long offset) const { return offset < Size() ? Size() - offset : 0; }
    std::uint8_t At(long offset) const { return m_model.view[static_cast<std::size_t>(offset)]; }
    std::uint32_t Le32(long offset) const {
        return static_cast<std::uint32_t>(At(offset)) |
               static_cast<std::uint32_t>(At(offset + 1)) << 8 |
               static_cast<std::uint32_t>(At(offset + 2)) << 16 |
               static_cast<std::uint32_t>(At(offset + 3)) << 24;
    }
    bool Same(long offset, const void* data, long count) const {
        return count == 0 || std::memcmp(m_model.view.data() + offset, data,
                                         static_cast<std::size_t>(count)) == 0;
    }
    // The length of the text from offset up to its end mark (NUL, CR LF,
    // or TAB and CR LF), or to the end of the file (found false).
    long TextLength(long offset, int end, bool& found) const;

    // A failed call: its message, which the bytes must explain; the error
    // is then cleared.
    void Failed(int status, const char* op, bool tooSmallPossible, bool readingPossible);

    // Readers.
    void Read(Program& program, int op);
    void FixedWidth(int op, int width);
    void Text(int op, int max);
    void Line(int op, int max, int end);
    void LengthPrefixed(int op, int max);
    void Refill();
    // After a read: the model takes the window the read left. Output not yet
    // written is gone when the read loaded bytes of the file.
    void AfterRead(long start, long here, bool loaded);

    // Writers.
    void Write(Program& program);
    // The bytes of one item appended as the writers do: an item of need
    // bytes that does not fit in the room left (whole items only) first
    // writes the pending output; a full buffer is written out.
    void Append(const std::string& bytes, std::size_t need, bool whole);
    void Overwrite(long offset, const std::string& bytes);
    // The pending output written and the file ended after it.
    void Written();
    void WriteFile();
    void Reopen();
    void Locate(long offset);
    void Update(Program& program);
    // Writes exactly length bytes at the current point with a mix of
    // writers; returns them.
    std::string Region(Program& program, long length);

    CTWFile32& m_file;
    std::string m_path;
    Model m_model;
};

enum TextEnd { kNul, kLine, kField };

long Run::TextLength(long offset, int end, bool& found) const {
    found = false;
    for (long i = offset; i < Size(); ++i) {
        const std::uint8_t ch = At(i);
        if (end == kNul && ch == 0) {
            found = true;
            return i - offset;
        }
        if (end == kField && ch == '\t') {
            found = true;
            return i - offset;
        }
        if (end != kNul && ch == '\r' && i + 1 < Size() && At(i + 1) == '\n') {
            found = true;
            return i - offset;
        }
    }
    return Left(offset);
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
        if (tab && array && next < Size() && At(next) == '\n') {
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

void Run::Refill() {
    const long from = static_cast<long>(m_file.m_nBufStart) + m_file.m_nBufValid;
    const long start = m_model.start;
    int eof = -1;
    const int status = m_file.ReadFile(eof);
    FUZZ_CHECK(status >= 0, "ReadFile failed: %s", CTWError::GetMessage());
    // The loaded bytes count as taken, output not yet written with them.
    const bool loaded = from < static_cast<long>(m_model.disk.size());
    FUZZ_CHECK((eof != 0) == !loaded, "ReadFile eof %d from %ld", eof, from);
    if (loaded) FUZZ_CHECK(Here() == from, "ReadFile loaded %ld at %ld", from, Here());
    AfterRead(start, from, loaded);
}

void Run::AfterRead(long start, long here, bool loaded) {
    const long now = m_file.m_nBufStart;
    if (m_model.Pending() && (loaded || now != start)) {
        // Only a refill that found bytes of the file moves the window.
        FUZZ_CHECK(now < static_cast<long>(m_model.disk.size()) && (loaded || now >= here),
                   "output not yet written was dropped: window %ld to %ld, read at %ld, file %zu",
                   start, now, here, m_model.disk.size());
        m_model.view = m_model.disk;
    }
    m_model.start = now;
    m_model.here = Here();
}

void Run::Read(Program& program, int op) {
    const long start = m_model.start;
    const long here = Here();
    switch (op) {
        case 0: {
            const int which = program.Byte() % 6;
            FixedWidth(which, which == 3 ? 8 : 4);
            break;
        }
        case 1: {
            const int which = program.Byte() % 3;
            Text(which, program.Max());
            break;
        }
        case 2: {
            const int which = program.Byte() % 2;
            LengthPrefixed(which, program.Max());
            break;
        }
        case 3: {
            const int which = program.Byte() % 2;
            Line(which, program.Max(), kLine);
            break;
        }
        case 4: {
            const int which = program.Byte() % 2;
            Line(which, program.Max(), kField);
            break;
        }
        case 5: {
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
        case 6: {
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
        case 7: {
            const long count = program.Word();
            int eof = -1;
            FUZZ_CHECK(m_file.SkipBLOB(count, eof) >= 0, "SkipBLOB failed");
            FUZZ_CHECK((eof != 0) == (count > Left(here)), "SkipBLOB eof %d", eof);
            if (eof == 0) FUZZ_CHECK(Here() == here + count, "SkipBLOB moved to %ld", Here());
            break;
        }
        case 8: {
            const int count = program.Max();
            int eof = -1;
            int bShort = -1;
            FUZZ_CHECK(m_file.Ensure(count, eof, bShort) >= 0, "Ensure failed");
            const long unread = std::max(m_file.m_nBufValid - m_file.m_nBufPos, 0);
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
        case 9: {
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
    AfterRead(start, here, false);
}

void Run::Overwrite(long offset, const std::string& bytes) {
    Bytes& view = m_model.view;
    const std::size_t end = static_cast<std::size_t>(offset) + bytes.size();
    if (view.size() < end) view.resize(end, 0);
    std::memcpy(view.data() + offset, bytes.data(), bytes.size());
}

void Run::Written() {
    m_model.view.resize(static_cast<std::size_t>(m_model.here), 0);
    m_model.disk = m_model.view;
    m_model.start = m_model.here;
}

void Run::Append(const std::string& bytes, std::size_t need, bool whole) {
    const long size = m_file.m_nBufSize;
    if (whole && static_cast<std::size_t>(size - (m_model.here - m_model.start)) < need) Written();
    for (std::size_t done = 0; done < bytes.size();) {
        if (m_model.here - m_model.start >= size) Written();
        const std::size_t piece = std::min<std::size_t>(
            bytes.size() - done, static_cast<std::size_t>(size - (m_model.here - m_model.start)));
        Overwrite(m_model.here, bytes.substr(done, piece));
        m_model.here += static_cast<long>(piece);
        done += piece;
    }
}

void Run::Write(Program& program) {
    const int which = program.Byte() % 12;
    // Long items cost a system write per buffer-full.
    std::string raw = program.Text(8 * m_file.m_nBufSize + 300);
    const std::string text(raw.c_str());  // as the writers take it, up to a NUL
    std::string bytes;
    std::size_t need = 0;
    bool whole = true;
    bool refused = false;
    int status = 0;
    switch (which) {
        case 0: {
            const std::uint32_t bits = program.Bits32();
            status = m_file.Write(static_cast<int>(bits));
            bytes = Le(bits, 4);
            break;
        }
        case 1: {
            // Values beyond 32 bits are refused.
            const long value = static_cast<long>(static_cast<std::int32_t>(program.Bits32())) *
                               (program.Byte() % 4 == 0 ? 3 : 1);
            status = m_file.Write(value);
            refused = value != static_cast<std::int32_t>(value);
            bytes = Le(static_cast<std::uint32_t>(value), 4);
            break;
        }
        case 2: {
            const std::uint32_t bits = program.Bits32();
            float value;
            std::memcpy(&value, &bits, sizeof value);
            status = m_file.Write(value);
            bytes = Le(bits, 4);
            break;
        }
        case 3: {
            const std::uint64_t bits =
                program.Bits32() | static_cast<std::uint64_t>(program.Bits32()) << 32;
            double value;
            std::memcpy(&value, &bits, sizeof value);
            status = m_file.Write(value);
            bytes = Le(bits, 8);
            break;
        }
        case 4:
            if (raw.empty() && program.Byte() % 2 == 0) {
                status = m_file.Write(static_cast<const char*>(nullptr));
            } else {
                status = m_file.Write(raw.c_str());
                bytes = text + '\0';
            }
            break;
        case 5:
            status = m_file.WriteNull();
            bytes = std::string(1, '\0');
            break;
        case 6:
            status = m_file.WriteBLOB(raw.data(), static_cast<long>(raw.size()));
            bytes = raw;
            whole = false;
            break;
        case 7: {
            const int bEndOfLine = program.Byte() % 2;
            status = m_file.WriteField(raw.data(), bEndOfLine);
            bytes = text + (bEndOfLine != 0 ? "\r\n" : "\t");
            break;
        }
        case 8:
            status = m_file.WriteLine(raw.c_str());
            bytes = text + "\r\n";
            break;
        case 9:
            status = m_file.WriteText(raw.c_str());
            bytes = text;
            break;
        case 10: {
            const long value = static_cast<long>(static_cast<std::int32_t>(program.Bits32())) *
                               (program.Byte() % 4 == 0 ? 5 : 1);
            status = m_file.WriteText(value);
            refused = value != static_cast<std::int32_t>(value);
            bytes = std::to_string(value);
            break;
        }
        default:
            status = m_file.WriteLen(raw.data());
            bytes = Le(text.size() + 1, 4) + text + '\0';
            break;
    }
    if (refused) {
        FUZZ_CHECK(status < 0 && CTWError::GetNumber() == ID_TWErrors_InvalidParam,
                   "writer %d took a value beyond 32 bits", which);
        CTWError::Clear();
        return;
    }
    FUZZ_CHECK(status >= 0, "writer %d failed: %s", which, CTWError::GetMessage());
    need = bytes.size();
    Append(bytes, need, whole);
}

void Run::WriteFile() {
    FUZZ_CHECK(m_file.WriteFile() >= 0, "WriteFile failed: %s", CTWError::GetMessage());
    Written();
}

void Run::Reopen() {
    FUZZ_CHECK(m_file.Flush() >= 0 && m_file.IsFileOpen() == 0, "Flush failed: %s",
               CTWError::GetMessage());
    Written();
    FUZZ_CHECK(m_file.CreateFileA() >= 0 && m_file.IsFileOpen() == 1, "the file did not open");
    m_model.start = 0;
    m_model.here = 0;
}

void Run::Locate(long offset) {
    // A writer writes its output before it moves.
    if (m_model.Pending()) WriteFile();
    const int status = m_file.Locate(offset);
    if (offset < static_cast<long>(m_model.disk.size())) {
        FUZZ_CHECK(status >= 0, "Locate(%ld) failed", offset);
    } else {
        FUZZ_CHECK(status < 0 && std::string(CTWError::GetMessage()) == kLocating,
                   "Locate(%ld) beyond the end gave %d", offset, status);
        CTWError::Clear();
    }
    FUZZ_CHECK(Here() == offset, "Locate(%ld) is at %ld", offset, Here());
    m_model.start = m_file.m_nBufStart;
    m_model.here = offset;
}

std::string Run::Region(Program& program, long length) {
    std::string region;
    while (static_cast<long>(region.size()) < length) {
        const long left = length - static_cast<long>(region.size());
        std::string bytes;
        int status;
        const int kind = program.Byte() % 4;
        if (kind == 0 && left >= 4) {
            const std::uint32_t bits = program.Bits32();
            status = m_file.Write(static_cast<int>(bits));
            bytes = Le(bits, 4);
        } else if (kind == 1 && left >= 8) {
            const std::uint64_t bits =
                program.Bits32() | static_cast<std::uint64_t>(program.Bits32()) << 32;
            double value;
            std::memcpy(&value, &bits, sizeof value);
            status = m_file.Write(value);
            bytes = Le(bits, 8);
        } else if (kind == 2 && left >= 2) {
            std::string line(static_cast<std::size_t>(program.Byte() % (left - 1)), 'u');
            for (char& ch : line)
                ch = static_cast<char>(std::max<std::uint8_t>(program.Byte(), 1));
            status = m_file.WriteLine(line.c_str());
            bytes = line + "\r\n";
        } else {
            bytes = program.Text(static_cast<int>(left));
            if (bytes.empty()) bytes = std::string(1, 'z');
            status = m_file.WriteBLOB(bytes.data(), static_cast<long>(bytes.size()));
        }
        FUZZ_CHECK(status >= 0, "a write inside an update failed: %s", CTWError::GetMessage());
        region += bytes;
    }
    return region;
}

void Run::Update(Program& program) {
    // An update is begun by a writer at the end of its output.
    const long saved = m_model.here;
    if (saved == 0 || saved != Size()) return;
    const Bytes before = m_model.disk;
    FUZZ_CHECK(m_file.PrePreUpdate() == 0, "PrePreUpdate");
    const int regions = 1 + program.Byte() % 3;
    for (int i = 0; i < regions; ++i) {
        const long offset = program.Word() % saved;
        const long longest = std::min<long>(m_file.m_nBufSize, saved - offset);
        const long length = program.Word() % (longest + 1);
        FUZZ_CHECK(m_file.PreUpdate(offset, length) >= 0, "PreUpdate(%ld, %ld): %s", offset, length,
                   CTWError::GetMessage());
        FUZZ_CHECK(Here() == offset, "PreUpdate(%ld) is at %ld", offset, Here());
        Overwrite(offset, Region(program, length));
        FUZZ_CHECK(m_file.PostUpdate() >= 0, "PostUpdate: %s", CTWError::GetMessage());
    }
    FUZZ_CHECK(m_file.PostPostUpdate() >= 0, "PostPostUpdate: %s", CTWError::GetMessage());
    FUZZ_CHECK(Here() == saved, "the update ended at %ld, begun at %ld", Here(), saved);
    // Once the window moved, the output and every region are in the file;
    // otherwise the regions are pending output and the file is untouched.
    const Bytes now = ReadDisk(m_path);
    FUZZ_CHECK(now == (m_file.m_bRelocated != 0 ? m_model.view : before),
               "the file after an update (%s): %zu bytes", m_file.m_bRelocated ? "moved" : "kept",
               now.size());
    m_model.disk = now;
    m_model.start = m_file.m_nBufStart;
}

void Run::Check() const {
    const CTWFile32& f = m_file;
    FUZZ_CHECK(CTWError::GetNumber() == 0, "an error was left pending");
    FUZZ_CHECK(Here() == m_model.here, "the current point is %ld, expected %ld", Here(),
               m_model.here);
    FUZZ_CHECK(f.m_nBufStart == m_model.start, "the window starts at %d, expected %ld",
               f.m_nBufStart, m_model.start);
    FUZZ_CHECK(f.m_nBufPos >= 0 && f.m_nBufPos <= f.m_nBufSize && f.m_nBufValid >= 0 &&
                   f.m_nBufValid <= f.m_nBufSize,
               "window pos %d valid %d size %d", f.m_nBufPos, f.m_nBufValid, f.m_nBufSize);
    // The pending output and the loaded bytes are what the object presents.
    const long held = std::max(f.m_nBufPos, f.m_nBufValid);
    if (held > 0) {
        FUZZ_CHECK(f.m_nBufStart + held <= Size(), "window %d+%ld beyond the %ld bytes",
                   f.m_nBufStart, held, Size());
        FUZZ_CHECK(Same(f.m_nBufStart, f.m_pBuffer, held), "the buffer differs from %d",
                   f.m_nBufStart);
    }
    const Bytes disk = ReadDisk(m_path);
    if (disk != m_model.disk) {
        std::size_t at = 0;
        while (at < disk.size() && at < m_model.disk.size() && disk[at] == m_model.disk[at])
            ++at;
        FUZZ_CHECK(false, "the file holds %zu bytes, expected %zu; first difference at %zu",
                   disk.size(), m_model.disk.size(), at);
    }
}

void Run::Step(Program& program) {
    const int op = program.Byte() % 32;
    if (op == 0) {
        Refill();
    } else if (op <= 14) {
        Read(program, op - 1);
    } else if (op <= 26) {
        Write(program);
    } else if (op == 27) {
        WriteFile();
    } else if (op == 28) {
        Reopen();
    } else if (op <= 30) {
        Locate(program.Word() % (static_cast<long>(m_model.disk.size()) + 2));
    } else {
        Update(program);
    }
    Check();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    twfuzz::Quiet();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    static const std::string path = twfuzz::ScratchFile("primitives.bin");
    const int halvings = data[0] % 16;
    const std::size_t programLength =
        std::min<std::size_t>(data[1] | static_cast<std::size_t>(data[2]) << 8, size - 3);
    const std::uint8_t* fileBytes = data + 3 + programLength;
    const std::size_t fileSize = size - 3 - programLength;
    twfuzz::WriteBytes(path, fileBytes, fileSize);
    CTWError::Clear();

    CTWFile32 file;
    twfuzz::ShrinkBuffer(file, path, halvings);
    file.SetFileName(path.c_str());
    file.SetDesiredAccess(win32::GENERIC_READ | win32::GENERIC_WRITE);
    FUZZ_CHECK(file.CreateFileA() >= 0 && file.IsFileOpen() == 1, "the file did not open");
    Run run(file, path, fileBytes, fileSize);
    Program program(data + 3, programLength);
    while (!program.Done())
        run.Step(program);
    return 0;
}
