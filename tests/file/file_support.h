// What the file object's tests share: the headers they use, a file in a
// directory of its own (open for reading and writing, with the buffer made
// small through failed allocations), the current point and the pending error.
#ifndef TWFILE_TESTS_FILE_FILE_SUPPORT_H
#define TWFILE_TESTS_FILE_FILE_SUPPORT_H

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <twfile/file/file32.h>
#include <twfile/host/error.h>
#include "testing/fault_switch.h"

#include "support/support.h"

namespace twtest {

// The buffer size that failed allocations leave: 65534 halved n times.
inline int BufferSizeAfter(int halvings) {
    return 65534 >> halvings;
}

// A file holding the given bytes, opened for reading and writing with the
// share mode given, with the buffer halved the given number of times;
// removed at the end of the scope. (A case that changes the file from
// outside while it is open shares writing: Windows refuses that otherwise.)
class TestFile {
  public:
    explicit TestFile(const std::string& bytes, int halvings = 0,
                      unsigned long shareMode = win32::FILE_SHARE_READ);
    TestFile(const TestFile&) = delete;
    TestFile& operator=(const TestFile&) = delete;

    CTWFile32* operator->() { return m_file.get(); }
    CTWFile32& operator*() { return *m_file; }
    const std::string& path() const { return m_path; }
    // What the file holds now.
    std::string Contents() const { return ReadAll(m_path); }
    // Opens the file again with another buffer size.
    void Reopen(int halvings);

  private:
    TempDir m_dir;
    std::string m_path;
    unsigned long m_shareMode;
    std::unique_ptr<CTWFile32> m_file;
};

// The file offset of the current point.
long CurrentPoint(CTWFile32& file);

// Bytes that may hold NULs: B("\x01\0", 2).
inline std::string B(const char* bytes, std::size_t count) {
    return std::string(bytes, count);
}
// A 32-bit value as the file stores it, little-endian.
inline std::string Le32(unsigned value) {
    std::string bytes;
    for (int i = 0; i < 4; ++i)
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    return bytes;
}

}  // namespace twtest

#endif  // TWFILE_TESTS_FILE_FILE_SUPPORT_H
