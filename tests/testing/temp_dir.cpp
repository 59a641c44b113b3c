#include "testing/temp_dir.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace twtest {

namespace {

void RemoveTree(const std::string& path) {
    if (DIR* dir = ::opendir(path.c_str())) {
        while (dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..") continue;
            const std::string child = path + "/" + name;
            struct stat info;
            if (::lstat(child.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
                ::chmod(child.c_str(), 0700);  // a test may have locked it
                RemoveTree(child);
            } else {
                ::unlink(child.c_str());
            }
        }
        ::closedir(dir);
    }
    ::rmdir(path.c_str());
}

}  // namespace

TempDir::TempDir(const std::string& base) {
    const char* tmp = std::getenv("TMPDIR");
    const std::string parent = !base.empty() ? base : tmp != nullptr && *tmp ? tmp : "/tmp";
    std::string pattern = parent + "/twtest-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    m_path = buffer.data();
}

TempDir::~TempDir() {
    RemoveTree(m_path);
}

std::string TempDir::File(const std::string& name) const {
    return m_path + "/" + name;
}

}  // namespace twtest
