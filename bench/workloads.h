// The documents of the benchmark, made on first use: the 1M-element one
// takes a while and is skipped in brief runs.
#pragma once

#include "documents.h"

#include <string>
#include <vector>

namespace bench {

struct Workload {
    std::string label;  // e.g. "typical", "scale-1000", "amp-10000"
    size_t items;       // what "per item" counts: body elements or chunks
    bool sendable;      // fits the writer's limit, so it is also sent
    Message msg;
    std::string doc;
};

// The labels and item counts of every workload, without making them.
struct WorkloadKind {
    std::string label;
    size_t items;
    bool sendable;
};
const std::vector<WorkloadKind> &workload_kinds();

// The workload with this label, made the first time it is asked for.
const Workload &workload(const std::string &label);

}  // namespace bench
