#include "file/file_support.h"

namespace twtest {

TestFile::TestFile(const std::string& bytes, int halvings, unsigned long shareMode)
    : m_path(m_dir.File("data.bin")), m_shareMode(shareMode) {
    WriteAll(m_path, bytes);
    Reopen(halvings);
}

void TestFile::Reopen(int halvings) {
    m_file = std::make_unique<CTWFile32>();
    m_file->SetFileName(m_path.c_str());
    m_file->SetDesiredAccess(win32::GENERIC_READ | win32::GENERIC_WRITE);
    m_file->SetShareMode(m_shareMode);
    EXPECT_GE(m_file->CreateFileA(), 0);
    // Each open allocates the buffer again; a failed allocation halves its
    // size for good.
    for (int i = 0; i < halvings; ++i) {
        win32::fault::Arm(win32::fault::Kind::GlobalAlloc, 1);
        EXPECT_GE(m_file->CreateFileA(), 0);
        win32::fault::Disarm();
    }
    EXPECT_EQ(m_file->IsFileOpen(), 1);
    EXPECT_EQ(m_file->m_nBufSize, BufferSizeAfter(halvings));
}

long CurrentPoint(CTWFile32& file) {
    long offset = -1;
    file.GetCurLoc(offset);
    return offset;
}

}  // namespace twtest
