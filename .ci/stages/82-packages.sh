# Builds the packages, checks the Debian packages with lintian, installs them
# with apt-get and uses them as a user would: the C consumer built through
# pkg-config from the system's paths, movrimsg-inspect from PATH and its
# manual page through man. The packages are removed again at the end.
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
(cd "$build" && stat -c '%n: %s bytes' ./*.deb ./*.rpm ./*.tar.gz)

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

# shellcheck disable=SC2046
cc -std=c99 -Wall -Wextra -Werror tests/consumers/c-pkgconfig/main.c -o "$work/c-consumer" \
  $(pkg-config --cflags --libs movrimsg)
"$work/c-consumer"
test "$(command -v movrimsg-inspect)" = /usr/bin/movrimsg-inspect
movrimsg-inspect examples/sample.xml >/dev/null
echo "movrimsg-inspect from PATH, manual page at $(man -w movrimsg-inspect)"

apt-get purge -y -qq "${packages[@]}" >"$work/apt.log" 2>&1 || { cat "$work/apt.log"; exit 1; }
test ! -e /usr/bin/movrimsg-inspect
