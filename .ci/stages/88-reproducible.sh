# Reproducible builds: the source release built twice, in two directories
# of different depth with the build tree inside and outside the sources, the
# second under umask 077, gives a byte-identical shared library (with its
# debug information), byte-identical Debian packages and .tar.gz.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH
tarball=$(tools/make-source-release.sh "$work")
name=$(basename "$tarball" .tar.gz)

build_and_package() {
  local source=$1 build=$2
  mkdir -p "$(dirname "$source")"
  tar -xzf "$tarball" -C "$(dirname "$source")"
  cmake -S "$source" -B "$build" -DCMAKE_INSTALL_PREFIX=/usr -DMOVRIMSG_BUILD_TESTS=OFF \
    -DMOVRIMSG_BUILD_EXAMPLES=OFF -DMOVRIMSG_BUILD_DOCS=OFF >/dev/null
  cmake --build "$build" -j2 >/dev/null
  (cd "$build" && cpack -G "TGZ;DEB" >cpack.log 2>&1) || { cat "$build/cpack.log"; exit 1; }
}
build_and_package "$work/first/$name" "$work/first/$name/build"
(umask 077 && build_and_package "$work/second/checkout/$name" "$work/second/out")

# Each artifact: its path in the first build, then in the second.
artifacts=("src/$(basename "$(readlink -f "$work/first/$name/build/src/libmovrimsg.so")")")
for package in "$work/first/$name/build"/*.deb "$work/first/$name/build"/*.tar.gz; do
  artifacts+=("$(basename "$package")")
done
differ=0
for artifact in "${artifacts[@]}"; do
  first=$work/first/$name/build/$artifact
  second=$work/second/out/$artifact
  sum=$(sha256sum <"$first" | cut -d' ' -f1)
  if [ "$sum" = "$(sha256sum <"$second" | cut -d' ' -f1)" ]; then
    echo "identical: $sum $(basename "$artifact")"
  else
    differ=1
    echo "DIFFERENT: $(basename "$artifact")"
    case $artifact in
      *.deb) diff <(dpkg-deb -c "$first") <(dpkg-deb -c "$second") || true ;;
      *.tar.gz) diff <(tar -tvzf "$first") <(tar -tvzf "$second") || true ;;
      *) cmp -l "$first" "$second" | head -n 20 || true ;;
    esac
  fi
done
exit "$differ"
