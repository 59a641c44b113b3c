// Helpers of the file object's tests: opening for writing or reading, with
// the buffer made small through failed allocations, and the pending error.
#ifndef TWFILE_TESTS_FILE_FILE_SUPPORT_H
#define TWFILE_TESTS_FILE_FILE_SUPPORT_H

#include <memory>
#include <string>

#include <twfile/file/file32.h>

namespace twtest {

// The buffer sizes that failed allocations leave: 65534 halved n times.
int BufferSizeAfter(int halvings);

// Opens path for reading and writing, created empty, with the buffer halved
// the given number of times.
std::unique_ptr<CTWFile32> OpenNew(const std::string& path, int halvings = 0);
// Opens the existing path with the default parameters (read only).
std::unique_ptr<CTWFile32> OpenExisting(const std::string& path, int halvings = 0);
// Opens the existing path for reading and writing.
std::unique_ptr<CTWFile32> OpenForUpdate(const std::string& path, int halvings = 0);

// The pending error's text, then the error is cleared.
std::string TakeError();

// Bytes written with a view: B("\x01\x02", 2).
inline std::string B(const char* bytes, std::size_t count) {
    return std::string(bytes, count);
}

}  // namespace twtest

#endif  // TWFILE_TESTS_FILE_FILE_SUPPORT_H
