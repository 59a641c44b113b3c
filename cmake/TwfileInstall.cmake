# What `cmake --install` puts into the prefix:
#   include/twfile/...                  the public headers, version.h included
#   lib/libtwfile.a or libtwfile.so.*   static by default, shared with BUILD_SHARED_LIBS=ON
#   lib/libtwfile_sql.a                 the SQL layer twfile::sql, when built (always static)
#   lib/libtwfile_json.a                the JSON form twfile::json, when built (always static)
#   lib/cmake/twfile/                   the CMake package: find_package(twfile CONFIG),
#                                       with the components sql and json
#   lib/pkgconfig/twfile.pc             the same for pkg-config, and twfile-json.pc
#   bin/qdf, share/man/man1/qdf.1       the tool and its manual page, when the tool is built
# The CMake package finds its prefix from its own place, so an installed tree
# can be moved as a whole; twfile.pc names the prefix it was installed to.
include(CMakePackageConfigHelpers)

set(TWFILE_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/twfile
    CACHE STRING "Where the CMake package files go, relative to the prefix")
set(TWFILE_INSTALL_PKGCONFIGDIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig
    CACHE STRING "Where twfile.pc goes, relative to the prefix")

get_target_property(TWFILE_LIBRARY_TYPE twfile TYPE)
if(TWFILE_LIBRARY_TYPE STREQUAL "SHARED_LIBRARY")
    set(TWFILE_SHARED ON)
else()
    set(TWFILE_SHARED OFF)
endif()

# Headers and library.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/twfile
                  ${PROJECT_BINARY_DIR}/include/twfile
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
    FILES_MATCHING PATTERN "*.h")
install(TARGETS twfile EXPORT twfileTargets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The SQL layer, when built: twfile::sql (a static library that needs SQLite).
set(TWFILE_SQL_INSTALLED OFF)
if(TARGET twfile_sql)
    set(TWFILE_SQL_INSTALLED ON)
    install(TARGETS twfile_sql EXPORT twfileTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
endif()
# The JSON form, when built: twfile::json (a static library on nlohmann-json).
set(TWFILE_JSON_INSTALLED OFF)
if(TARGET twfile_json)
    set(TWFILE_JSON_INSTALLED ON)
    install(TARGETS twfile_json EXPORT twfileTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
endif()
# SQLite built here from its amalgamation goes with it (twfile::sqlite3).
set(TWFILE_SQLITE_INSTALLED OFF)
if(TARGET twfile_sqlite3)
    set(TWFILE_SQLITE_INSTALLED ON)
    install(TARGETS twfile_sqlite3 EXPORT twfileTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
endif()

# CMake package: twfile::twfile with its include directory, C++17 and, for the
# static library, TWFILE_STATIC.
install(EXPORT twfileTargets
    NAMESPACE twfile::
    FILE twfileTargets.cmake
    DESTINATION ${TWFILE_INSTALL_CMAKEDIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/twfileConfig.cmake.in
    ${PROJECT_BINARY_DIR}/twfileConfig.cmake
    INSTALL_DESTINATION ${TWFILE_INSTALL_CMAKEDIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/twfileConfigVersion.cmake
    VERSION ${PROJECT_VERSION}
    COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/twfileConfig.cmake
              ${PROJECT_BINARY_DIR}/twfileConfigVersion.cmake
    DESTINATION ${TWFILE_INSTALL_CMAKEDIR})

# pkg-config. The prefix is the one the files are installed to, which
# `cmake --install --prefix` may change after configuring: the file is made
# at configure time with the prefix left open and completed at install time.
function(twfile_pc_dir out dir)
    if(IS_ABSOLUTE "${dir}")
        set(${out} "${dir}" PARENT_SCOPE)
    else()
        set(${out} "\${prefix}/${dir}" PARENT_SCOPE)
    endif()
endfunction()
set(TWFILE_PC_PREFIX "@TWFILE_PC_PREFIX@")
twfile_pc_dir(TWFILE_PC_LIBDIR "${CMAKE_INSTALL_LIBDIR}")
twfile_pc_dir(TWFILE_PC_INCLUDEDIR "${CMAKE_INSTALL_INCLUDEDIR}")
set(TWFILE_PC_CFLAGS "")
set(TWFILE_PC_LIBS "")
set(TWFILE_PC_LIBS_PRIVATE "")
if(CMAKE_THREAD_LIBS_INIT)
    set(TWFILE_PC_LIBS_PRIVATE " ${CMAKE_THREAD_LIBS_INIT}")
endif()
if(NOT TWFILE_SHARED)
    # Users of the static library see TWFILE_API as empty and link its
    # dependencies themselves.
    set(TWFILE_PC_CFLAGS " -DTWFILE_STATIC")
    set(TWFILE_PC_LIBS "${TWFILE_PC_LIBS_PRIVATE}")
    set(TWFILE_PC_LIBS_PRIVATE "")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/twfile.pc.in ${PROJECT_BINARY_DIR}/twfile.pc.in @ONLY)
install(CODE "
    set(TWFILE_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
    configure_file(\"${PROJECT_BINARY_DIR}/twfile.pc.in\" \"${PROJECT_BINARY_DIR}/twfile.pc\" @ONLY)
")
install(FILES ${PROJECT_BINARY_DIR}/twfile.pc DESTINATION ${TWFILE_INSTALL_PKGCONFIGDIR})
# twfile-json.pc: the JSON form over twfile.pc and nlohmann-json's own file.
if(TWFILE_JSON_INSTALLED)
    configure_file(${CMAKE_CURRENT_LIST_DIR}/twfile-json.pc.in ${PROJECT_BINARY_DIR}/twfile-json.pc.in
        @ONLY)
    install(CODE "
        set(TWFILE_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
        configure_file(\"${PROJECT_BINARY_DIR}/twfile-json.pc.in\" \"${PROJECT_BINARY_DIR}/twfile-json.pc\" @ONLY)
    ")
    install(FILES ${PROJECT_BINARY_DIR}/twfile-json.pc DESTINATION ${TWFILE_INSTALL_PKGCONFIGDIR})
endif()

# The tool, once it is part of the build. Against the shared library it finds
# the library through a run path relative to itself.
if(TARGET qdf)
    if(TWFILE_SHARED AND NOT IS_ABSOLUTE "${CMAKE_INSTALL_BINDIR}"
       AND NOT IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
        file(RELATIVE_PATH TWFILE_BIN_TO_LIB /root/${CMAKE_INSTALL_BINDIR}
             /root/${CMAKE_INSTALL_LIBDIR})
        set_target_properties(qdf PROPERTIES INSTALL_RPATH "$ORIGIN/${TWFILE_BIN_TO_LIB}")
    endif()
    install(TARGETS qdf RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    # The manual page and the completions of bash, zsh and fish, made by the
    # tool from its table of commands (qdf man, qdf completion SHELL).
    if(CMAKE_CROSSCOMPILING)
        message(STATUS "no manual page or completions for qdf: it cannot run on the build machine")
    else()
        include(TwfileToolOutput)
        set(qdf_made ${PROJECT_BINARY_DIR}/tools/qdf/made)
        twfile_tool_output(qdf ${qdf_made}/qdf.1 "man")
        twfile_tool_output(qdf ${qdf_made}/qdf.bash "completion bash")
        twfile_tool_output(qdf ${qdf_made}/_qdf "completion zsh")
        twfile_tool_output(qdf ${qdf_made}/qdf.fish "completion fish")
        add_custom_target(qdf_documents ALL
            DEPENDS ${qdf_made}/qdf.1 ${qdf_made}/qdf.bash ${qdf_made}/_qdf ${qdf_made}/qdf.fish)
        install(FILES ${qdf_made}/qdf.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
        install(FILES ${qdf_made}/qdf.bash
                DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME qdf)
        install(FILES ${qdf_made}/_qdf DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/site-functions)
        install(FILES ${qdf_made}/qdf.fish
                DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d)
    endif()
endif()
