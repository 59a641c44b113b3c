// The growable text buffers of conditions and joins.
#ifndef TWFILE_SRC_FRAMEWORK_TEXT_BUFFER_H
#define TWFILE_SRC_FRAMEWORK_TEXT_BUFFER_H

namespace twfile {

// Makes buffer hold at least length characters and a NUL. When length is at
// least size, the buffer is freed and replaced by one of exactly length + 1
// bytes (its contents are not kept); otherwise nothing changes, so a buffer
// never shrinks. Returns false when the new buffer cannot be allocated (or the
// fault switch fails the buffer allocation, or length is negative or too
// large): buffer is then null and size 0, so the next call allocates again.
bool GrowTextBuffer(char*& buffer, int& size, int length);

// Frees buffer; it becomes null and size 0.
void FreeTextBuffer(char*& buffer, int& size);

}  // namespace twfile

#endif  // TWFILE_SRC_FRAMEWORK_TEXT_BUFFER_H
