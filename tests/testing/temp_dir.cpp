#include "testing/temp_dir.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace twtest {

namespace fs = std::filesystem;

namespace {

// Gives the owner every directory under path back (a test may have locked
// one), so that the whole tree can be removed.
void Unlock(const fs::path& path) {
    std::error_code error;
    for (fs::directory_iterator it(path, error), end; !error && it != end; it.increment(error)) {
        if (it->is_directory(error) && !it->is_symlink(error)) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
            Unlock(it->path());
        }
    }
}

}  // namespace

// A name that is taken makes the creation fail, so the directory is always a
// new one of this test's own.
TempDir::TempDir(const std::string& base) {
    static std::atomic<unsigned> counter{0};
    const fs::path parent = !base.empty() ? fs::path(base) : fs::temp_directory_path();
    const auto seed = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate = parent / ("twtest-" + std::to_string(seed % 1000000007ULL) +
                                             "-" + std::to_string(counter.fetch_add(1)));
        std::error_code error;
        if (fs::create_directory(candidate, error)) {
            fs::permissions(candidate, fs::perms::owner_all, error);
            m_path = candidate.generic_string();
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary directory");
}

TempDir::~TempDir() {
    std::error_code error;
    Unlock(m_path);
    fs::remove_all(m_path, error);
}

std::string TempDir::File(const std::string& name) const {
    return m_path + "/" + name;
}

}  // namespace twtest
