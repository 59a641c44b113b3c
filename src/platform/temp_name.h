// Unique temporary file names.
#ifndef TWFILE_SRC_PLATFORM_TEMP_NAME_H
#define TWFILE_SRC_PLATFORM_TEMP_NAME_H

namespace win32 {

// Makes a unique path in dir (TMPDIR, else /tmp, when dir is null) whose file
// name starts with prefix, and reserves it by creating the file exclusively
// with mode 0600, so nobody can plant a link in its place. Returns a text
// allocated with malloc (free it with std::free), or null on failure.
char* _tempnam(const char* dir, const char* prefix);

}  // namespace win32

#endif  // TWFILE_SRC_PLATFORM_TEMP_NAME_H
