# Builds the packages, checks the Debian packages with lintian, installs them
# with apt-get and uses them as a user would: the C consumer built through
# pkg-config from the system's paths, movrimsg-inspect from PATH and its
# manual page through man. The packages are removed again at the end. The
# RPMs come from a tree laid out the RPM way (lib64), made under umask 077:
# their layout, names, provides and scriptlets are checked, and every
# directory in the RPMs and the .tar.gz must still be 0755.
packages=(libmovrimsg1 libmovrimsg-dev movrimsg-tools)
for package in "${packages[@]}"; do
  if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    echo "$package is installed already; this stage would remove it"
    exit 1
  fi
done
work=$(mktemp -d)
cleanup() {
  apt-get purge -y -qq "${packages[@]}" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

build=$work/build
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DMOVRIMSG_BUILD_TESTS=OFF -DMOVRIMSG_BUILD_EXAMPLES=OFF -DMOVRIMSG_BUILD_DOCS=OFF >/dev/null
cmake --build "$build" -j2 >/dev/null
cmake --build "$build" --target package >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
(cd "$build" && stat -c '%n: %s bytes' ./*.deb ./*.tar.gz)
grep -q '/share/doc/movrimsg/LICENSE$' <<<"$(tar -tzf "$build"/*.tar.gz)" ||
  { echo "the .tar.gz lacks the license"; exit 1; }

rpm_build=$work/build-rpm
(
  umask 077
  cmake -S . -B "$rpm_build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_INSTALL_LIBDIR=lib64 -DMOVRIMSG_BUILD_TESTS=OFF -DMOVRIMSG_BUILD_EXAMPLES=OFF \
    -DMOVRIMSG_BUILD_DOCS=OFF >/dev/null
  cmake --build "$rpm_build" -j2 >/dev/null
  cmake --build "$rpm_build" --target package >"$work/cpack-rpm.log" 2>&1 ||
    { cat "$work/cpack-rpm.log"; exit 1; }
)
(cd "$rpm_build" && stat -c '%n: %s bytes' ./*.rpm ./*.tar.gz)
runtime_rpm=$(echo "$rpm_build"/movrimsg-1*.rpm)
devel_rpm=$(echo "$rpm_build"/movrimsg-devel-*.rpm)
echo "--- rpm -qpl $(basename "$runtime_rpm")"
runtime_files=$(rpm -qpl "$runtime_rpm")
echo "$runtime_files"
grep -qx '/usr/lib64/libmovrimsg\.so\.1\.[0-9.]*' <<<"$runtime_files" ||
  { echo "$(basename "$runtime_rpm") does not hold the library in /usr/lib64"; exit 1; }
echo "--- rpm -qp --provides $(basename "$devel_rpm")"
devel_provides=$(rpm -qp --provides "$devel_rpm")
echo "$devel_provides"
for capability in 'pkgconfig(movrimsg)' 'cmake(movrimsg)'; do
  grep -qF "$capability = " <<<"$devel_provides" ||
    { echo "$(basename "$devel_rpm") does not provide $capability"; exit 1; }
done
test "$(rpm -qp --scripts "$runtime_rpm" | grep -c '^/sbin/ldconfig$')" = 2 ||
  { echo "$(basename "$runtime_rpm") lacks its ldconfig scriptlets"; exit 1; }
other_modes=$(
  for package in "$rpm_build"/*.rpm; do
    rpm -qp --qf '[%{FILEMODES:perms} %{FILENAMES}\n]' "$package"
  done | grep '^d' | grep -v '^drwxr-xr-x ' || true
  tar -tvzf "$rpm_build"/*.tar.gz | grep '^d' | grep -v '^drwxr-xr-x ' || true
)
test -z "$other_modes" || { echo "directories not 0755 under umask 077:"; echo "$other_modes"; exit 1; }
echo "RPMs in /usr/lib64, -devel provides pkgconfig() and cmake(), ldconfig scriptlets," \
     "directories 0755 under umask 077"

# CPack's postinst and postrm run ldconfig beside the package's ldconfig
# trigger; the call is redundant, not wrong, and CPack offers no way to drop it.
lintian --fail-on error,warning --suppress-tags maintscript-calls-ldconfig \
  "$build"/*.deb >"$work/lintian.log" 2>&1 || { cat "$work/lintian.log"; exit 1; }
echo "lintian: no errors, no warnings but the ldconfig calls of CPack's maintainer scripts"

# Debian's slim container images keep dpkg from installing anything under
# /usr/share/man (path-exclude); the manual page is let in so that man can
# find it.
debs=()
for package in "${packages[@]}"; do debs+=("$build/${package}_"*.deb); done
apt-get install -y -qq --no-install-recommends \
  -o Dpkg::Options::=--path-include=/usr/share/man/man1/movrimsg-inspect.1.gz \
  "${debs[@]}" >"$work/apt.log" 2>&1 || { cat "$work/apt.log"; exit 1; }

# movrimsg.pc names /usr, so pkg-config leaves out the system's include path.
test "$(pkg-config --variable=prefix movrimsg)" = /usr
test -z "$(pkg-config --cflags movrimsg)"
# shellcheck disable=SC2046
cc -std=c99 -Wall -Wextra -Werror tests/consumers/c-pkgconfig/main.c -o "$work/c-consumer" \
  $(pkg-config --cflags --libs movrimsg)
"$work/c-consumer"
test "$(command -v movrimsg-inspect)" = /usr/bin/movrimsg-inspect
movrimsg-inspect examples/sample.xml >/dev/null
echo "movrimsg-inspect from PATH, manual page at $(man -w movrimsg-inspect)"

apt-get purge -y -qq "${packages[@]}" >"$work/apt.log" 2>&1 || { cat "$work/apt.log"; exit 1; }
test ! -e /usr/bin/movrimsg-inspect
