#include "framework/text_buffer.h"

#include "platform/fault.h"

#include <climits>
#include <new>

namespace twfile {

bool GrowTextBuffer(char*& buffer, int& size, int length) {
    if (length >= 0 && length < size) return true;
    FreeTextBuffer(buffer, size);
    if (length < 0 || length == INT_MAX) return false;
    if (win32::fault::ShouldFail(win32::fault::Kind::Buffer)) return false;
    buffer = new (std::nothrow) char[static_cast<unsigned>(length) + 1u];
    if (buffer == nullptr) return false;
    size = length + 1;
    return true;
}

void FreeTextBuffer(char*& buffer, int& size) {
    delete[] buffer;
    buffer = nullptr;
    size = 0;
}

}  // namespace twfile
