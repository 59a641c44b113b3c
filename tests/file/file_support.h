// Helpers of the file object's tests: files opened with the buffer made small
// through failed allocations, the current point and the pending error.
#ifndef TWFILE_TESTS_FILE_FILE_SUPPORT_H
#define TWFILE_TESTS_FILE_FILE_SUPPORT_H

#include <memory>
#include <string>

#include <twfile/file/file32.h>

namespace twtest {

// The buffer size that failed allocations leave: 65534 halved n times.
int BufferSizeAfter(int halvings);

// Opens path for reading and writing, created empty, with the buffer halved
// the given number of times.
std::unique_ptr<CTWFile32> OpenNew(const std::string& path, int halvings = 0);
// Opens the existing path for reading and writing.
std::unique_ptr<CTWFile32> OpenExisting(const std::string& path, int halvings = 0);
// Stores bytes in path, then opens it for reading and writing.
std::unique_ptr<CTWFile32> OpenHolding(const std::string& path, const std::string& bytes,
                                       int halvings = 0);

// The file offset of the current point.
long CurrentPoint(CTWFile32& file);
// The pending error's text ("" when none), then the error is cleared.
std::string TakeError();

// Bytes that may hold NULs: B("\x01\0", 2).
inline std::string B(const char* bytes, std::size_t count) {
    return std::string(bytes, count);
}
// A 32-bit value as the file stores it, little-endian.
std::string Le32(unsigned value);

}  // namespace twtest

#endif  // TWFILE_TESTS_FILE_FILE_SUPPORT_H
