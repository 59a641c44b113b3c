# twfile_tool_output(<tool> <output> <arguments>): makes the file <output> at
# build time from what the built <tool> prints when run with <arguments> (one
# text, split at its spaces). The tool's manual page and its shell
# completions are made this way, from the tool's own table of commands, so
# that they never disagree with it. A cross build's tool cannot run on the
# build machine: there the caller makes nothing.
function(twfile_tool_output tool output arguments)
    add_custom_command(OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND}
            -DPROGRAM=$<TARGET_FILE:${tool}>
            -DARGUMENTS=${arguments}
            -DOUTPUT=${output}
            -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/CaptureToolOutput.cmake
        DEPENDS ${tool} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/CaptureToolOutput.cmake
        COMMENT "Making ${output} with ${tool} ${arguments}"
        VERBATIM)
endfunction()
