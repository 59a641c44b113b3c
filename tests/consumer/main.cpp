// Uses the library as an application would: a temporary file through the
// file object, and a message box handler of its own.
#include <twfile/twfile.h>

#include <cstdio>
#include <string>

namespace {
std::string g_shown;
int Collect(const char* text, unsigned int, unsigned int) {
    g_shown += text;
    return IDOK;
}
}  // namespace

int main() {
    AfxSetMessageBoxHandler(&Collect);
    CTWFile32 file;
    if (file.CreateFileTemp("consumer") < 0 || !file.IsFileOpen()) return 1;
    const std::string name = file.GetFileName();
    file.CloseFile();
    std::remove(name.c_str());
    CTWFile32 missing;
    missing.SetFileName("/nonexistent/dir/file");
    missing.CreateFileA();
    if (missing.IsFileOpen() || g_shown.empty()) return 2;
    std::printf("consumer ok\n");
    return 0;
}
