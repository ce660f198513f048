#!/usr/bin/env bash
# Instructions per job, counted by callgrind (the same count on every run of
# the same binaries, whatever else the machine is doing), for the jobs the
# targets compare. Uses the Release build of bench/run.sh.
#   bench/instructions.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-${BENCH_BUILD_DIR:-build-bench}}
cmake --build "$build" -j2 --target movrimsg_bench_profile >/dev/null
iterations=50
profile=$(mktemp)
trap 'rm -f "$profile"' EXIT

# Instructions per run of one job, inside the contender's job function only.
count() {
  local job=$1 workload=$2 contender=$3
  valgrind --tool=callgrind --toggle-collect="bench::*_$job*" --callgrind-out-file="$profile" \
    "$build/bench/movrimsg_bench_profile" "$job" "$workload" "$contender" "$iterations" \
    >/dev/null 2>&1
  local total
  total=$(callgrind_annotate "$profile" | awk '/PROGRAM TOTALS/ {gsub(",", "", $1); print $1}')
  echo $((total / iterations))
}

echo "| job | workload | movrimsg | comparison | ratio |"
echo "|---|---|---:|---:|---:|"
while read -r job workload peer; do
  ours=$(count "$job" "$workload" movrimsg)
  theirs=$(count "$job" "$workload" "$peer")
  ratio=$(awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "%.2f", a / b }')
  echo "| $job | $workload | $ours | $theirs ($peer) | $ratio |"
done <<'JOBS'
receive typical expat-copy
receive max expat-copy
receive scale-1000 expat-copy
receive amp-10000 expat-copy
receive lf-10000 expat-copy
send typical pugixml
send max pugixml
JOBS
