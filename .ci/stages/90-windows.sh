# The Windows DLL: the README's Windows commands as written (cross-built with
# mingw-w64, the tests under wine, the ZIP made), then the DLL's export and
# import tables, the version resources, the ZIP used the ways its README.txt
# gives (mingw with pkg-config, mingw with -static, clang in MSVC mode with
# lld-link), and a second build's ZIPs compared byte for byte. Everything
# comes from Debian: the compilers, wine, expat's source package and
# GoogleTest's sources.
stage_start=$SECONDS
build="build-windows"

# The README's commands, from the line after the package lines: those are
# carried out here only for what is missing (apt-get update costs time, and
# apt-get install would ask). The stage's own checks need clang and lld.
commands=$(awk '/^## Windows/{w=1} w && /^```/{n++; next} w && n==1 {print}' README.md)
[ -n "$commands" ] || { echo "no Windows commands in README.md"; exit 1; }
sources=/etc/apt/sources.list.d/debian.sources
refresh=no
if ! grep -q '^Types:.*deb-src' "$sources"; then
  sed -n '1p' <<<"$commands" | bash -euo pipefail
  grep -q '^Types:.*deb-src' "$sources" || { echo "no Types line to extend in $sources"; exit 1; }
  refresh=yes
fi
read -r -a packages <<<"$(sed -n 's/^apt-get install //p' <<<"$commands")"
packages+=(clang lld)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ] || [ $refresh = yes ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
echo "packages ready after $((SECONDS - stage_start)) s"

# Warnings are errors in CI: the README's configure keeps the cache made here.
tools/build-windows-deps.sh "$build" >/dev/null
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_PREFIX_PATH="$PWD/$build/windows-deps" -DMOVRIMSG_WARNINGS_AS_ERRORS=ON \
  -DMOVRIMSG_BUILD_DOCS=OFF >/dev/null
readme_commands=$(sed -n '/^tools\/build-windows-deps.sh /,$p' <<<"$commands")
echo "README's Windows commands:"
while IFS= read -r line; do echo "+ $line"; done <<<"$readme_commands"
bash -euo pipefail -c "$readme_commands" >"$build/readme-commands.log" 2>&1 ||
  { cat "$build/readme-commands.log"; exit 1; }
sed -n '/tests passed/,/^$/p' "$build/readme-commands.log"
# A failed first run stays visible, though its second run passed.
retried=$(sed -n 's/^.*Test *#[0-9]*: \([^ ]*\) .*\*\*\*\(Failed\|Exception\|Timeout\).*$/\1/p' \
  "$build/readme-commands.log" | sort -u)
[ -z "$retried" ] || echo "passed on their second run: $(tr '\n' ' ' <<<"$retried")"
echo "README's commands done after $((SECONDS - stage_start)) s"

# Each skipped test again, for its reason.
skipped=$(sed -n 's/^\s*[0-9]* - \(.*\) (Skipped)$/\1/p' "$build/readme-commands.log")
if [ -n "$skipped" ]; then
  echo "skipped, and why:"
  ctest --test-dir "$build" -V -R "^($(paste -sd'|' <<<"$skipped" | sed 's/\./\\./g'))\$" 2>&1 |
    awk '/^ *Start +[0-9]+: / { n = $2; sub(/:$/, "", n); name[n] = $3; next }
         /^[0-9]+: .*: Skipped$/ { n = $1; getline; sub(/^[0-9]+: /, ""); print "  " name[n+0] ": " $0; next }
         /^[0-9]+: skipped on Windows: / { n = $1; sub(/^[0-9]+: skipped on Windows: /, "");
                                            print "  " name[n+0] ": " $0 }'
fi
# No test may wait longer than the build tree's default timeout.
ctest --test-dir "$build" --show-only=json-v1 | python3 -c '
import json, sys
tests = json.load(sys.stdin)["tests"]
slow = [(t["name"], p["value"]) for t in tests for p in t.get("properties", [])
        if p["name"] == "TIMEOUT" and p["value"] > 300]
print("\n".join("%s: TIMEOUT %s s, over 300" % s for s in slow) or
      "%d tests, none with a timeout over 300 s" % len(tests))
sys.exit(1 if slow else 0)'
grep -qx 'TimeOut: 300' "$build/DartConfiguration.tcl" ||
  { echo "$build/DartConfiguration.tcl gives no default timeout of 300 s"; exit 1; }

# The DLL exports exactly the listed functions.
dll=$build/src/libmovrimsg.dll
tool=$build/tools/movrimsg-inspect.exe
x86_64-w64-mingw32-objdump -p "$dll" >"$build/dll-tables.txt"
sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' "$build/dll-tables.txt" |
  sed -n 's/^\s*\[ *[0-9]*\] //p' | sort >"$build/dll-exports.txt"
if ! diff <(awk '!/^#/ {print $1}' src/movrimsg.exports | sort) "$build/dll-exports.txt"; then
  echo "libmovrimsg.dll exports differ from src/movrimsg.exports (< listed, > exported)"
  exit 1
fi
echo "libmovrimsg.dll exports the $(wc -l <"$build/dll-exports.txt") listed functions"

# The DLL and the programs shipped beside it import only Windows' own DLLs,
# expat and the library: no compiler runtime DLL.
imports_only() {  # binary allowed-regex
  local imports unexpected
  imports=$(x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^\s*DLL Name: //p' | sort)
  unexpected=$(grep -vixE "$2" <<<"$imports" || true)
  if [ -n "$unexpected" ]; then
    echo "$1 imports what it must not: $(tr '\n' ' ' <<<"$unexpected")"
    exit 1
  fi
  echo "$(basename "$1") imports: $(tr '\n' ' ' <<<"$imports")"
}
imports_only "$dll" 'kernel32\.dll|msvcrt\.dll|libexpat-1\.dll'
for binary in "$tool" "$build/examples/message_demo.exe"; do
  imports_only "$binary" 'kernel32\.dll|msvcrt\.dll|libexpat-1\.dll|libmovrimsg\.dll'
done

# Version resources: the project's version, name, description and license
# in the DLL and the tool; expat's own version in its DLL.
version=$(sed -n 's/^project(movrimsg VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
for binary in "$dll" "$tool"; do
  resource=$(x86_64-w64-mingw32-windres -J coff -O rc -i "$binary")
  for wanted in "FILEVERSION ${version//./, }, 0" "PRODUCTVERSION ${version//./, }, 0" \
                "\"FileVersion\", \"$version\"" "\"ProductVersion\", \"$version\"" \
                '"ProductName", "movrimsg"' '"FileDescription", "movrimsg' \
                '"LegalCopyright", "Copyright (c) [0-9]* The movrimsg developers; MIT License"' \
                "\"OriginalFilename\", \"$(basename "$binary")\""; do
    grep -q "^ *\(VALUE \)\?$wanted" <<<"$resource" ||
      { echo "$(basename "$binary")'s version resource lacks $wanted:"; echo "$resource"; exit 1; }
  done
done
expat_dll=$build/windows-deps/bin/libexpat-1.dll
expat_version=$(sed -n 's/^#define XML_\(MAJOR\|MINOR\|MICRO\)_VERSION \([0-9]*\)$/\2/p' \
  "$build/windows-deps/include/expat.h" | paste -sd.)
resource=$(x86_64-w64-mingw32-windres -J coff -O rc -i "$expat_dll")
if ! grep -q "\"FileVersion\", \"$expat_version\"" <<<"$resource" || grep -q VER_ <<<"$resource"; then
  echo "libexpat-1.dll's version resource is not expat's $expat_version:"
  echo "$resource"
  exit 1
fi
echo "version resources: libmovrimsg.dll and movrimsg-inspect.exe $version, libexpat-1.dll $expat_version"

# The ZIP holds the DLLs, the import libraries, the headers, the tool, the
# CMake package, the pkg-config file, the licenses and the README; the
# symbols ZIP the debug information each DLL or program names.
zip=$build/movrimsg-$version-windows-x86_64.zip
symbols=$build/movrimsg-$version-windows-x86_64-symbols.zip
listing=$(cmake -E tar tf "$zip")
for wanted in bin/libmovrimsg.dll bin/libexpat-1.dll bin/movrimsg-inspect.exe \
              lib/libmovrimsg.dll.a lib/movrimsg.lib lib/movrimsg.def lib/pkgconfig/movrimsg.pc \
              lib/cmake/movrimsg/movrimsgConfig.cmake include/movrimsg.h include/movrimsg.hpp \
              include/movrimsg_version.h LICENSE.txt LICENSE-expat.txt README.txt; do
  grep -q "/$wanted\$" <<<"$listing" || { echo "$zip lacks $wanted"; exit 1; }
done
echo "$(basename "$zip"): $(wc -l <<<"$listing") files"
for binary in "$dll" "$tool"; do
  name=$(basename "$binary")
  x86_64-w64-mingw32-objcopy --dump-section .gnu_debuglink="$build/debuglink" "$binary" \
    "$build/debuglink.copy"
  link=$(tr '\0' '\n' <"$build/debuglink" | head -n 1)
  if [ "$link" != "$name.debug" ] || ! cmake -E tar tf "$symbols" | grep -q "/bin/$name.debug\$"; then
    echo "$name names '$link' as its debug information; $(basename "$symbols") must hold $name.debug"
    exit 1
  fi
done
echo "$(basename "$symbols"): the debug information of libmovrimsg.dll and movrimsg-inspect.exe"

# Programs built against the unpacked ZIP alone, as its README.txt says, run
# with the DLLs of its bin/: C with mingw through pkg-config, C++ with mingw
# and -static, and C with clang in MSVC mode linked by lld-link against
# movrimsg.lib. That one uses no C runtime (there is no MSVC one here): only
# the library and kernel32, whose import library llvm-dlltool makes from the
# three functions it calls.
unpacked=$build/zip-check
rm -rf "$unpacked" && mkdir -p "$unpacked"
(cd "$unpacked" && cmake -E tar xf "../$(basename "$zip")")
root=$(echo "$unpacked"/movrimsg-*)
read -r -a flags <<<"$(PKG_CONFIG_LIBDIR=$root/lib/pkgconfig pkg-config --cflags --libs movrimsg)"
x86_64-w64-mingw32-gcc-posix -std=c99 -Wall -Wextra -Werror examples/message_demo.c "${flags[@]}" \
  -o "$root/bin/message_demo.exe"
cmake -DEMULATOR="$build/run-under-wine" -DDEMO="$root/bin/message_demo.exe" \
  -P examples/check_demo_output.cmake
x86_64-w64-mingw32-g++-posix -std=c++20 -static -Wall -Wextra -Werror -I"$root/include" \
  examples/message_demo_cpp.cpp -L"$root/lib" -lmovrimsg -o "$root/bin/message_demo_cpp.exe"
imports_only "$root/bin/message_demo_cpp.exe" 'kernel32\.dll|msvcrt\.dll|libmovrimsg\.dll'
cmake -DEMULATOR="$build/run-under-wine" -DDEMO="$root/bin/message_demo_cpp.exe" \
  -P examples/check_demo_output.cmake
printf 'LIBRARY kernel32.dll\nEXPORTS\n  ExitProcess\n  GetStdHandle\n  WriteFile\n' >"$unpacked/kernel32.def"
llvm-dlltool -m i386:x86-64 -d "$unpacked/kernel32.def" -l "$unpacked/kernel32.lib"
clang --target=x86_64-pc-windows-msvc -ffreestanding -std=c99 -O2 -Wall -Wextra -Wpedantic -Werror \
  -I"$root/include" -fuse-ld=lld -nostdlib -Wl,/entry:start,/subsystem:console \
  tests/consumers/c-msvc/main.c "$root/lib/movrimsg.lib" "$unpacked/kernel32.lib" \
  -o "$root/bin/c-msvc-consumer.exe"
imports_only "$root/bin/c-msvc-consumer.exe" 'kernel32\.dll|libmovrimsg\.dll'
"$build/run-under-wine" "$root/bin/c-msvc-consumer.exe" | tr -d '\r' | tail -n 1 |
  grep -qx "c-msvc consumer: ok" || { echo "the MSVC-mode program failed"; exit 1; }
echo "programs built against the ZIP run with its DLLs: mingw C (pkg-config), mingw C++ -static," \
     "clang MSVC mode with lld-link and movrimsg.lib"

# The same ZIPs from a second build of the same sources, elsewhere and under
# another umask: only what the ZIPs hold (expat; no tests, examples or docs).
second_start=$SECONDS
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/sources/movrimsg"
git archive HEAD | tar -x -C "$work/sources/movrimsg"
(umask 077 &&
  tools/build-windows-deps.sh "$work/out/build" expat >/dev/null &&
  cmake -S "$work/sources/movrimsg" -B "$work/out/build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_PREFIX_PATH="$work/out/build/windows-deps" -DMOVRIMSG_WARNINGS_AS_ERRORS=ON \
    -DMOVRIMSG_BUILD_TESTS=OFF -DMOVRIMSG_BUILD_EXAMPLES=OFF -DMOVRIMSG_BUILD_DOCS=OFF >/dev/null &&
  cmake --build "$work/out/build" -j2 >"$work/build.log" 2>&1 &&
  cmake --build "$work/out/build" --target package >"$work/package.log" 2>&1) ||
  { cat "$work/build.log" "$work/package.log" 2>/dev/null; exit 1; }
differ=0
for first in "$zip" "$symbols"; do
  second=$work/out/build/$(basename "$first")
  if cmp -s "$first" "$second"; then
    echo "identical: $(sha256sum <"$first" | cut -d' ' -f1) $(basename "$first")"
  else
    differ=1
    echo "DIFFERENT: $(basename "$first")"
    diff <(unzip -Z -v "$first" | grep -E '^(Central directory entry|  (file last modified|32-bit CRC))') \
         <(unzip -Z -v "$second" | grep -E '^(Central directory entry|  (file last modified|32-bit CRC))') |
      head -n 40 || true
  fi
done
[ $differ = 0 ] || exit 1
echo "second build and ZIPs took $((SECONDS - second_start)) s"
echo "windows stage took $((SECONDS - stage_start)) s"
