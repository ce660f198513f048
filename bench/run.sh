#!/usr/bin/env bash
# The full benchmark run behind BENCHMARKS.md: a Release build, then RUNS
# (default 3) runs of every workload, five repetitions each in random order,
# the peak heap on the 1M-element document, the target ratios over the runs
# and the plot. Results go to bench/results/.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BENCH_BUILD_DIR:-build-bench}
runs=${RUNS:-3}
out=bench/results
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DMOVRIMSG_BUILD_BENCHMARKS=ON \
  -DMOVRIMSG_BUILD_TESTS=OFF -DMOVRIMSG_BUILD_EXAMPLES=OFF -DMOVRIMSG_BUILD_TOOLS=OFF
cmake --build "$build" -j2 --target movrimsg_bench movrimsg_bench_heap
mkdir -p "$out"
rm -f "$out"/results*.json
# Repetitions in random order, so that a slow spell of a shared machine
# spreads over all contenders instead of falling on one; several runs, so
# that the ratios show how much they move.
for run in $(seq "$runs"); do
  "$build/bench/movrimsg_bench" --benchmark_repetitions=5 --benchmark_min_time=0.1 \
    --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true \
    --benchmark_out="$out/results-$run.json" --benchmark_out_format=json
done
"$build/bench/movrimsg_bench_heap" | tee "$out/peak_heap.txt"
python3 bench/summarize.py "$out/peak_heap.txt" "$out/per_element.dat" "$out"/results-*.json \
  | tee "$out/summary.md"
gnuplot -e "datafile='$out/per_element.dat'; outfile='$out/time_per_element.png'" bench/plot.gp
