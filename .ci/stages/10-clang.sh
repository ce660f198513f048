# The library and its tests built with clang, warnings as errors.
cmake -S . -B build-ci-clang -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DMOVRIMSG_WARNINGS_AS_ERRORS=ON
cmake --build build-ci-clang -j2
ctest --test-dir build-ci-clang --output-on-failure -j2
