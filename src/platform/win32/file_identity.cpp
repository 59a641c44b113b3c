#include "platform/win32/windows.h"

#include "platform/fault.h"
#include "platform/file_identity.h"

namespace win32 {

BOOL GetFileIdentity(HANDLE file, FileIdentity* identity) {
    if (file == INVALID_HANDLE_VALUE || file == nullptr || identity == nullptr) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (fault::ShouldFail(fault::Kind::Attributes)) {
        ::SetLastError(ERROR_READ_FAULT);
        return FALSE;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(file, &info)) return FALSE;
    const auto wide = [](DWORD high, DWORD low) {
        return (static_cast<std::uint64_t>(high) << 32) | low;
    };
    identity->volume = info.dwVolumeSerialNumber;
    identity->index = wide(info.nFileIndexHigh, info.nFileIndexLow);
    identity->size = wide(info.nFileSizeHigh, info.nFileSizeLow);
    identity->modified = static_cast<std::int64_t>(
        wide(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime));
    return TRUE;
}

}  // namespace win32
