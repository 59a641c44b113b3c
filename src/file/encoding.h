// The byte order of numbers in files: little-endian on every host.
#ifndef TWFILE_SRC_FILE_ENCODING_H
#define TWFILE_SRC_FILE_ENCODING_H

#include <cstdint>

namespace twfile {
namespace file {

inline void StoreLE32(unsigned char* to, std::uint32_t value) {
    to[0] = static_cast<unsigned char>(value);
    to[1] = static_cast<unsigned char>(value >> 8);
    to[2] = static_cast<unsigned char>(value >> 16);
    to[3] = static_cast<unsigned char>(value >> 24);
}

inline void StoreLE64(unsigned char* to, std::uint64_t value) {
    StoreLE32(to, static_cast<std::uint32_t>(value));
    StoreLE32(to + 4, static_cast<std::uint32_t>(value >> 32));
}

inline std::uint32_t LoadLE32(const unsigned char* from) {
    return static_cast<std::uint32_t>(from[0]) | static_cast<std::uint32_t>(from[1]) << 8 |
           static_cast<std::uint32_t>(from[2]) << 16 | static_cast<std::uint32_t>(from[3]) << 24;
}

inline std::uint64_t LoadLE64(const unsigned char* from) {
    return static_cast<std::uint64_t>(LoadLE32(from)) |
           static_cast<std::uint64_t>(LoadLE32(from + 4)) << 32;
}

}  // namespace file
}  // namespace twfile

#endif  // TWFILE_SRC_FILE_ENCODING_H
