# Configures, builds and runs the consumer project.
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${BINARY} -DTWFILE_ROOT=${ROOT}
                        -DCMAKE_CXX_COMPILER=${COMPILER} -DCMAKE_BUILD_TYPE=Release
                RESULT_VARIABLE rc)
if(rc)
    message(FATAL_ERROR "configure failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BINARY} RESULT_VARIABLE rc)
if(rc)
    message(FATAL_ERROR "build failed")
endif()
foreach(program consumer json_consumer)
    execute_process(COMMAND ${BINARY}/${program} RESULT_VARIABLE rc)
    if(rc)
        message(FATAL_ERROR "${program} failed: ${rc}")
    endif()
endforeach()
