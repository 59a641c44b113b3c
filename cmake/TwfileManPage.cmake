# twfile_add_man_page(<tool> <summary>): installs the manual page of a tool
# into share/man/man1. A page written by hand (tools/<tool>/<tool>.1 or
# docs/<tool>.1) is installed as it stands; otherwise the page is made at
# build time from the tool's own --help text and those of its subcommands,
# so the two never disagree, followed by its manual docs/<tool>.md.
function(twfile_add_man_page tool summary)
    foreach(candidate ${PROJECT_SOURCE_DIR}/tools/${tool}/${tool}.1
                      ${PROJECT_SOURCE_DIR}/docs/${tool}.1)
        if(EXISTS ${candidate})
            install(FILES ${candidate} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
            return()
        endif()
    endforeach()
    if(CMAKE_CROSSCOMPILING)
        message(STATUS "no manual page for ${tool}: it cannot run on the build machine")
        return()
    endif()
    set(page ${PROJECT_BINARY_DIR}/man/${tool}.1)
    set(manual ${PROJECT_SOURCE_DIR}/docs/${tool}.md)
    if(NOT EXISTS ${manual})
        set(manual "")
    endif()
    add_custom_command(OUTPUT ${page}
        COMMAND ${CMAKE_COMMAND}
            -DPROGRAM=$<TARGET_FILE:${tool}>
            -DNAME=${tool}
            -DSUMMARY=${summary}
            -DVERSION=${PROJECT_VERSION}
            -DOUTPUT=${page}
            -DMARKDOWN=${manual}
            -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/GenerateManPage.cmake
        DEPENDS ${tool} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/GenerateManPage.cmake
                ${manual}
        COMMENT "Making the manual page of ${tool}"
        VERBATIM)
    add_custom_target(${tool}_man_page ALL DEPENDS ${page})
    install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
