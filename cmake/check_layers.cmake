# Checks that every quoted #include in the game's folders goes down the layers:
# a file may include its own folder and the folders of the libraries its
# library uses, directly or through others. Also fails when the uses form a
# cycle. Run by the "layering" test:
#
#   cmake -DSOURCE_DIR=<repo> -DTABLE=<build>/layers.cmake -P cmake/check_layers.cmake
#
# The table comes from gloam_library (cmake/layers.cmake), so it is the link graph.
cmake_minimum_required(VERSION 3.25)
if(NOT SOURCE_DIR OR NOT TABLE)
    message(FATAL_ERROR "usage: cmake -DSOURCE_DIR=<repo> -DTABLE=<layers.cmake> -P check_layers.cmake")
endif()
include("${TABLE}")

# Every library each one reaches, by a walk over USES; a library that reaches
# itself closes a cycle.
set(errors "")
foreach(name ${GLOAM_LAYERS})
    set(reach "")
    set(todo ${GLOAM_USES_${name}})
    while(todo)
        list(POP_FRONT todo next)
        if(next STREQUAL name)
            list(APPEND errors "${name} uses itself through others (a cycle)")
            break()
        endif()
        if(NOT next IN_LIST reach)
            list(APPEND reach ${next})
            list(APPEND todo ${GLOAM_USES_${next}})
        endif()
    endwhile()
    set(REACH_${name} ${reach})
    set(LIBRARY_OF_${GLOAM_FOLDER_${name}} ${name})
endforeach()

set(checked 0)
foreach(name ${GLOAM_LAYERS})
    set(folder "${GLOAM_FOLDER_${name}}")
    set(allowed "${folder}")
    foreach(used ${REACH_${name}})
        list(APPEND allowed "${GLOAM_FOLDER_${used}}")
    endforeach()
    file(GLOB files "${SOURCE_DIR}/${folder}/*.cpp" "${SOURCE_DIR}/${folder}/*.h")
    foreach(file ${files})
        file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
        file(RELATIVE_PATH shown "${SOURCE_DIR}" "${file}")
        foreach(line ${lines})
            string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*$" "\\1" included "${line}")
            get_filename_component(target_folder "${included}" DIRECTORY)
            if(target_folder STREQUAL "")
                set(target_folder "${folder}") # beside the including file
            endif()
            math(EXPR checked "${checked} + 1")
            if(target_folder IN_LIST allowed)
                continue()
            endif()
            if(DEFINED LIBRARY_OF_${target_folder})
                list(APPEND errors
                     "${shown}: includes \"${included}\", but ${name} does not use ${LIBRARY_OF_${target_folder}}")
            else()
                list(APPEND errors "${shown}: includes \"${included}\", which is in no layer")
            endif()
        endforeach()
    endforeach()
endforeach()

if(errors)
    list(JOIN errors "\n  " text)
    message(FATAL_ERROR "Against the layers:\n  ${text}")
endif()
list(LENGTH GLOAM_LAYERS count)
message(STATUS "layering: ${checked} includes in ${count} libraries go down the layers")
