#include <twfile/platform/colours.h>

#include <atomic>

namespace win32 {

namespace {
std::atomic<DWORD> g_window{0x00FFFFFFu};
std::atomic<DWORD> g_windowText{0x00000000u};
}  // namespace

DWORD GetSysColor(int index) {
    switch (index) {
        case COLOR_WINDOW:
            return g_window.load();
        case COLOR_WINDOWTEXT:
            return g_windowText.load();
        default:
            return 0;
    }
}

void SetSysColor(int index, unsigned long colour) {
    const DWORD value = static_cast<DWORD>(colour & 0x00FFFFFFu);
    switch (index) {
        case COLOR_WINDOW:
            g_window.store(value);
            break;
        case COLOR_WINDOWTEXT:
            g_windowText.store(value);
            break;
        default:
            break;
    }
}

}  // namespace win32
