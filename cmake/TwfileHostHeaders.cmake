# twfile_use_host_headers(<imported target> <folder>...)
#
# A cross build takes header-only packages from the build machine, but not
# the rest of its include folder (its C library's headers): the package's
# own folders (nlohmann, CLI, ...) are linked into one of the build's, which
# the target then names as its only include folder. Nothing happens in a
# native build.
function(twfile_use_host_headers package)
    if(NOT CMAKE_CROSSCOMPILING)
        return()
    endif()
    set(host_headers ${PROJECT_BINARY_DIR}/host-headers)
    get_target_property(folders ${package} INTERFACE_INCLUDE_DIRECTORIES)
    set_target_properties(${package} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${host_headers})
    foreach(folder ${folders})
        foreach(name ${ARGN})
            if(EXISTS ${folder}/${name} AND NOT EXISTS ${host_headers}/${name})
                file(MAKE_DIRECTORY ${host_headers})
                file(CREATE_LINK ${folder}/${name} ${host_headers}/${name} SYMBOLIC)
            endif()
        endforeach()
    endforeach()
endfunction()
