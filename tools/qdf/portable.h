// The few POSIX calls qdf makes, on Windows too, where every file is opened
// in binary mode (O_BINARY; 0 elsewhere) so that no CR LF is translated.
#ifndef QDF_PORTABLE_H
#define QDF_PORTABLE_H

#include <fcntl.h>
#include <sys/stat.h>

#include <string>

#ifdef _WIN32

#include <io.h>

#ifndef O_CLOEXEC
#define O_CLOEXEC _O_NOINHERIT
#endif
#define O_NONBLOCK 0
#define O_NOCTTY 0
#ifndef STDIN_FILENO
#define STDIN_FILENO 0
#define STDOUT_FILENO 1
#define STDERR_FILENO 2
#endif

// Windows has no links for lstat to stop at.
inline int lstat(const char* path, struct stat* info) {
    return ::stat(path, info);
}
// Makes and opens a new file from pattern, whose six X before a suffix of
// suffixLength characters become a unique ending.
int mkostemps(char* pattern, int suffixLength, int flags);
inline int mkostemp(char* pattern, int flags) {
    return mkostemps(pattern, 0, flags);
}

#else

#include <unistd.h>

#ifndef O_BINARY
#define O_BINARY 0
#endif

#endif

namespace qdf {

// The folder for temporary files: TMPDIR, else (on Windows) TEMP or TMP,
// else /tmp.
std::string TemporaryFolder();
// A new file of its own in the temporary folder, named prefix and a unique
// ending: its descriptor (open for writing), or -1 with errno set.
int MakeTemporaryFile(const char* prefix, std::string& name);
// Puts the standard streams in binary mode (Windows) so that the JSON and
// text output gets no CR before its line ends and input is read as it is.
void UseBinaryStandardStreams();

}  // namespace qdf

#endif  // QDF_PORTABLE_H
