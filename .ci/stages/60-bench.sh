# The benchmark builds in Release and runs once, briefly, so that it never
# rots: every contender's result is still checked before it is timed. The
# 1M-element documents are skipped and nothing is compared against a time.
# Then the stack a parse needs is measured.
cmake -S . -B build-ci-bench -DCMAKE_BUILD_TYPE=Release -DMOVRIMSG_BUILD_BENCHMARKS=ON \
  -DMOVRIMSG_BUILD_TESTS=OFF -DMOVRIMSG_BUILD_EXAMPLES=OFF -DMOVRIMSG_BUILD_TOOLS=OFF \
  -DMOVRIMSG_WARNINGS_AS_ERRORS=ON
cmake --build build-ci-bench -j2 --target movrimsg_bench movrimsg_bench_stack
output=$(./build-ci-bench/bench/movrimsg_bench --benchmark_min_time=0.01 \
  --benchmark_filter='-.*-1000000/.*' 2>&1) || { echo "$output"; exit 1; }
echo "$output" | tail -n 5
if grep -q "ERROR OCCURRED" <<<"$output"; then
  echo "$output" | grep "ERROR OCCURRED"
  exit 1
fi

# The smallest thread stack each parse needs, with the expat installed; fails
# when a parse needs more than the README promises.
dpkg-query -W libexpat1 || true
./build-ci-bench/bench/movrimsg_bench_stack
