# Installs the build into a fresh prefix and checks what a user gets: every file in its place,
# programs that run, desktop entries that validate, man pages that render without warnings and
# a systemd unit that verifies (where the tools exist on this machine).
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed:\n${output}")
endif()

set(failures)
set(expected
    bin/chronoreel
    bin/chronoreel-scheduler
    share/doc/chronoreel/Chronoreel/index.htm
    share/doc/chronoreel/copyright
    share/doc/chronoreel/changelog.gz
    share/man/man1/chronoreel.1.gz
    share/man/man1/chronoreel-scheduler.1.gz
    share/man/man5/chronoreel.5.gz
    share/applications/chronoreel.desktop
    share/applications/chronoreel-scheduler.desktop
    share/mime/packages/chronoreel.xml
    share/icons/hicolor/scalable/apps/chronoreel.svg
    share/icons/hicolor/16x16/apps/chronoreel.png
    share/icons/hicolor/48x48/apps/chronoreel.png
    share/icons/hicolor/256x256/apps/chronoreel.png
    share/chronoreel/chronoreel-scheduler.service
    share/chronoreel/demo/demo.tls
    share/chronoreel/demo/stills/LICENSE-plantcv.txt)
foreach(file IN LISTS expected)
    if(NOT EXISTS ${PREFIX}/${file})
        list(APPEND failures "not installed: ${file}")
    endif()
endforeach()

foreach(program chronoreel chronoreel-scheduler)
    execute_process(COMMAND ${PREFIX}/bin/${program} --version
                    RESULT_VARIABLE result OUTPUT_VARIABLE version ERROR_VARIABLE error)
    if(NOT result EQUAL 0 OR NOT version MATCHES "${VERSION}")
        list(APPEND failures "installed ${program} --version: ${result} ${version}${error}")
    endif()
endforeach()

find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
if(DESKTOP_FILE_VALIDATE)
    foreach(entry chronoreel.desktop chronoreel-scheduler.desktop)
        execute_process(COMMAND ${DESKTOP_FILE_VALIDATE} ${PREFIX}/share/applications/${entry}
                        RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
        if(NOT result EQUAL 0 OR NOT output STREQUAL "")
            list(APPEND failures "desktop-file-validate ${entry}: ${output}")
        endif()
    endforeach()
else()
    message(STATUS "desktop-file-validate not found; desktop entries not validated")
endif()

find_program(MAN man)
if(MAN)
    foreach(page man1/chronoreel.1.gz man1/chronoreel-scheduler.1.gz man5/chronoreel.5.gz)
        if(NOT EXISTS ${PREFIX}/share/man/${page})
            continue()
        endif()
        execute_process(COMMAND ${CMAKE_COMMAND} -E env MANWIDTH=80 LC_ALL=C.UTF-8
                                ${MAN} --warnings -l ${PREFIX}/share/man/${page}
                        RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE warnings)
        if(NOT result EQUAL 0 OR NOT warnings STREQUAL "")
            list(APPEND failures "man --warnings ${page}: ${warnings}")
        endif()
    endforeach()
endif()

# The example unit names the installed program; here it is checked against this prefix's.
find_program(SYSTEMD_ANALYZE systemd-analyze)
set(unit ${PREFIX}/share/chronoreel/chronoreel-scheduler.service)
if(SYSTEMD_ANALYZE AND EXISTS ${unit})
    file(READ ${unit} text)
    string(REPLACE "/usr/bin/" "${PREFIX}/bin/" text "${text}")
    file(WRITE ${PREFIX}/verify/chronoreel-scheduler.service "${text}")
    execute_process(COMMAND ${CMAKE_COMMAND} -E env MANPATH=${PREFIX}/share/man
                            ${SYSTEMD_ANALYZE} verify ${PREFIX}/verify/chronoreel-scheduler.service
                    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
    # Users and folders of the target machine do not exist here; only errors in the unit itself
    # count.
    string(REGEX REPLACE "[^\n]*(Failed to resolve|user|group|WorkingDirectory)[^\n]*\n?" ""
           remaining "${output}")
    if(NOT remaining STREQUAL "")
        list(APPEND failures "systemd-analyze verify: ${output}")
    endif()
endif()

if(failures)
    string(REPLACE ";" "\n" text "${failures}")
    message(FATAL_ERROR "${text}")
endif()
