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
execute_process(COMMAND ${BINARY}/consumer RESULT_VARIABLE rc)
if(rc)
    message(FATAL_ERROR "consumer failed: ${rc}")
endif()
