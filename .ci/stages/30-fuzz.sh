# The fuzz targets built with clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, each run side by side for a minute
# (MOVRIMSG_FUZZ_SECONDS) on a copy of its corpus: the repo's corpus stays as
# it is. A fault prints the input that found it; add it to the corpus.
seconds=${MOVRIMSG_FUZZ_SECONDS:-60}
cmake -S . -B build-ci-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DMOVRIMSG_BUILD_FUZZERS=ON -DMOVRIMSG_BUILD_TESTS=OFF -DMOVRIMSG_BUILD_EXAMPLES=OFF \
  -DMOVRIMSG_BUILD_TOOLS=OFF -DMOVRIMSG_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build build-ci-fuzz -j2 --target movrimsg_fuzz_parse movrimsg_fuzz_api
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

run_target() {
  local target=$1
  local options=(-max_total_time="$seconds" -artifact_prefix="$work/$target-" -close_fd_mask=2)
  if [ -f "fuzz/$target.dict" ]; then options+=(-dict="fuzz/$target.dict"); fi
  mkdir -p "$work/$target"
  cp fuzz/corpus/"$target"/* "$work/$target/"
  "./build-ci-fuzz/fuzz/movrimsg_fuzz_$target" "${options[@]}" "$work/$target" \
    >"$work/$target.log" 2>&1
}

pids=()
for target in parse api; do
  run_target "$target" &
  pids+=($!)
done
failed=0
for i in 0 1; do
  target=$([ "$i" = 0 ] && echo parse || echo api)
  if wait "${pids[$i]}"; then
    echo "$target: $(grep -E '^Done [0-9]+ runs' "$work/$target.log")," \
         "corpus $(ls "$work/$target" | wc -l) inputs"
  else
    failed=1
    echo "$target: FAULT"
    tail -n 60 "$work/$target.log"
    for artifact in "$work/$target"-*; do
      [ -f "$artifact" ] && { echo "input $artifact:"; od -c "$artifact" | head -n 40; }
    done
  fi
done
exit "$failed"
