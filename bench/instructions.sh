#!/usr/bin/env bash
# Instructions per job, counted by callgrind (the same count on every run of
# the same binaries, whatever else the machine is doing), for the jobs the
# targets compare, and the heap a parsed message holds per element. Uses the
# Release build of bench/run.sh.
#   bench/instructions.sh [build-dir]
# Each count is of the contender's job function only: a run of 1 + RUNS jobs
# less a run of 1 (the warm-up), divided by RUNS.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-${BENCH_BUILD_DIR:-build-bench}}
cmake --build "$build" -j2 --target movrimsg_bench_profile movrimsg_bench_heap >/dev/null
runs=${RUNS:-4}
profile=$(mktemp)
trap 'rm -f "$profile"' EXIT

# Instructions of `iterations` runs of one job.
total() {
  local job=$1 workload=$2 contender=$3 iterations=$4
  valgrind --tool=callgrind --toggle-collect="bench::*_$job*" --callgrind-out-file="$profile" \
    "$build/bench/movrimsg_bench_profile" "$job" "$workload" "$contender" "$iterations" \
    >/dev/null 2>&1
  callgrind_annotate "$profile" | awk '/PROGRAM TOTALS/ {gsub(",", "", $1); print $1}'
}

# Instructions per job after the warm-up, divided by per (1, or the elements).
count() {
  local job=$1 workload=$2 contender=$3 per=$4
  local warm all
  warm=$(total "$job" "$workload" "$contender" 1)
  all=$(total "$job" "$workload" "$contender" $((runs + 1)))
  echo $(((all - warm) / runs / per))
}

echo "| job | workload | per | movrimsg | comparison | ratio |"
echo "|---|---|---|---:|---:|---:|"
while read -r job workload per peer; do
  ours=$(count "$job" "$workload" movrimsg "$per")
  theirs=$(count "$job" "$workload" "$peer" "$per")
  ratio=$(awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "%.2f", a / b }')
  echo "| $job | $workload | $per | $ours | $theirs ($peer) | $ratio |"
done <<'JOBS'
receive typical 1 expat-keep
receive max 1 expat-keep
receive scale-1000 1000 expat-keep
receive scale-10000 10000 expat-keep
receive amp-10000 1 expat-keep
receive lf-10000 1 expat-keep
receive typical 1 expat-copy
receive max 1 expat-copy
send typical 1 pugixml
send max 1 pugixml
JOBS
echo
"$build/bench/movrimsg_bench_heap" held
