# The tool suite calls the tool's core library (qdf_core) and runs the built
# program. The tool's folder is added after this one, so the wiring waits for
# the end of the top-level directory.
if(TARGET twfile_tests_tool)
    if(NOT TWFILE_BUILD_TOOLS)
        # The suite needs the tool even when the tool is not built by default.
        add_subdirectory(${PROJECT_SOURCE_DIR}/tools/qdf ${PROJECT_BINARY_DIR}/tools/qdf
                         EXCLUDE_FROM_ALL)
    endif()
    function(twfile_wire_tool_tests)
        target_link_libraries(twfile_tests_tool PRIVATE qdf_core)
        target_compile_definitions(twfile_tests_tool PRIVATE
            QDF_BINARY="$<TARGET_FILE:qdf>"
            TWFILE_EXAMPLES_DIR="${PROJECT_SOURCE_DIR}/examples")
        add_dependencies(twfile_tests_tool qdf)
    endfunction()
    cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL twfile_wire_tool_tests)
endif()
