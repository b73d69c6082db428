# Runs the include check over small made-up trees: each case is one file, its includes and
# whether the check must accept it.
cmake_minimum_required(VERSION 3.25)

# name | file | text | expected (PASS or FAIL)
set(cases
    "scheduler_reaches_movie|scheduler/task.cpp|#include \"movie/movie_gen.h\"|FAIL"
    "core_includes_qt|base/numbers.cpp|#include <QString>|FAIL"
    "core_includes_qt_module_path|video/writer.h|#include <QtCore/QObject>|FAIL"
    "movie_reaches_ui|movie/make_movie.h|#include \"ui/common/preview.h\"|FAIL"
    "programs_reach_ui|programs/movie_maker/start.cpp|#include \"ui/common/preview.h\"|FAIL"
    "spaced_directive|os/display.cpp|  #  include \"video/video_writer.h\"|FAIL"
    "relative_path|movie/scan.cpp|#include \"../video/video_writer.h\"|FAIL"
    "unknown_folder|movie/scan.cpp|#include \"engine/movie_gen.h\"|FAIL"
    "file_outside_layers|stray.cpp|#include \"base/numbers.h\"|FAIL"
    "layer_below|movie/scan.cpp|#include \"os/read_file.h\"|PASS"
    "own_layer|scheduler/task.cpp|#include \"scheduler/task.h\"|PASS"
    "system_header|base/numbers.cpp|#include <string>|PASS"
    "ui_uses_qt_and_core|ui/common/box.cpp|#include <QMessageBox>\n#include \"movie/movie_gen.h\"|PASS"
    "main_wires_everything|programs/movie_maker/main.cpp|#include <QApplication>\n#include \"ui/common/box.h\"|PASS"
)

set(failures)
foreach(case IN LISTS cases)
    string(REPLACE "|" ";" fields "${case}")
    list(GET fields 0 name)
    list(GET fields 1 file)
    list(GET fields 2 text)
    list(GET fields 3 expected)
    string(REPLACE "\\n" "\n" text "${text}")

    set(tree ${WORK_DIR}/${name})
    file(REMOVE_RECURSE ${tree})
    file(WRITE ${tree}/${file} "${text}\n")
    execute_process(
        COMMAND ${CMAKE_COMMAND} -DLAYERS=${LAYERS} -DSOURCE_DIR=${tree} -P ${CHECKER}
        RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE output)
    if(result EQUAL 0)
        set(actual PASS)
    else()
        set(actual FAIL)
    endif()
    if(NOT actual STREQUAL expected)
        list(APPEND failures "${name}: expected ${expected}, got ${actual}\n${output}")
    endif()
endforeach()

if(failures)
    string(REPLACE ";" "\n" text "${failures}")
    message(FATAL_ERROR "${text}")
endif()
