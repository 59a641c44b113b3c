#include "testing/temp_dir.h"

#include <cstdlib>
#include <stdexcept>
#include <vector>

#ifdef _WIN32

#include <atomic>
#include <chrono>
#include <filesystem>
#include <system_error>

namespace twtest {

namespace fs = std::filesystem;

TempDir::TempDir(const std::string& base) {
    static std::atomic<unsigned> counter{0};
    const fs::path parent = !base.empty() ? fs::path(base) : fs::temp_directory_path();
    const auto seed = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate =
            parent / ("twtest-" + std::to_string(seed % 1000000007ULL) + "-" +
                      std::to_string(counter.fetch_add(1)));
        std::error_code error;
        if (fs::create_directory(candidate, error)) {
            m_path = candidate.generic_string();
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary directory");
}

TempDir::~TempDir() {
    std::error_code error;
    fs::remove_all(m_path, error);
}

#else  // POSIX

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

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

#endif

std::string TempDir::File(const std::string& name) const {
    return m_path + "/" + name;
}

}  // namespace twtest
