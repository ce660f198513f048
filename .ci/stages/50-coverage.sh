# Line and branch coverage of src/ by the whole test suite (gcovr), held to
# at least 95% of lines and 90% of branches.
cmake -S . -B build-ci-coverage -DCMAKE_BUILD_TYPE=Debug -DMOVRIMSG_COVERAGE=ON \
  -DMOVRIMSG_BUILD_EXAMPLES=OFF -DMOVRIMSG_BUILD_TOOLS=OFF -DMOVRIMSG_WARNINGS_AS_ERRORS=ON \
  >/dev/null
cmake --build build-ci-coverage -j2 >/dev/null
find build-ci-coverage -name '*.gcda' -delete
log=$(mktemp)
trap 'rm -f "$log"' EXIT
ctest --test-dir build-ci-coverage -j2 --output-on-failure >"$log" 2>&1 ||
  { tail -n 100 "$log"; exit 1; }
grep -E '^[0-9]+% tests passed' "$log"
gcovr --root . --filter 'src/' --exclude-throw-branches --exclude-unreachable-branches \
  --print-summary --fail-under-line 95 --fail-under-branch 90 build-ci-coverage
