// The file checks that the document's open and CTWFileStamp share.
#ifndef TWFILE_SRC_QUERY_FILE_STAMP_CALLS_H
#define TWFILE_SRC_QUERY_FILE_STAMP_CALLS_H

#include <twfile/platform/types.h>

namespace twfile {
namespace query {

// 1 when path names the file open as file, 0 when it names another file or
// nothing, -1 when that cannot be told (the last error says why). Raises
// nothing.
int IsFileAtPath(win32::HANDLE file, const char* path);

}  // namespace query
}  // namespace twfile

#endif  // TWFILE_SRC_QUERY_FILE_STAMP_CALLS_H
