#include "workloads.h"

#include <map>
#include <memory>

namespace bench {

namespace {

constexpr size_t kTypicalElements = 10;
constexpr size_t kWriterLimit = 4000;  // MOVRI_TEXT_LIMIT
constexpr size_t kScales[] = {1000, 10000, 100000, 1000000};

// A value of repeated "&" is written as "&amp;" and reaches a reader as one
// chunk per "&"; "x\n" reaches it as two chunks per repetition.
const std::string kAmpUnit = "&";
const std::string kLineUnit = "x\n";

Message message_for(const WorkloadKind &kind) {
    const std::string &label = kind.label;
    if (label == "typical") return make_message(kTypicalElements);
    if (label == "max") return make_message(kind.items);
    if (label.starts_with("scale-")) return make_message(kind.items);
    if (label.starts_with("amp-")) return make_single_value(kAmpUnit, kind.items);
    return make_single_value(kLineUnit, kind.items / 2);
}

}  // namespace

const std::vector<WorkloadKind> &workload_kinds() {
    static const std::vector<WorkloadKind> kinds = [] {
        std::vector<WorkloadKind> all = {{"typical", kTypicalElements, true},
                                         {"max", most_elements_within(kWriterLimit), true}};
        for (const size_t n : kScales)
            all.push_back({"scale-" + std::to_string(n), n, false});
        for (const size_t n : {10000, 100000, 1000000})
            all.push_back({"amp-" + std::to_string(n), n, false});
        for (const size_t n : {10000, 100000, 1000000})
            all.push_back({"lf-" + std::to_string(n), 2 * n, false});
        return all;
    }();
    return kinds;
}

const Workload &workload(const std::string &label) {
    static std::map<std::string, std::unique_ptr<Workload>> made;
    auto &slot = made[label];
    if (slot == nullptr) {
        for (const WorkloadKind &kind : workload_kinds()) {
            if (kind.label != label) continue;
            Message msg = message_for(kind);
            std::string doc = render(msg);
            slot.reset(new Workload{kind.label, kind.items, kind.sendable, std::move(msg),
                                    std::move(doc)});
        }
    }
    return *slot;
}

}  // namespace bench
