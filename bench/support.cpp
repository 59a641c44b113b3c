#include "support.h"

#include <twfile/host/error.h>

#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace twbench {

namespace {

const twtest::TempDir* g_scratch = nullptr;

}  // namespace

ScratchDirectory::ScratchDirectory() {
    g_scratch = &m_dir;
}

ScratchDirectory::~ScratchDirectory() {
    g_scratch = nullptr;
}

std::string ScratchPath(const std::string& name) {
    return g_scratch->File(name);
}

void RemoveFile(const std::string& path) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
        std::fprintf(stderr, "cannot remove %s: %s\n", path.c_str(), std::strerror(errno));
    }
}

int OpenForWriting(CTWFile32& file, const std::string& path) {
    file.SetFileName(path.c_str());
    file.SetDesiredAccess(win32::GENERIC_READ | win32::GENERIC_WRITE);
    file.SetCreationDistribution(win32::OPEN_ALWAYS);
    return file.CreateFileA();
}

std::string Failure(int status) {
    if (status >= 0) return std::string();
    std::string message = CTWError::GetMessage();
    message += " [";
    message += CTWError::GetTrail();
    message += "]";
    CTWError::Clear();
    return message;
}

bool FailedStatus(benchmark::State& state, int status) {
    const std::string failure = Failure(status);
    if (failure.empty()) return false;
    Fail(state, failure);
    return true;
}

void Fail(benchmark::State& state, const std::string& message) {
    state.SkipWithError(message.c_str());
}

bool WriteAllBytes(int fd, const void* bytes, std::size_t count) {
    const char* from = static_cast<const char*>(bytes);
    while (count > 0) {
        const ssize_t written = ::write(fd, from, count);
        if (written <= 0) return false;
        from += written;
        count -= static_cast<std::size_t>(written);
    }
    return true;
}

bool FlushLikeTheFileObject(int fd, long long start, const void* bytes, std::size_t count) {
    if (::lseek(fd, static_cast<off_t>(start + static_cast<long long>(count)), SEEK_SET) < 0) {
        return false;
    }
    const off_t end = ::lseek(fd, 0, SEEK_CUR);
    return end >= 0 && ::ftruncate(fd, end) == 0 &&
           ::lseek(fd, static_cast<off_t>(start), SEEK_SET) >= 0 && WriteAllBytes(fd, bytes, count);
}

void SetWork(benchmark::State& state, std::int64_t items, std::int64_t bytes) {
    state.counters["items"] = static_cast<double>(items);
    state.SetItemsProcessed(state.iterations() * items);
    state.SetBytesProcessed(state.iterations() * bytes);
}

bool WriteInBufferFulls(int fd, const void* bytes, std::size_t count) {
    const char* from = static_cast<const char*>(bytes);
    for (std::size_t start = 0; start < count; start += kBufferFull) {
        const std::size_t piece = std::min(kBufferFull, count - start);
        if (!FlushLikeTheFileObject(fd, static_cast<long long>(start), from + start, piece)) {
            return false;
        }
    }
    return true;
}

}  // namespace twbench
