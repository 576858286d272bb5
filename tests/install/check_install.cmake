# Installs the build into a scratch prefix and checks that the program, its
# desktop entry and its icon land in the usual places.
set(prefix "${BUILD_DIR}/install-check")
file(REMOVE_RECURSE "${prefix}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
foreach(path bin/dbprobe share/applications/dbprobe.desktop share/icons/hicolor/scalable/apps/dbprobe.svg)
    if(NOT EXISTS "${prefix}/${path}")
        message(FATAL_ERROR "not installed: ${path}")
    endif()
endforeach()
file(READ "${prefix}/share/applications/dbprobe.desktop" entry)
if(NOT entry MATCHES "Exec=dbprobe" OR NOT entry MATCHES "Icon=dbprobe")
    message(FATAL_ERROR "the desktop entry does not start dbprobe with its icon")
endif()
file(REMOVE_RECURSE "${prefix}")
