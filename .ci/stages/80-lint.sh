# Formatting of every C and C++ source against .clang-format, and clang-tidy
# (.clang-tidy) on the library's sources with every warning an error.
dirs=()
for dir in include src tests tools examples fuzz bench python/src; do
  [ -d "$dir" ] && dirs+=("$dir")
done
mapfile -t sources < <(find "${dirs[@]}" -type f \
  \( -name '*.c' -o -name '*.h' -o -name '*.cpp' -o -name '*.hpp' \) | sort)
echo "clang-format: ${#sources[@]} files"
clang-format --dry-run --Werror "${sources[@]}"

# compile_commands.json of the library alone, compiled by clang as clang-tidy
# reads it; configuring is enough, nothing needs building.
cmake -S . -B build-ci-lint -DCMAKE_EXPORT_COMPILE_COMMANDS=ON \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DMOVRIMSG_BUILD_TESTS=OFF -DMOVRIMSG_BUILD_EXAMPLES=OFF -DMOVRIMSG_BUILD_TOOLS=OFF \
  -DMOVRIMSG_BUILD_DOCS=OFF -DMOVRIMSG_INSTALL=OFF >/dev/null
# The Windows load entry is not compiled here.
mapfile -t library < <(find src -name '*.cpp' -not -path 'src/platform/*' | sort)
echo "clang-tidy: ${#library[@]} files"
printf '%s\n' "${library[@]}" |
  xargs -P 2 -n 4 clang-tidy -p build-ci-lint --quiet --warnings-as-errors='*' 2>&1 |
  { grep -v -E '^[0-9]+ warnings? generated\.$' || true; }
