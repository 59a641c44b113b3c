// The exception the framework throws when it cannot allocate.
#ifndef TWFILE_FRAMEWORK_MEMORY_EXCEPTION_H
#define TWFILE_FRAMEWORK_MEMORY_EXCEPTION_H

#include <new>

#include <twfile/export.h>

// Thrown by CString and CPtrList when an allocation fails. The library
// catches it and raises the error its operation gives; it derives from
// std::bad_alloc so a generic handler catches it too.
class TWFILE_API CMemoryException : public std::bad_alloc {
  public:
    const char* what() const noexcept override;
};

#endif  // TWFILE_FRAMEWORK_MEMORY_EXCEPTION_H
