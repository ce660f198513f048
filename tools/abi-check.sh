#!/usr/bin/env bash
# The ABI guard. Builds the shared library with debug information and checks
#  - that the functions movrimsg.h declares and those the library exports are
#    the same set;
#  - its ABI against the baseline abi/libmovrimsg.abi: added functions pass
#    and are printed when they come in a symbol version node the baseline
#    lacks (a new release's); any other change fails unless the SONAME
#    changed with it.
#   tools/abi-check.sh            compare with the baseline
#   tools/abi-check.sh --update   the same checks, then write the baseline,
#                                 for a deliberate release
set -euo pipefail
cd "$(dirname "$0")/.."
baseline=abi/libmovrimsg.abi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake -S . -B "$work/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMOVRIMSG_BUILD_TESTS=OFF \
  -DMOVRIMSG_BUILD_EXAMPLES=OFF -DMOVRIMSG_BUILD_TOOLS=OFF -DMOVRIMSG_BUILD_DOCS=OFF \
  -DMOVRIMSG_INSTALL=OFF >/dev/null
cmake --build "$work/build" -j2 >/dev/null
library=$(readlink -f "$work/build/src/libmovrimsg.so")

# What the exported functions reach, without source locations: the baseline
# changes with the ABI only.
current=$work/current.abi
abidw --exported-interfaces-only --no-show-locs --no-corpus-path --no-comp-dir-path \
  --out-file "$current" "$library"
soname_of() { sed -n "s/^<abi-corpus .* soname='\([^']*\)'.*/\1/p" "$1"; }
# Each exported function of an ABI file as `name version-node`.
functions_of() {
  sed -n "s/^ *<elf-symbol name='\([^']*\)' version='\([^']*\)' .*type='func-type'.*/\1 \2/p" "$1" |
    sort
}

# A function declared but not exported fails only when a program links it.
declared=$(sed -n 's/^MOVRI_API .*[^a-z0-9_]\(movri_[a-z0-9_]*\)(.*/\1/p' include/movrimsg.h | sort)
exported=$(functions_of "$current" | cut -d' ' -f1)
if [ "$declared" != "$exported" ]; then
  diff <(echo "$declared") <(echo "$exported") |
    sed -n 's/^< /declared in movrimsg.h, not exported: /p; s/^> /exported, not declared in movrimsg.h: /p'
  exit 1
fi
echo "movrimsg.h declares the $(echo "$declared" | wc -l) exported functions, no more, no fewer"

update() {
  if [ "${1:-}" = --update ]; then
    cp "$current" "$baseline"
    echo "wrote $baseline for $(soname_of "$baseline")"
  fi
}

# abidiff's status is a bit set: 1 error, 2 usage, 4 change, 8 incompatible change.
status=0
report=$(abidiff "$baseline" "$current") || status=$?
if ((status & 3)); then
  echo "$report"
  echo "abidiff could not compare (status $status)"
  exit 1
fi
if ((status == 0)); then
  echo "ABI of $(soname_of "$current") unchanged since the baseline"
  update "$@"
  exit 0
fi
echo "$report"
if [ "$(soname_of "$baseline")" != "$(soname_of "$current")" ]; then
  echo "ABI changed with the SONAME ($(soname_of "$baseline") to $(soname_of "$current"))"
  update "$@"
  exit 0
fi
beyond_additions=0
abidiff --no-added-syms "$baseline" "$current" >/dev/null || beyond_additions=$?
if ((beyond_additions != 0)); then
  echo "incompatible ABI change while the SONAME stays $(soname_of "$current")"
  exit 1
fi
# Programs built against a release must not find its functions missing from
# an older library of the same SONAME: added functions need a new node.
old_nodes=$(functions_of "$baseline" | cut -d' ' -f2 | sort -u)
in_old_nodes=$(comm -13 <(functions_of "$baseline") <(functions_of "$current") |
  awk 'NR == FNR { old[$1]; next } $2 in old' <(echo "$old_nodes") -)
if [ -n "$in_old_nodes" ]; then
  echo "added to a node that older releases already have (give them a new version in" \
       "src/movrimsg.exports):"
  echo "$in_old_nodes"
  exit 1
fi
echo "compatible: additions only, in new version nodes"
update "$@"
