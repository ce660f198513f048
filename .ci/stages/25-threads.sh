# Messages used by several threads at once, under ThreadSanitizer: the
# library and the concurrency test built with clang and -fsanitize=thread.
cmake -S . -B build-ci-tsan -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMOVRIMSG_SANITIZE=thread -DMOVRIMSG_WARNINGS_AS_ERRORS=ON \
  -DMOVRIMSG_BUILD_EXAMPLES=OFF -DMOVRIMSG_BUILD_TOOLS=OFF >/dev/null
cmake --build build-ci-tsan -j2 --target movrimsg_thread_tests >/dev/null
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 ./build-ci-tsan/tests/hardening/movrimsg_thread_tests
