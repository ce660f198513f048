# Windows builds: the expat DLL the library runs with, and, when cross-built,
# the programs of the build run under wine (see cmake/mingw-w64-x86_64.cmake).

# libexpat-1.dll from the expat prefix, for the tests and the ZIP.
find_file(MOVRIMSG_EXPAT_DLL NAMES libexpat-1.dll libexpat.dll PATH_SUFFIXES bin
          DOC "The expat DLL shipped beside libmovrimsg.dll")

# Tests that Windows cannot run are still listed, as skipped with their reason.
function(movrimsg_skipped_on_windows name reason)
  add_test(NAME ${name} COMMAND ${CMAKE_COMMAND} -E echo "skipped on Windows: ${reason}")
  set_tests_properties(${name} PROPERTIES SKIP_REGULAR_EXPRESSION "skipped on Windows: ")
endfunction()

if(NOT CMAKE_CROSSCOMPILING OR NOT CMAKE_CROSSCOMPILING_EMULATOR)
  return()
endif()

# A wrapper around the emulator that lets the programs find the library's DLL
# and expat's, keeps wine's prefix inside the build tree and silences wine's
# own diagnostics, which would otherwise land in the programs' error output.
function(movrimsg_windows_path out dir)
  string(REPLACE "/" "\\" dir "${dir}")
  set(${out} "Z:${dir}" PARENT_SCOPE)
endfunction()
movrimsg_windows_path(library_dir ${PROJECT_BINARY_DIR}/src)
set(dll_path "${library_dir}")
if(MOVRIMSG_EXPAT_DLL)
  get_filename_component(expat_dir ${MOVRIMSG_EXPAT_DLL} DIRECTORY)
  movrimsg_windows_path(expat_dir ${expat_dir})
  string(APPEND dll_path ";${expat_dir}")
endif()
list(GET CMAKE_CROSSCOMPILING_EMULATOR 0 emulator)
file(WRITE ${PROJECT_BINARY_DIR}/CMakeFiles/run-under-wine
"#!/bin/sh
# Runs a program of this build under wine.
export WINEPATH='${dll_path}'\"\${WINEPATH:+;\$WINEPATH}\"
export WINEPREFIX=\"\${WINEPREFIX:-${PROJECT_BINARY_DIR}/wine-prefix}\"
export WINEDEBUG=\"\${WINEDEBUG:--all}\"
export WINEDLLOVERRIDES=\"\${WINEDLLOVERRIDES:-mscoree,mshtml=}\"
exec '${emulator}' \"$@\"
")
file(COPY ${PROJECT_BINARY_DIR}/CMakeFiles/run-under-wine DESTINATION ${PROJECT_BINARY_DIR}
     FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                      WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_BINARY_DIR}/run-under-wine)
# The test programs are listed when ctest runs, not by running them under wine
# at build time.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
