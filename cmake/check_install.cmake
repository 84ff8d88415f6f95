# Installs the build tree into a fresh PREFIX and compares the files there with EXPECTED
# (comma-separated, relative to PREFIX); the programs in BINDIR must be executable.
#   cmake -DBUILD_DIR=... -DPREFIX=... -DEXPECTED=a,b -DBINDIR=bin -P check_install.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed (${result}):\n${output}")
endif()

string(REPLACE "," ";" expected "${EXPECTED}")
list(SORT expected)
file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE "${PREFIX}" "${PREFIX}/*")
list(SORT installed)
if(NOT installed STREQUAL expected)
    set(missing ${expected})
    list(REMOVE_ITEM missing ${installed})
    set(extra ${installed})
    list(REMOVE_ITEM extra ${expected})
    message(FATAL_ERROR "install tree differs\n  missing: ${missing}\n  unexpected: ${extra}")
endif()

foreach(file IN LISTS installed)
    execute_process(COMMAND test -x "${PREFIX}/${file}" RESULT_VARIABLE not_executable)
    if(file MATCHES "^${BINDIR}/" AND not_executable)
        message(FATAL_ERROR "${file} is not executable")
    elseif(NOT file MATCHES "^${BINDIR}/" AND NOT not_executable)
        message(FATAL_ERROR "${file} is executable but not a program")
    endif()
endforeach()
list(LENGTH installed count)
message(STATUS "${count} files installed as expected")
file(REMOVE_RECURSE "${PREFIX}")
