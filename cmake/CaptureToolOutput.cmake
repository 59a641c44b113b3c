# Writes what a program prints on standard output to a file, replacing the
# file only when the program succeeds.
#   cmake -DPROGRAM=<exe> -DARGUMENTS=<words> -DOUTPUT=<file> -P CaptureToolOutput.cmake
foreach(var PROGRAM ARGUMENTS OUTPUT)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "CaptureToolOutput.cmake needs -D${var}=...")
    endif()
endforeach()
separate_arguments(arguments UNIX_COMMAND "${ARGUMENTS}")
execute_process(COMMAND ${PROGRAM} ${arguments}
    OUTPUT_FILE ${OUTPUT}.part
    ERROR_VARIABLE errors
    RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    file(REMOVE ${OUTPUT}.part)
    message(FATAL_ERROR "${PROGRAM} ${ARGUMENTS} failed (${rc}): ${errors}")
endif()
file(RENAME ${OUTPUT}.part ${OUTPUT})
