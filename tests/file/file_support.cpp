#include "file/file_support.h"

#include <gtest/gtest.h>

#include <twfile/host/error.h>
#include <twfile/platform/fault.h>

#include "support/support.h"

namespace twtest {

namespace {

std::unique_ptr<CTWFile32> Open(const std::string& path, unsigned long disposition, int halvings) {
    auto file = std::make_unique<CTWFile32>();
    file->SetFileName(path.c_str());
    file->SetDesiredAccess(win32::GENERIC_READ | win32::GENERIC_WRITE);
    file->SetCreationDistribution(disposition);
    EXPECT_GE(file->CreateFileA(), 0);
    // Each open allocates the buffer again; a failed allocation halves its
    // size for good.
    for (int i = 0; i < halvings; ++i) {
        win32::fault::Arm(win32::fault::Kind::GlobalAlloc, 1);
        EXPECT_GE(file->CreateFileA(), 0);
        win32::fault::Disarm();
    }
    EXPECT_EQ(file->IsFileOpen(), 1) << path;
    EXPECT_EQ(file->m_nBufSize, BufferSizeAfter(halvings));
    return file;
}

}  // namespace

int BufferSizeAfter(int halvings) {
    return 65534 >> halvings;
}

std::unique_ptr<CTWFile32> OpenNew(const std::string& path, int halvings) {
    return Open(path, win32::CREATE_ALWAYS, halvings);
}

std::unique_ptr<CTWFile32> OpenExisting(const std::string& path, int halvings) {
    return Open(path, win32::OPEN_EXISTING, halvings);
}

std::unique_ptr<CTWFile32> OpenHolding(const std::string& path, const std::string& bytes,
                                       int halvings) {
    WriteAll(path, bytes);
    return OpenExisting(path, halvings);
}

long CurrentPoint(CTWFile32& file) {
    long offset = -1;
    file.GetCurLoc(offset);
    return offset;
}

std::string TakeError() {
    std::string text = CTWError::m_nError < 0 ? CTWError::GetMessage() : "";
    CTWError::Clear();
    return text;
}

std::string Le32(unsigned value) {
    std::string bytes;
    for (int i = 0; i < 4; ++i)
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    return bytes;
}

}  // namespace twtest
