// A folder in which no file can be made, even by root, while the files in it
// can still be written: where a save must write in place. Linux only (the
// immutable flag), taken back at the end of the scope.
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
    explicit ImmutableFolder(const std::string& path)
        : m_fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)), m_set(Set(true)) {}
    ~ImmutableFolder() {
        if (m_set) Set(false);
        if (m_fd >= 0) ::close(m_fd);
    }
    // False without root, or on a file system without the flag.
    bool IsSet() const { return m_set; }

  private:
    bool Set(bool on) const {
        int flags = 0;
        if (m_fd < 0 || ::ioctl(m_fd, FS_IOC_GETFLAGS, &flags) != 0) return false;
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        return ::ioctl(m_fd, FS_IOC_SETFLAGS, &flags) == 0;
    }

    int m_fd;
    bool m_set;
};

}  // namespace twtest
#endif

#endif  // TWFILE_TESTS_FILE_IMMUTABLE_FOLDER_H
