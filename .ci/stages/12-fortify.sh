# A fortify level set through a configuration's own flags is kept: no second
# level is added, so the library compiles warning-free with warnings as
# errors. One object suffices.
build=build-ci-fortify
cmake -S . -B $build -DCMAKE_BUILD_TYPE=Release -DMOVRIMSG_WARNINGS_AS_ERRORS=ON \
  "-DCMAKE_C_FLAGS_RELEASE=-O2 -D_FORTIFY_SOURCE=3" "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -D_FORTIFY_SOURCE=3" \
  -DMOVRIMSG_BUILD_TESTS=OFF -DMOVRIMSG_BUILD_EXAMPLES=OFF -DMOVRIMSG_BUILD_TOOLS=OFF \
  -DMOVRIMSG_BUILD_DOCS=OFF -DMOVRIMSG_INSTALL=OFF >/dev/null
make -C $build/src codec/parser.cpp.o >/dev/null
grep -q -- "-D_FORTIFY_SOURCE=3" $build/src/CMakeFiles/movrimsg_core.dir/flags.make
if grep -q "_FORTIFY_SOURCE=2" $build/src/CMakeFiles/movrimsg_core.dir/flags.make; then
  echo "a second fortify level was added"
  exit 1
fi
echo "fortify level 3 kept, none added"
