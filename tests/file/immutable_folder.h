// A folder in which no file can be made, even by root, while the files
// already in it can still be written: the case where a save must write in
// place. Linux only (the immutable flag); the flag goes at the end of the
// scope, so that the test's folder can be removed.
#ifndef TWFILE_TESTS_FILE_IMMUTABLE_FOLDER_H
#define TWFILE_TESTS_FILE_IMMUTABLE_FOLDER_H

#ifdef __linux__
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <string>

namespace twtest {

class ImmutableFolder {
  public:
    explicit ImmutableFolder(const std::string& path) : m_path(path) { m_set = Set(true); }
    ~ImmutableFolder() {
        if (m_set) Set(false);
    }
    ImmutableFolder(const ImmutableFolder&) = delete;
    ImmutableFolder& operator=(const ImmutableFolder&) = delete;
    // False where the flag cannot be set (not root, or a file system
    // without it).
    bool IsSet() const { return m_set; }

  private:
    bool Set(bool on) const {
        const int fd = ::open(m_path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return false;
        int flags = 0;
        bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        ::close(fd);
        return done;
    }

    std::string m_path;
    bool m_set = false;
};

}  // namespace twtest
#endif

#endif  // TWFILE_TESTS_FILE_IMMUTABLE_FOLDER_H
