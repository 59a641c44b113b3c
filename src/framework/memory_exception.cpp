#include <twfile/framework/memory_exception.h>

const char* CMemoryException::what() const noexcept {
    return "out of memory";
}
