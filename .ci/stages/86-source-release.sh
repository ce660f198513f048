# The source release (tools/make-source-release.sh) holds the tracked files
# but those .gitattributes marks export-ignore (raw benchmark output), and
# nothing else; unpacked elsewhere it configures, builds and passes its
# tests.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tarball=$(tools/make-source-release.sh "$work")
tar -xzf "$tarball" -C "$work"
prefix=$(basename "$tarball" .tar.gz)/
released=$(git ls-tree -r --name-only HEAD | git check-attr --stdin export-ignore |
  sed -n 's/: export-ignore: \(unset\|unspecified\)$//p')
if grep -q '^bench/results/.*\.json$' <<<"$released"; then
  echo "raw benchmark output would go into the source release"
  exit 1
fi
diff <(echo "$released") <(tar -tzf "$tarball" | sed "s|^$prefix||; /\/$/d; /^$/d")
echo "$(basename "$tarball"): $(stat -c %s "$tarball") bytes, sha256 $(sha256sum <"$tarball" | cut -d' ' -f1)"

source=$work/$prefix
cmake -S "$source" -B "$work/build" >/dev/null
cmake --build "$work/build" -j2 >/dev/null
ctest --test-dir "$work/build" -j2 --output-on-failure >"$work/ctest.log" 2>&1 ||
  { tail -n 100 "$work/ctest.log"; exit 1; }
grep -E '^[0-9]+% tests passed' "$work/ctest.log"
