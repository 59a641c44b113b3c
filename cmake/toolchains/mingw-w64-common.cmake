# Shared part of the MinGW-w64 cross toolchains: set TWFILE_MINGW_TRIPLET
# before including this file.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 10.0)

# The POSIX threads flavour of the compilers has std::thread and std::mutex.
foreach(lang C CXX)
    if(lang STREQUAL "C")
        set(tool gcc)
    else()
        set(tool g++)
    endif()
    find_program(TWFILE_MINGW_${lang} NAMES ${TWFILE_MINGW_TRIPLET}-${tool}-posix
                                           ${TWFILE_MINGW_TRIPLET}-${tool} REQUIRED)
    set(CMAKE_${lang}_COMPILER ${TWFILE_MINGW_${lang}})
endforeach()
find_program(CMAKE_RC_COMPILER NAMES ${TWFILE_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TWFILE_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Header-only packages of the build machine (CLI11, nlohmann-json) serve the
# cross build too.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# Programs built here run under Wine (tests, test discovery), through a
# wrapper that gives Wine a private prefix and finds the compiler's runtime
# DLLs.
# (Debian's wine64 package installs the loader in /usr/lib/wine.)
find_program(TWFILE_WINE NAMES wine64 wine PATHS /usr/lib/wine)
if(TWFILE_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-run.sh;${TWFILE_MINGW_TRIPLET}"
        CACHE STRING "Runs the built Windows programs")
endif()
