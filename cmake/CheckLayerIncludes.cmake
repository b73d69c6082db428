# Reads the includes of every source file under SOURCE_DIR against the layer table and fails
# when a file includes a layer that is not below its own, or a Qt header outside the windows.
#
#   cmake -DLAYERS="base:|os:base|..." -DSOURCE_DIR=src -P CheckLayerIncludes.cmake
#
# LAYERS: entries "layer:allowed,allowed" separated by "|". A file belongs to the layer named
# by its first folder under SOURCE_DIR. A program's main.cpp (under programs/) wires the
# layers together and may include any of them, Qt too.
cmake_minimum_required(VERSION 3.25)

if(NOT DEFINED LAYERS OR NOT DEFINED SOURCE_DIR)
    message(FATAL_ERROR "usage: cmake -DLAYERS=... -DSOURCE_DIR=... -P CheckLayerIncludes.cmake")
endif()

string(REPLACE "|" ";" layer_entries "${LAYERS}")
set(layer_names)
foreach(entry IN LISTS layer_entries)
    string(REPLACE ":" ";" parts "${entry}")
    list(GET parts 0 name)
    list(APPEND layer_names ${name})
    set(allowed_${name} ${name})
    list(LENGTH parts count)
    if(count GREATER 1)
        list(GET parts 1 below)
        string(REPLACE "," ";" below "${below}")
        list(APPEND allowed_${name} ${below})
    endif()
endforeach()

set(qt_layer "ui")
set(violations)

file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.cpp)
list(SORT files)
foreach(file IN LISTS files)
    string(REGEX MATCH "^[^/]+" layer "${file}")
    if(NOT layer IN_LIST layer_names OR file STREQUAL layer)
        list(APPEND violations "${file}: lies outside every layer folder")
        continue()
    endif()
    set(is_main FALSE)
    if(layer STREQUAL "programs" AND file MATCHES "/main\\.cpp$")
        set(is_main TRUE)
    endif()

    file(STRINGS ${SOURCE_DIR}/${file} lines REGEX "^[ \t]*#[ \t]*include")
    foreach(line IN LISTS lines)
        if(NOT line MATCHES "^[ \t]*#[ \t]*include[ \t]*([<\"])([^>\"]+)[>\"]")
            continue()
        endif()
        set(delimiter "${CMAKE_MATCH_1}")
        set(header "${CMAKE_MATCH_2}")
        if(delimiter STREQUAL "<")
            if(header MATCHES "^Q[A-Za-z0-9_]*(/|$)" AND NOT layer STREQUAL qt_layer AND NOT is_main)
                list(APPEND violations "${file}: includes the Qt header <${header}> outside ui/")
            endif()
            continue()
        endif()
        if(header MATCHES "(^|/)\\.\\./")
            list(APPEND violations "${file}: includes \"${header}\" by a relative path")
            continue()
        endif()
        string(REGEX MATCH "^[^/]+" target_layer "${header}")
        if(header STREQUAL target_layer OR NOT target_layer IN_LIST layer_names)
            list(APPEND violations
                 "${file}: includes \"${header}\", which names no layer folder")
            continue()
        endif()
        if(NOT is_main AND NOT target_layer IN_LIST allowed_${layer})
            string(REPLACE ";" ", " allowed_text "${allowed_${layer}}")
            list(APPEND violations
                 "${file}: includes \"${header}\" of layer ${target_layer}, but ${layer} may include only ${allowed_text}")
        endif()
    endforeach()
endforeach()

if(violations)
    list(LENGTH violations count)
    string(REPLACE ";" "\n  " text "${violations}")
    message(FATAL_ERROR "${count} include(s) against the layer order:\n  ${text}")
endif()
list(LENGTH files count)
message(STATUS "layer includes: ${count} files follow the layer order")
