# Writes a manual page (roff, section 1) around the --help text of a program.
#   cmake -DPROGRAM=<exe> -DNAME=<name> -DSUMMARY=<text> -DVERSION=<x.y.z>
#         -DOUTPUT=<file.1> [-DMARKDOWN=<manual.md>] -P GenerateManPage.cmake
# Each subcommand that the --help text lists under "Subcommands:" gets its
# own section from its own --help text. MARKDOWN, the tool's manual, follows
# as it stands, each "## " heading a section of the page.
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

# A text set unfilled, as printed: roff's escape character and lines that
# roff would take for requests are neutralised.
function(roff_text var text)
    string(REPLACE "\\" "\\e" text "${text}")
    string(REPLACE "-" "\\-" text "${text}")
    string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
    set(${var} "${text}" PARENT_SCOPE)
endfunction()

# The subcommands' names: the first word of each line of the list.
set(commands "")
string(FIND "${help}" "\nSubcommands:\n" at)
if(at GREATER -1)
    string(SUBSTRING "${help}" ${at} -1 list)
    string(REGEX MATCHALL "\n  [a-z][a-z0-9-]*" names "${list}")
    foreach(name ${names})
        string(STRIP "${name}" name)
        list(APPEND commands ${name})
    endforeach()
endif()

set(sections "")
if(commands)
    string(APPEND sections ".SH COMMANDS\n")
endif()
foreach(command ${commands})
    execute_process(COMMAND ${PROGRAM} ${command} --help
        OUTPUT_VARIABLE text
        ERROR_VARIABLE errors
        RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "${PROGRAM} ${command} --help failed (${rc}): ${errors}")
    endif()
    roff_text(text "${text}")
    string(APPEND sections ".SS ${command}\n.nf\n${text}\n.fi\n")
endforeach()

if(DEFINED MARKDOWN AND EXISTS "${MARKDOWN}")
    file(READ "${MARKDOWN}" manual)
    roff_text(manual "\n${manual}")
    # The title goes, and the fences of examples; the text before the first
    # heading is the overview.
    string(REGEX REPLACE "\n# [^\n]*" "" manual "${manual}")
    string(REGEX REPLACE "\n```[^\n]*" "" manual "${manual}")
    string(REGEX REPLACE "\n## ([^\n]*)" "\n.fi\n.SH \\1\n.nf" manual "${manual}")
    string(APPEND sections ".SH OVERVIEW\n.nf${manual}\n.fi\n")
endif()

roff_text(help "${help}")
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
${sections}.SH VERSION
twfile ${VERSION}; \\fB${NAME} \\-\\-version\\fR prints it.
")
