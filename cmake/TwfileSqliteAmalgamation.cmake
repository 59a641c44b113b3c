# SQLite as a static library built from its amalgamation
# (TWFILE_SQLITE_AMALGAMATION names sqlite3.c; sqlite3.h is beside it), for a
# target without a SQLite library of its own. It stands in for the system's
# library under the same name, SQLite::SQLite3.
get_filename_component(TWFILE_SQLITE_DIR ${TWFILE_SQLITE_AMALGAMATION} DIRECTORY)
if(NOT EXISTS ${TWFILE_SQLITE_AMALGAMATION} OR NOT EXISTS ${TWFILE_SQLITE_DIR}/sqlite3.h)
    message(FATAL_ERROR "TWFILE_SQLITE_AMALGAMATION: no sqlite3.c and sqlite3.h at ${TWFILE_SQLITE_AMALGAMATION}")
endif()
add_library(twfile_sqlite3 STATIC ${TWFILE_SQLITE_AMALGAMATION})
add_library(SQLite::SQLite3 ALIAS twfile_sqlite3)
set_target_properties(twfile_sqlite3 PROPERTIES
    EXPORT_NAME sqlite3
    POSITION_INDEPENDENT_CODE ON)
target_include_directories(twfile_sqlite3 PUBLIC $<BUILD_INTERFACE:${TWFILE_SQLITE_DIR}>)
# The options of Debian's own build that a caller may notice; thread-safe.
target_compile_definitions(twfile_sqlite3 PRIVATE
    SQLITE_THREADSAFE=1
    SQLITE_SECURE_DELETE
    SQLITE_ENABLE_COLUMN_METADATA
    SQLITE_ENABLE_MATH_FUNCTIONS
    SQLITE_LIKE_DOESNT_MATCH_BLOBS
    SQLITE_USE_URI=1
    SQLITE_MAX_VARIABLE_NUMBER=250000)
# Third-party code: its warnings are not this project's, and its debugging
# information only makes the build slower.
if(MSVC)
    target_compile_options(twfile_sqlite3 PRIVATE /w)
else()
    target_compile_options(twfile_sqlite3 PRIVATE -w -g0)
endif()
if(UNIX)
    find_package(Threads REQUIRED)
    target_link_libraries(twfile_sqlite3 PRIVATE Threads::Threads ${CMAKE_DL_LIBS} m)
endif()
message(STATUS "twfile::sql: SQLite built from ${TWFILE_SQLITE_AMALGAMATION}")
