# The Windows DLL: cross-built with mingw-w64, its export and import tables
# checked, the tests run under wine, the ZIP made. Everything comes from
# Debian: the compilers, wine, expat's source package and GoogleTest's sources.
stage_start=$SECONDS
build="build-ci-windows"

# `apt-get source` needs deb-src beside deb in Debian's sources.
sources=/etc/apt/sources.list.d/debian.sources
refresh=no
if ! grep -q '^Types:.*deb-src' "$sources"; then
  sed -i 's/^Types: deb$/Types: deb deb-src/' "$sources"
  grep -q '^Types:.*deb-src' "$sources" || { echo "no Types line to extend in $sources"; exit 1; }
  refresh=yes
fi
packages=(g++-mingw-w64-x86-64-posix wine wine64 dpkg-dev googletest cmake make)
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

tools/build-windows-deps.sh "$build"
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_PREFIX_PATH="$PWD/$build/windows-deps" -DMOVRIMSG_WARNINGS_AS_ERRORS=ON \
  -DMOVRIMSG_BUILD_DOCS=OFF >/dev/null
cmake --build "$build" -j2 >"$build/build.log" 2>&1 || { cat "$build/build.log"; exit 1; }
echo "cross-built after $((SECONDS - stage_start)) s"

# The DLL exports exactly the listed functions.
dll=$build/src/libmovrimsg.dll
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
for binary in "$dll" "$build/tools/movrimsg-inspect.exe" "$build/examples/message_demo.exe"; do
  allowed='kernel32\.dll|msvcrt\.dll|libexpat-1\.dll'
  [ "$binary" = "$dll" ] || allowed+='|libmovrimsg\.dll'
  imports=$(x86_64-w64-mingw32-objdump -p "$binary" | sed -n 's/^\s*DLL Name: //p' | sort)
  unexpected=$(grep -vixE "$allowed" <<<"$imports" || true)
  if [ -n "$unexpected" ]; then
    echo "$binary imports what it must not: $(tr '\n' ' ' <<<"$unexpected")"
    exit 1
  fi
  echo "$(basename "$binary") imports: $(tr '\n' ' ' <<<"$imports")"
done

# The tests under wine, in a prefix of the build tree made before they start.
# One wine server serves them all: a server that shuts down after its last
# client (3 s idle) can drop a client that connects meanwhile.
export WINEPREFIX=$PWD/$build/wine-prefix
cleanup() { wineserver -k 2>/dev/null || true; }
trap cleanup EXIT
mkdir -p "$WINEPREFIX"
wineserver -p
"$build/run-under-wine" wineboot --init >/dev/null 2>&1
echo "wine prefix ready after $((SECONDS - stage_start)) s"
ctest --test-dir "$build" --output-on-failure -j2 >"$build/ctest.log" 2>&1 ||
  { cat "$build/ctest.log"; exit 1; }
sed -n '/tests passed/,$p' "$build/ctest.log"
# Each skipped test again, for its reason.
skipped=$(sed -n 's/^\s*[0-9]* - \(.*\) (Skipped)$/\1/p' "$build/ctest.log")
if [ -n "$skipped" ]; then
  echo "why they were skipped:"
  ctest --test-dir "$build" -V -R "^($(paste -sd'|' <<<"$skipped" | sed 's/\./\\./g'))\$" 2>&1 |
    awk '/^ *Start +[0-9]+: / { n = $2; sub(/:$/, "", n); name[n] = $3; next }
         /^[0-9]+: .*: Skipped$/ { n = $1; getline; sub(/^[0-9]+: /, ""); print "  " name[n+0] ": " $0; next }
         /^[0-9]+: skipped on Windows: / { n = $1; sub(/^[0-9]+: skipped on Windows: /, "");
                                            print "  " name[n+0] ": " $0 }'
fi

# The ZIP holds the DLLs, the import library, the headers, the tool, the
# licenses and the README.
(cd "$build" && cpack >cpack.log 2>&1) || { cat "$build/cpack.log"; exit 1; }
zip=$(ls "$build"/movrimsg-*-windows-x86_64.zip)
listing=$(cmake -E tar tf "$zip")
for wanted in bin/libmovrimsg.dll bin/libexpat-1.dll bin/movrimsg-inspect.exe \
              lib/libmovrimsg.dll.a include/movrimsg.h include/movrimsg.hpp \
              include/movrimsg_version.h LICENSE.txt LICENSE-expat.txt README.txt; do
  grep -q "/$wanted\$" <<<"$listing" || { echo "$zip lacks $wanted"; exit 1; }
done
echo "$(basename "$zip"): $(grep -vc '/$' <<<"$listing") files"
# A program built against the unpacked ZIP alone runs with the DLLs of its bin/.
unpacked=$build/zip-check
rm -rf "$unpacked" && mkdir -p "$unpacked"
(cd "$unpacked" && cmake -E tar xf "../$(basename "$zip")")
root=$(echo "$unpacked"/movrimsg-*)
x86_64-w64-mingw32-gcc-posix -std=c99 -I"$root/include" examples/message_demo.c \
  -L"$root/lib" -lmovrimsg -o "$root/bin/message_demo.exe"
WINEDEBUG=-all cmake -DEMULATOR=wine -DDEMO="$root/bin/message_demo.exe" \
  -P examples/check_demo_output.cmake
echo "a program built against the ZIP runs with its DLLs"
echo "windows stage took $((SECONDS - stage_start)) s"
