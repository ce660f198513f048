#!/usr/bin/env bash
# The ABI guard. Builds the shared library with debug information and
# compares its ABI with the baseline abi/libmovrimsg.abi: added functions pass
# and are printed; any other change fails unless the SONAME changed with it.
#   tools/abi-check.sh            compare with the baseline
#   tools/abi-check.sh --update   write the baseline, for a deliberate release
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

if [ "${1:-}" = --update ]; then
  cp "$current" "$baseline"
  echo "wrote $baseline for $(soname_of "$baseline")"
  exit 0
fi

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
  exit 0
fi
echo "$report"
beyond_additions=0
abidiff --no-added-syms "$baseline" "$current" >/dev/null || beyond_additions=$?
if ((beyond_additions == 0)); then
  echo "compatible: additions only"
elif [ "$(soname_of "$baseline")" != "$(soname_of "$current")" ]; then
  echo "ABI changed with the SONAME ($(soname_of "$baseline") to $(soname_of "$current")):" \
       "refresh the baseline with tools/abi-check.sh --update"
else
  echo "incompatible ABI change while the SONAME stays $(soname_of "$current")"
  exit 1
fi
