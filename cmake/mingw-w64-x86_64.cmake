# Cross-builds for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64-posix):
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake ...
# The -posix compilers are named outright: installing the -win32 variant
# turns the plain x86_64-w64-mingw32-gcc into that one.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(movrimsg_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${movrimsg_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${movrimsg_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${movrimsg_mingw}-windres)

# Headers, libraries and packages come from the mingw tree and from the
# prefixes named in CMAKE_PREFIX_PATH, never from the Linux system.
set(CMAKE_FIND_ROOT_PATH /usr/${movrimsg_mingw} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs carry their compiler runtime inside them, so they need no
# libgcc, libstdc++ or winpthread DLL beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# The link time would change the bytes of every build: DLLs and programs
# carry no time stamp.
string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT " -Wl,--no-insert-timestamp")
set(CMAKE_SHARED_LINKER_FLAGS_INIT -Wl,--no-insert-timestamp)

# Built programs run under wine, for the tests and wherever the build runs them.
find_program(MOVRIMSG_WINE NAMES wine)
if(MOVRIMSG_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${MOVRIMSG_WINE})
endif()
