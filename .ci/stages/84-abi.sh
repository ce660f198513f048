# The ABI guard (tools/abi-check.sh): movrimsg.h declares exactly the
# exported functions, and the library's ABI against the baseline
# abi/libmovrimsg.abi: functions added in a new version node pass and are
# printed; any other change fails unless the SONAME changed with it.
tools/abi-check.sh

# The guard must notice what it is there for. In copies of the tree:
# a function added in a new release's node passes; one declared but not
# exported fails, as does one added to the node of an older release; and
# --update leaves the baseline alone after an incompatible change.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
declare_trial='s/^MOVRI_API int32_t movri_msg_clone(/MOVRI_API int32_t movri_trial(void);\n&/'
define_trial='extern "C" MOVRI_API int32_t movri_trial(void) { return 0; }'
trial_copy() {
  local copy=$work/$1 release=$2
  mkdir "$copy"
  git ls-files -z | tar --null -T - -cf - | tar -xf - -C "$copy"
  sed -i "$declare_trial" "$copy/include/movrimsg.h"
  if [ -n "$release" ]; then
    echo "$define_trial" >>"$copy/src/model/memory.cpp"
    echo "movri_trial $release" >>"$copy/src/movrimsg.exports"
    sed -i "s/^project(movrimsg VERSION [0-9.]*/project(movrimsg VERSION $release.0/" \
      "$copy/CMakeLists.txt"
  fi
  echo "$copy"
}
expect() {
  local outcome=$1 message=$2 copy=$3; shift 3
  local status=0
  "$copy/tools/abi-check.sh" "$@" >"$copy.log" 2>&1 || status=$?
  if { [ "$outcome" = pass ] && [ "$status" != 0 ]; } ||
     { [ "$outcome" = fail ] && [ "$status" = 0 ]; } || ! grep -qF "$message" "$copy.log"; then
    cat "$copy.log"
    echo "the ABI guard should $outcome on $(basename "$copy") with: $message"
    exit 1
  fi
  echo "$(basename "$copy"): $outcome, $message"
}
expect pass "compatible: additions only, in new version nodes" "$(trial_copy new-node 1.1)"
expect fail "declared in movrimsg.h, not exported: movri_trial" "$(trial_copy undeclared '')"
expect fail "added to a node that older releases already have" "$(trial_copy old-node 1.0)"
# Moving a function to a newer node takes it from the old one.
copy=$(trial_copy incompatible 1.1)
sed -i 's/^\(movri_msg_clone  *\)1\.0$/\11.1/' "$copy/src/movrimsg.exports"
expect fail "incompatible ABI change while the SONAME stays" "$copy" --update
cmp -s abi/libmovrimsg.abi "$copy/abi/libmovrimsg.abi" ||
  { echo "--update wrote the baseline after an incompatible change"; exit 1; }
