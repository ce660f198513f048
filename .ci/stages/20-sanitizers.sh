# The tests under AddressSanitizer and UndefinedBehaviorSanitizer.
cmake -S . -B build-ci-asan -DCMAKE_BUILD_TYPE=Debug -DMOVRIMSG_SANITIZE=address,undefined \
  -DMOVRIMSG_WARNINGS_AS_ERRORS=ON
cmake --build build-ci-asan -j2
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-ci-asan --output-on-failure -j2
