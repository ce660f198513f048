# Compiler settings shared by the library and everything built beside it.

# Warnings for a target; errors too when MOVRIMSG_WARNINGS_AS_ERRORS is on.
function(movrimsg_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(MOVRIMSG_WARNINGS_AS_ERRORS)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# Hardening, for everything built from here on, where the compiler and linker
# take it: a canary in functions with arrays, a probe of every page a large
# frame takes (so a stack overflow faults at the guard page instead of
# writing past it), checked string and memory calls, a read-only GOT bound at
# load time, and no executable stack. Windows builds keep the toolchain's
# defaults (its stack protector would need another runtime DLL).
include(CheckCSourceCompiles)
include(CheckCXXSourceCompiles)

# Adds a compile option when both compilers take it without a word.
function(movrimsg_add_compile_option_if_supported option)
  string(MAKE_C_IDENTIFIER "MOVRIMSG_HAS${option}" result)
  set(CMAKE_REQUIRED_FLAGS "${option} -Werror")
  check_c_source_compiles("int main(void) { return 0; }" ${result}_C)
  check_cxx_source_compiles("int main() { return 0; }" ${result}_CXX)
  if(${result}_C AND ${result}_CXX)
    add_compile_options(${option})
  endif()
endfunction()

# Adds a link option when the linker takes it.
function(movrimsg_add_link_option_if_supported option)
  string(MAKE_C_IDENTIFIER "MOVRIMSG_LINKS${option}" result)
  set(CMAKE_REQUIRED_LINK_OPTIONS ${option})
  check_c_source_compiles("int main(void) { return 0; }" ${result})
  if(${result})
    add_link_options(${option})
  endif()
endfunction()

if(NOT WIN32)
  movrimsg_add_compile_option_if_supported(-fstack-protector-strong)
  movrimsg_add_compile_option_if_supported(-fstack-clash-protection)
  foreach(option -Wl,-z,relro -Wl,-z,now -Wl,-z,noexecstack)
    movrimsg_add_link_option_if_supported(${option})
  endforeach()
  # Checked calls need optimisation, and stay out of instrumented builds; a
  # level the compiler or the caller's flags already set is kept, for every
  # configuration whose flags set one.
  check_c_source_compiles("#ifdef _FORTIFY_SOURCE\n#error set\n#endif\nint main(void) { return 0; }"
                          MOVRIMSG_FORTIFY_UNSET)
  if(MOVRIMSG_FORTIFY_UNSET AND NOT MOVRIMSG_SANITIZE AND NOT MOVRIMSG_COVERAGE
     AND NOT CMAKE_C_FLAGS MATCHES "_FORTIFY_SOURCE" AND NOT CMAKE_CXX_FLAGS MATCHES "_FORTIFY_SOURCE")
    set(fortify_kept "$<CONFIG:Debug>")
    foreach(config IN LISTS CMAKE_CONFIGURATION_TYPES CMAKE_BUILD_TYPE ITEMS Release RelWithDebInfo MinSizeRel)
      string(TOUPPER "${config}" upper)
      if("${CMAKE_C_FLAGS_${upper}} ${CMAKE_CXX_FLAGS_${upper}}" MATCHES "_FORTIFY_SOURCE")
        string(APPEND fortify_kept ",$<CONFIG:${config}>")
      endif()
    endforeach()
    add_compile_definitions($<$<NOT:$<OR:${fortify_kept}>>:_FORTIFY_SOURCE=2>)
  endif()
endif()

# Debug information that valgrind (before 3.20) can read: clang writes DWARF 5
# forms it gives up on, and the tests count parse work under callgrind.
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  add_compile_options($<$<OR:$<CONFIG:Debug>,$<CONFIG:RelWithDebInfo>>:-gdwarf-4>)
endif()

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
