# Compiler settings shared by the library and everything built beside it.

# Warnings for a target; errors too when MOVRIMSG_WARNINGS_AS_ERRORS is on.
function(movrimsg_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(MOVRIMSG_WARNINGS_AS_ERRORS)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# Sanitizers and coverage, applied to every target built from here on.
if(MOVRIMSG_SANITIZE)
  add_compile_options(-fsanitize=${MOVRIMSG_SANITIZE} -fno-omit-frame-pointer
                      -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${MOVRIMSG_SANITIZE})
endif()
if(MOVRIMSG_COVERAGE)
  # Atomic counters: the concurrency test runs the library on several threads.
  add_compile_options(--coverage -O0 -fprofile-update=atomic)
  add_link_options(--coverage)
endif()

# Reproducible builds: debug information, __FILE__ and assertions name files
# relative to the source and build trees, and executables find the build
# tree's library through a run path relative to themselves, so the same
# sources give the same bytes wherever they are built. (The run path is
# replaced on installation, but the build ID was computed over it.) Coverage
# keeps absolute paths for gcov.
set(CMAKE_BUILD_RPATH_USE_ORIGIN ON)
if(NOT MOVRIMSG_COVERAGE)
  add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.
                      -ffile-prefix-map=${PROJECT_BINARY_DIR}=.)
endif()
