// Creates a temporary file through CTWFile32 and reports it.
#include <twfile/twfile.h>

#include <cstdio>

int main() {
    CTWFile32 file;
    if (file.CreateFileTemp("twfile-demo") < 0 || !file.IsFileOpen()) {
        std::fprintf(stderr, "could not create a temporary file: %s\n", CTWError::GetMessage());
        return 1;
    }
    std::printf("created %s (buffer of %d bytes)\n", file.GetFileName(), file.m_nBufSize);
    file.CloseFile();
    std::remove(file.GetFileName());
    return 0;
}
