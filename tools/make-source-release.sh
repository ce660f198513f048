#!/usr/bin/env bash
# Writes movrimsg-<version>.tar.gz, the source release of the last commit: its
# tracked files under movrimsg-<version>/ and nothing else, and prints its
# path. The tarball is reproducible: git archive gives every file the commit's
# time, and gzip -n records no name or time.
#   tools/make-source-release.sh [OUTPUT_DIRECTORY]   (default: the current one)
set -euo pipefail
output=$(realpath "${1:-.}")
cd "$(dirname "$0")/.."
version=$(sed -n 's/^project(movrimsg VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=movrimsg-$version
git diff --quiet HEAD || echo "uncommitted changes are left out of $name.tar.gz" >&2
git archive --format=tar --prefix="$name/" HEAD | gzip -9n >"$output/$name.tar.gz"
echo "$output/$name.tar.gz"
