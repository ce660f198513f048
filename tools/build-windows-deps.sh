#!/usr/bin/env bash
# Cross-builds, for 64-bit Windows, what the Windows build of movrimsg needs and
# Debian ships only as source: expat, from Debian's source package (the
# library), and GoogleTest, from the sources the googletest package installs
# (the tests). Both go into BUILD_DIR/windows-deps, to be named in
# CMAKE_PREFIX_PATH.
#
#   tools/build-windows-deps.sh [BUILD_DIR [expat]]   (default: build-windows)
#
# With `expat`, only expat: what the ZIP holds, for a build without tests.
#
# Needs g++-mingw-w64-x86-64-posix, cmake, dpkg-dev, googletest, and deb-src
# in the Types line of /etc/apt/sources.list.d/debian.sources (then apt-get
# update), since `apt-get source` fetches expat from there.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-build-windows}")
prefix=$build/windows-deps
sources=$build/windows-deps-src
toolchain=$root/cmake/mingw-w64-x86_64.cmake
jobs=${JOBS:-2}

cross_build() {  # source_dir build_dir cmake-options...
  local source_dir=$1 build_dir=$2
  shift 2
  cmake -S "$source_dir" -B "$build_dir" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" "$@" > "$build_dir.log"
  cmake --build "$build_dir" -j "$jobs" >> "$build_dir.log"
  # strip stamps a DLL with the time, unless told one: zero, like the linker.
  SOURCE_DATE_EPOCH=0 cmake --install "$build_dir" --strip >> "$build_dir.log"
}

# Debian's 2.5.0 carries a fix that tests `#if XML_DTD == 1`, while the
# header its CMake generates defines XML_DTD with no value.
mend_expat() {
  local template=$1/expat_config.h.cmake
  if ! grep -qx '#cmakedefine XML_DTD' "$template"; then
    grep -qx '#cmakedefine XML_DTD 1' "$template" && return
    echo "build-windows-deps: no XML_DTD line to mend in $template" >&2
    exit 1
  fi
  sed -i 's/^#cmakedefine XML_DTD$/#cmakedefine XML_DTD 1/' "$template"
}

# The DLL's version resource reads VER_FILEVERSION where the version belongs:
# expat's CMake defines the macro for the numbers, but the strings are quoted.
# Both are filled from expat.h.
stamp_expat_version() {
  local source_dir=$1 part version=""
  for part in MAJOR MINOR MICRO; do
    version+=$(sed -n "s/^#define XML_${part}_VERSION \([0-9]*\)$/\1/p" "$source_dir/lib/expat.h").
  done
  version=${version%.}
  if ! [[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]]; then
    echo "build-windows-deps: no version in $source_dir/lib/expat.h" >&2
    exit 1
  fi
  sed -i -e "s/^\(FILEVERSION\|PRODUCTVERSION\) VER_FILEVERSION$/\1 ${version//./,},0/" \
    -e "s/\"VER_FILEVERSION\"/\"$version\"/" "$source_dir/win32/version.rc"
  if grep -q VER_FILEVERSION "$source_dir/win32/version.rc"; then
    echo "build-windows-deps: VER_FILEVERSION left in $source_dir/win32/version.rc" >&2
    exit 1
  fi
}

build_expat() {
  if [ -f "$prefix/bin/libexpat-1.dll" ]; then return; fi
  mkdir -p "$sources/expat"
  local source_dir
  source_dir=$(find "$sources/expat" -maxdepth 3 -name expat_config.h.cmake -printf '%h\n' -quit)
  if [ -z "$source_dir" ]; then
    (cd "$sources/expat" && apt-get source -qq expat/bookworm > ../expat-source.log)
    source_dir=$(find "$sources/expat" -maxdepth 3 -name expat_config.h.cmake -printf '%h\n' -quit)
  fi
  mend_expat "$source_dir"
  stamp_expat_version "$source_dir"
  cross_build "$source_dir" "$sources/expat-build" -DEXPAT_SHARED_LIBS=ON \
    -DEXPAT_BUILD_TOOLS=OFF -DEXPAT_BUILD_EXAMPLES=OFF -DEXPAT_BUILD_TESTS=OFF \
    -DEXPAT_BUILD_DOCS=OFF -DEXPAT_BUILD_PKGCONFIG=OFF
  # Whoever ships libexpat-1.dll ships its license too.
  install -D -m 644 "$source_dir/COPYING" "$prefix/share/doc/expat/COPYING"
}

build_googletest() {
  if [ -f "$prefix/lib/cmake/GTest/GTestConfig.cmake" ]; then return; fi
  cross_build /usr/src/googletest "$sources/googletest-build" -DBUILD_GMOCK=ON
}

mkdir -p "$sources"
build_expat
[ "${2:-}" = expat ] || build_googletest
echo "Windows dependencies in $prefix"
