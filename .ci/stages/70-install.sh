# Installs the library into temporary prefixes, as shared and as static
# library, and builds and runs the consumers from the installed trees: a C
# program through pkg-config and through find_package, and a C++ program
# through find_package (its project asking for C++14, raised to the C++17 the
# package states). The C++ program also builds once with the library added by
# add_subdirectory.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
consumers=tests/consumers

check_installed_tree() {
  local prefix=$1 libdir=$2
  for file in include/movrimsg.h include/movrimsg_version.h include/movrimsg.hpp \
              "$libdir/pkgconfig/movrimsg.pc" \
              "$libdir/cmake/movrimsg/movrimsgConfig.cmake" \
              "$libdir/cmake/movrimsg/movrimsgConfigVersion.cmake"; do
    test -f "$prefix/$file" || { echo "missing from the installed tree: $file"; exit 1; }
  done
}

build_library() {
  local build=$1; shift
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DMOVRIMSG_BUILD_TESTS=OFF \
    -DMOVRIMSG_BUILD_EXAMPLES=OFF "$@" >/dev/null
  cmake --build "$build" -j2 >/dev/null
}

libdir_of() { sed -n 's/^CMAKE_INSTALL_LIBDIR:PATH=//p' "$1/CMakeCache.txt"; }

run_cpp_consumer() {
  local build=$1; shift
  cmake -S "$consumers/cpp-cmake" -B "$build" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
  cmake --build "$build" -j2 >/dev/null
  "$build/consumer"
}

echo "--- shared library into a prefix chosen at install time"
build_library "$work/shared"
prefix=$work/prefix
libdir=$(libdir_of "$work/shared")
cmake --install "$work/shared" --prefix "$prefix" >/dev/null
check_installed_tree "$prefix" "$libdir"
test -L "$prefix/$libdir/libmovrimsg.so.1" && test -L "$prefix/$libdir/libmovrimsg.so"
test -f "$prefix/share/man/man1/movrimsg-inspect.1"
"$prefix/bin/movrimsg-inspect" examples/sample.xml >/dev/null

echo "--- C consumer through pkg-config"
export PKG_CONFIG_PATH=$prefix/$libdir/pkgconfig
# shellcheck disable=SC2046
cc -std=c99 -Wall -Wextra -Werror "$consumers/c-pkgconfig/main.c" -o "$work/c-consumer" \
  $(pkg-config --cflags --libs movrimsg)
LD_LIBRARY_PATH=$prefix/$libdir "$work/c-consumer"
unset PKG_CONFIG_PATH

echo "--- C consumer through find_package, in a project without C++"
cmake -S "$consumers/c-cmake" -B "$work/c-cmake" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/c-cmake" -j2 >/dev/null
LD_LIBRARY_PATH=$prefix/$libdir "$work/c-cmake/consumer"

echo "--- C++ consumer through find_package"
run_cpp_consumer "$work/cpp-shared" -DCMAKE_PREFIX_PATH="$prefix"

echo "--- static library through DESTDIR"
build_library "$work/static" -DBUILD_SHARED_LIBS=OFF -DMOVRIMSG_BUILD_TOOLS=OFF \
  -DCMAKE_INSTALL_PREFIX=/opt/movrimsg
DESTDIR=$work/stage cmake --install "$work/static" >/dev/null
static_prefix=$work/stage/opt/movrimsg
check_installed_tree "$static_prefix" "$(libdir_of "$work/static")"
run_cpp_consumer "$work/cpp-static" -DCMAKE_PREFIX_PATH="$static_prefix"

echo "--- C++ consumer with add_subdirectory"
run_cpp_consumer "$work/cpp-subdirectory" -DMOVRIMSG_SOURCE_DIR="$PWD"
