// CTWFileStamp: a record of one state of a file, for a program that reads a
// document, lets a person edit what it read, and saves: it takes a stamp
// when it reads and, before it saves, asks whether the file still matches,
// so that it never saves over a text changed meanwhile by someone else.
#ifndef TWFILE_QUERY_FILE_STAMP_H
#define TWFILE_QUERY_FILE_STAMP_H

#include <twfile/export.h>

#include <cstdint>

// The stamp holds the file's size, the time its data last changed and a
// 64-bit hash of all its bytes. Every operation with a status follows the
// error service's rules with the source name "TWFileQDF"; a file that cannot
// be opened or read raises -1, "Error examining a file" (the system's reason
// is shown as a message).
class TWFILE_API CTWFileStamp {
  public:
    // An empty stamp, which no file matches.
    CTWFileStamp() = default;

    // Records the state of the file path names (a symbolic link is
    // followed). The file is opened for reading only, sharing reads and
    // writes, so that a holder of the file does not keep the stamp out.
    int Take(const char* path);
    // Sets same to 1 when the file path names has the size, modification
    // time and bytes of the taken stamp, else 0: also when path names
    // nothing now, or the stamp is empty. A file that is there but cannot
    // be read raises as Take does.
    int Matches(const char* path, int& same) const;
    int IsTaken() const { return m_bTaken; }

    // Whether two stamps record the same state.
    bool operator==(const CTWFileStamp& other) const;
    bool operator!=(const CTWFileStamp& other) const { return !(*this == other); }

  private:
    int m_bTaken = 0;
    std::uint64_t m_nSize = 0;
    std::int64_t m_nModified = 0;
    std::uint64_t m_nHash = 0;
};

#endif  // TWFILE_QUERY_FILE_STAMP_H
