# Writes a manual page (roff, section 1) around the --help text of a program.
#   cmake -DPROGRAM=<exe> -DNAME=<name> -DSUMMARY=<text> -DVERSION=<x.y.z>
#         -DOUTPUT=<file.1> -P GenerateManPage.cmake
foreach(var PROGRAM NAME SUMMARY VERSION OUTPUT)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "GenerateManPage.cmake needs -D${var}=...")
    endif()
endforeach()

execute_process(COMMAND ${PROGRAM} --help
    OUTPUT_VARIABLE help
    ERROR_VARIABLE errors
    RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR help STREQUAL "")
    message(FATAL_ERROR "${PROGRAM} --help failed (${rc}): ${errors}")
endif()

# The help text goes in unfilled, as printed; roff's escape character and
# lines that roff would take for requests are neutralised.
string(REPLACE "\\" "\\e" help "${help}")
string(REPLACE "-" "\\-" help "${help}")
string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
string(TOUPPER "${NAME}" title)
string(REPLACE "-" "\\-" summary "${SUMMARY}")

file(WRITE ${OUTPUT}
".TH ${title} 1 \"\" \"twfile ${VERSION}\" \"User Commands\"
.SH NAME
${NAME} \\- ${summary}
.SH DESCRIPTION
.nf
${help}
.fi
.SH VERSION
twfile ${VERSION}; \\fB${NAME} \\-\\-version\\fR prints it.
")
