# Every test executable, and the fuzz corpora, under valgrind memcheck: no
# error and no leak. The build leaves expat's blocks to the heap instead of
# the parse's arena, so that memcheck sees them.
build=${MOVRIMSG_VALGRIND_BUILD:-build-ci-valgrind}
cmake -S . -B "$build" -DMOVRIMSG_PARSE_ARENA=OFF -DMOVRIMSG_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build "$build" -j2 >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

memcheck() {
  local log=$1; shift
  valgrind --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite,indirect \
    --log-file="$log.valgrind" "$@" >"$log" 2>&1
}

runs=()
while IFS= read -r executable; do runs+=("$executable"); done < <(
  find "$build/tests" -type f -executable -name 'movrimsg_*test*' | sort)
runs+=("$build/tests/hardening/movrimsg_replay_parse fuzz/corpus/parse"
       "$build/tests/hardening/movrimsg_replay_api fuzz/corpus/api")

# Two at a time, one per core.
failed=0
for ((i = 0; i < ${#runs[@]}; i += 2)); do
  pids=()
  for run in "${runs[@]:i:2}"; do
    # shellcheck disable=SC2086
    memcheck "$work/$i-${#pids[@]}" $run &
    pids+=($!)
  done
  for k in "${!pids[@]}"; do
    run=${runs[$((i + k))]}
    log=$work/$i-$k
    if wait "${pids[$k]}"; then
      echo "clean: $run: $(grep -E '^\[  PASSED  \]|^replayed' "$log" | tail -n 1);" \
           "$(grep -E 'ERROR SUMMARY' "$log.valgrind" | sed 's/^==[0-9]*== //; s/ (suppressed.*//')"
    else
      failed=1
      echo "FAILED under valgrind: $run"
      tail -n 40 "$log"
      grep -v '^==[0-9]*== *$' "$log.valgrind" | tail -n 60
    fi
  done
done
exit "$failed"
