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

# A DLL or program the release ships: it carries a version resource (what
# Windows shows in its properties: the project's version, the product's
# name, <description>, the license), and its debug information goes to
# <file>.debug beside it, which the file names through a debug link, for
# the release's symbols ZIP.
function(movrimsg_shipped_binary target description)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(rc_file_type VFT_APP)
  else()
    set(rc_file_type VFT_DLL)
  endif()
  set(rc_file_name "$<TARGET_FILE_NAME:${target}>")
  set(rc_description "${description}")
  set(rc_internal_name ${target})
  file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE rc_copyright REGEX "^Copyright " LIMIT_COUNT 1)
  set(resource ${CMAKE_CURRENT_BINARY_DIR}/${target}-version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version-resource.rc.in ${resource}.in @ONLY)
  file(GENERATE OUTPUT ${resource} INPUT ${resource}.in)
  if(MINGW)
    # windres runs apart from the C and C++ compilers, whose options it
    # does not take.
    add_custom_command(OUTPUT ${resource}.obj
      COMMAND ${CMAKE_RC_COMPILER} -O coff -i ${resource} -o ${resource}.obj
      DEPENDS ${resource})
    target_sources(${target} PRIVATE ${resource}.obj)
  else()
    target_sources(${target} PRIVATE ${resource})
  endif()

  if(NOT CMAKE_OBJCOPY)
    return()
  endif()
  # Stripped here rather than by CPack, so that the ZIP holds the files the
  # tests ran. objcopy stamps a PE file with the time, unless told one: zero,
  # like the linker (--no-insert-timestamp).
  set(file $<TARGET_FILE:${target}>)
  set(objcopy ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${CMAKE_OBJCOPY})
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${objcopy} --only-keep-debug ${file} ${file}.debug
    COMMAND ${objcopy} --strip-all --add-gnu-debuglink=${file}.debug ${file}
    VERBATIM)
  if(MOVRIMSG_INSTALL)
    install(FILES ${file}.debug DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT symbols
            EXCLUDE_FROM_ALL)
  endif()
endfunction()

if(NOT CMAKE_CROSSCOMPILING OR NOT CMAKE_CROSSCOMPILING_EMULATOR)
  return()
endif()

# A wrapper around the emulator that lets the programs find the library's DLL
# and expat's, keeps wine's prefix inside the build tree, shares one prefix
# and one wine server among the programs of a run, and silences wine's own
# diagnostics, which would otherwise land in the programs' error output.
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
get_filename_component(emulator_dir ${emulator} DIRECTORY)
find_program(MOVRIMSG_WINESERVER wineserver HINTS ${emulator_dir} REQUIRED)
set(wineserver ${MOVRIMSG_WINESERVER})
set(MOVRIMSG_WINE_SERVER_LINGER 60)
configure_file(${CMAKE_CURRENT_LIST_DIR}/run-under-wine.in ${PROJECT_BINARY_DIR}/CMakeFiles/run-under-wine
               @ONLY)
file(COPY ${PROJECT_BINARY_DIR}/CMakeFiles/run-under-wine DESTINATION ${PROJECT_BINARY_DIR}
     FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                      WORLD_READ WORLD_EXECUTE)
# The build makes the prefix, so that the tests start with it there.
if(MOVRIMSG_BUILD_TESTS)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/wine-prefix/.movrimsg-prefix-ready
    COMMAND ${PROJECT_BINARY_DIR}/run-under-wine
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/run-under-wine.in
    COMMENT "Making the wine prefix")
  add_custom_target(movrimsg_wine_prefix ALL
    DEPENDS ${PROJECT_BINARY_DIR}/wine-prefix/.movrimsg-prefix-ready)
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_BINARY_DIR}/run-under-wine)
# The test programs are listed when ctest runs, not by running them under wine
# at build time.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
