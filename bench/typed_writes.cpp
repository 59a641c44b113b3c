// Typed writes: ten million 32-bit integers, and ten million doubles, written
// one value per call. The file object's Write against fwrite on a FILE* with
// its default buffer and against std::ofstream::write, and the limit: the
// same bytes copied into one array and written with a single write(2).
// Every variant opens, writes and closes a new file in each iteration.
//
// A fifth variant shows the floor that the file object's flushes set: the
// bytes made as the limit makes them, then written a buffer-full (65534
// bytes) at a time with the system calls that each flush makes (move to the
// new end, read the position back, cut the file there, move to the start of
// the buffer-full, write it).
#include <twfile/file/file32.h>

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "support.h"

namespace {

constexpr int kValues = 10'000'000;

// The value written at index i: every bit pattern varies, so nothing can be
// folded away.
template <typename T>
T ValueAt(int i);

template <>
int ValueAt<int>(int i) {
    return static_cast<int>(static_cast<std::uint32_t>(i) * 2654435761u);
}

template <>
double ValueAt<double>(int i) {
    return i * 0.5 + 0.25;
}

std::string TypedPath() {
    return twbench::ScratchPath("typed.bin");
}

template <typename T>
void SetTypedWork(benchmark::State& state) {
    twbench::SetWork(state, kValues, std::int64_t{kValues} * sizeof(T));
}

// The values' bytes, as every writer writes them, stored from to on.
template <typename T>
void StoreValues(unsigned char* to) {
    for (int i = 0; i < kValues; ++i) {
        const T value = ValueAt<T>(i);
        std::memcpy(to, &value, sizeof value);
        to += sizeof value;
    }
}

template <typename T>
void TypedTWFile(benchmark::State& state) {
    twbench::WriteAnew(state, TypedPath(), [](const std::string& path) {
        CTWFile32 file;
        int status = twbench::OpenForWriting(file, path);
        for (int i = 0; i < kValues && status >= 0; ++i)
            status = file.Write(ValueAt<T>(i));
        if (status >= 0) status = file.WriteFile();
        if (status >= 0) status = file.CloseFile();
        return twbench::Failure(status);
    });
    SetTypedWork<T>(state);
}

template <typename T>
void TypedFwrite(benchmark::State& state) {
    twbench::WriteAnew(state, TypedPath(), [](const std::string& path) -> std::string {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr) return "fopen failed";
        bool ok = true;
        for (int i = 0; i < kValues && ok; ++i) {
            const T value = ValueAt<T>(i);
            ok = std::fwrite(&value, sizeof value, 1, file) == 1;
        }
        ok = std::fclose(file) == 0 && ok;
        return ok ? "" : "fwrite failed";
    });
    SetTypedWork<T>(state);
}

template <typename T>
void TypedOfstream(benchmark::State& state) {
    twbench::WriteAnew(state, TypedPath(), [](const std::string& path) -> std::string {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        for (int i = 0; i < kValues; ++i) {
            const T value = ValueAt<T>(i);
            file.write(reinterpret_cast<const char*>(&value), sizeof value);
        }
        file.close();
        return file ? "" : "ofstream::write failed";
    });
    SetTypedWork<T>(state);
}

template <typename T>
void TypedLimit(benchmark::State& state) {
    // Allocated and touched before timing: the limit pays no page faults.
    std::vector<unsigned char> bytes(std::size_t{kValues} * sizeof(T), 1);
    twbench::WriteAnew(state, TypedPath(), [&bytes](const std::string& path) -> std::string {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0) return "open failed";
        StoreValues<T>(bytes.data());
        const bool ok = twbench::WriteAllBytes(fd, bytes.data(), bytes.size());
        return ::close(fd) == 0 && ok ? "" : "write failed";
    });
    SetTypedWork<T>(state);
}

template <typename T>
void TypedFlushFloor(benchmark::State& state) {
    std::vector<unsigned char> bytes(std::size_t{kValues} * sizeof(T), 1);
    twbench::WriteAnew(state, TypedPath(), [&bytes](const std::string& path) -> std::string {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) return "open failed";
        StoreValues<T>(bytes.data());
        const bool ok = twbench::WriteInBufferFulls(fd, bytes.data(), bytes.size());
        return ::close(fd) == 0 && ok ? "" : "write failed";
    });
    SetTypedWork<T>(state);
}

#define TWBENCH_TYPED(function, type, name) \
    BENCHMARK_TEMPLATE(function, type)->Name(name)->Unit(benchmark::kMillisecond)

TWBENCH_TYPED(TypedTWFile, int, "typed/int32/twfile");
TWBENCH_TYPED(TypedFwrite, int, "typed/int32/fwrite");
TWBENCH_TYPED(TypedOfstream, int, "typed/int32/ofstream");
TWBENCH_TYPED(TypedLimit, int, "typed/int32/limit");
TWBENCH_TYPED(TypedFlushFloor, int, "typed/int32/flush_floor");
TWBENCH_TYPED(TypedTWFile, double, "typed/double/twfile");
TWBENCH_TYPED(TypedFwrite, double, "typed/double/fwrite");
TWBENCH_TYPED(TypedOfstream, double, "typed/double/ofstream");
TWBENCH_TYPED(TypedLimit, double, "typed/double/limit");
TWBENCH_TYPED(TypedFlushFloor, double, "typed/double/flush_floor");

}  // namespace
