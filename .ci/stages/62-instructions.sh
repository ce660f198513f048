# Instruction budgets: bench/instructions.sh counts movrimsg's jobs under
# callgrind in the Release build of stage 60, and every row must stay within
# its budget in bench/instruction_budgets.txt, as must the heap a parsed
# message holds per element.
cmake --build build-ci-bench -j2 --target movrimsg_bench_profile movrimsg_bench_heap >/dev/null
table=$(RUNS=2 bench/instructions.sh build-ci-bench)
echo "$table"
awk '
  FNR == NR {
    if ($0 !~ /^#/ && NF == 3) budget[$1 " " $2] = $3
    next
  }
  /^\| (send|receive) / {
    split($0, cell, "|")
    gsub(/ /, "", cell[2]); gsub(/ /, "", cell[3]); gsub(/ /, "", cell[5])
    key = cell[2] " " cell[3]
    if (!(key in budget)) { print "no budget for " key; failed = 1; next }
    if (cell[5] + 0 > budget[key] + 0) {
      print key ": " cell[5] " instructions, budget " budget[key]
      failed = 1
    }
    seen[key] = 1
  }
  /^held by a parsed message/ {
    bytes = $(NF - 5)
    if (bytes + 0 > budget["heap per-element"] + 0) {
      print "heap per element: " bytes " bytes, budget " budget["heap per-element"]
      failed = 1
    }
    seen["heap per-element"] = 1
  }
  END {
    for (key in budget) if (!(key in seen)) { print "budget not measured: " key; failed = 1 }
    exit failed
  }' bench/instruction_budgets.txt - <<<"$table"
echo "every count within its budget"
