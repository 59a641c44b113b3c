#include "platform/memory.h"
#include "platform/fault.h"
#include "platform/last_error.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

namespace win32 {

namespace {

// A movable block: the handle is this record, the address is its data.
struct GlobalBlock {
    void* data;
    SIZE_T size;
    unsigned locks;
};

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
    if (fault::ShouldFail(fault::Kind::GlobalAlloc)) {
        SetLastError(ENOMEM);
        return nullptr;
    }
    GlobalBlock* block = new (std::nothrow) GlobalBlock{nullptr, bytes, 0};
    if (block == nullptr) {
        SetLastError(ENOMEM);
        return nullptr;
    }
    // One byte at least, so a block of size 0 still has an address.
    block->data = (flags & GMEM_ZEROINIT) != 0 ? std::calloc(bytes ? bytes : 1, 1)
                                               : std::malloc(bytes ? bytes : 1);
    if (block->data == nullptr) {
        delete block;
        SetLastError(ENOMEM);
        return nullptr;
    }
    return block;
}

LPVOID GlobalLock(HGLOBAL memory) {
    if (memory == nullptr) {
        SetLastError(EINVAL);
        return nullptr;
    }
    if (fault::ShouldFail(fault::Kind::GlobalLock)) {
        SetLastError(EFAULT);
        return nullptr;
    }
    GlobalBlock* block = static_cast<GlobalBlock*>(memory);
    ++block->locks;
    return block->data;
}

BOOL GlobalUnlock(HGLOBAL memory) {
    if (memory == nullptr) return FALSE;
    GlobalBlock* block = static_cast<GlobalBlock*>(memory);
    if (block->locks > 0) --block->locks;
    return block->locks > 0 ? TRUE : FALSE;
}

HGLOBAL GlobalFree(HGLOBAL memory) {
    if (memory == nullptr) return nullptr;
    GlobalBlock* block = static_cast<GlobalBlock*>(memory);
    std::free(block->data);
    delete block;
    return nullptr;
}

HLOCAL LocalFree(HLOCAL memory) {
    std::free(memory);
    return nullptr;
}

}  // namespace win32
