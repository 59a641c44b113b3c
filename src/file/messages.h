// The file object's own messages; all carry error number -1.
#ifndef TWFILE_SRC_FILE_MESSAGES_H
#define TWFILE_SRC_FILE_MESSAGES_H

namespace twfile {
namespace file {

constexpr int kFileError = -1;
constexpr char kErrorReading[] = "Error reading a file";
constexpr char kErrorWriting[] = "Error writing a file";
// The path names the new text, but the rename may not survive a power loss.
constexpr char kSavedFolderNotFlushed[] =
    "The document was saved, but its folder could not be flushed to the disk";
constexpr char kErrorClosing[] = "Error closing a file";
constexpr char kTargetTooSmall[] = "Error - target too small for read operation";
constexpr char kErrorLocating[] = "Error locating specific position within a file";
constexpr char kResetWhileOpen[] = "Reset() called whilst file open";
// Offsets are signed 32-bit values in files and in the record format.
constexpr char kFileTooLarge[] = "Error - file of 2 GiB or more is not supported";

// The largest file offset the object handles.
constexpr long long kMaxOffset = 0x7FFFFFFFLL;

}  // namespace file
}  // namespace twfile

#endif  // TWFILE_SRC_FILE_MESSAGES_H
