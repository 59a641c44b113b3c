// Symbol visibility of the library's public classes and functions.
#ifndef TWFILE_EXPORT_H
#define TWFILE_EXPORT_H

#if defined(TWFILE_STATIC)
#define TWFILE_API
#elif defined(_WIN32)
#if defined(TWFILE_BUILDING_LIBRARY)
#define TWFILE_API __declspec(dllexport)
#else
#define TWFILE_API __declspec(dllimport)
#endif
#else
#define TWFILE_API __attribute__((visibility("default")))
#endif

#endif  // TWFILE_EXPORT_H
