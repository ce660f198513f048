// Sends and receives the same documents with movrimsg and its contenders.
// Every contender's result is checked once per workload before it is timed;
// a wrong result stops that benchmark with an error instead of a time.
//
// Benchmark names read "<job>/<workload>/<contender>"; the "items" counter
// holds what the workload counts (body elements or character-data chunks).
// The jobs "send-threads" and "receive-threads" run a job on one and on two
// threads at once, each thread with messages of its own; their
// "items_per_second" is the throughput of all threads together.
#include "contenders.h"
#include "workloads.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <mutex>
#include <set>

namespace {

using bench::Contender;
using bench::Workload;

// tinyxml2 quotes attributes with '"'; the benchmark's texts hold no quotes.
std::string with_single_quotes(std::string text) {
    std::replace(text.begin(), text.end(), '"', '\'');
    return text;
}

bool sends_right(const Contender &contender, const Workload &work) {
    std::string doc;
    return contender.send(work.msg, &doc) && with_single_quotes(doc) == work.doc;
}

bool receives_right(const Contender &contender, const Workload &work) {
    if (!contender.reads_back) return contender.receive(work.doc, nullptr);
    bench::Message read;
    return contender.receive(work.doc, &read) && read == work.msg;
}

// Runs check once per (job, workload, contender), whichever thread asks first.
bool checked_once(const std::string &key, bool (*check)(const Contender &, const Workload &),
                  const Contender &contender, const Workload &work) {
    static std::mutex guard;
    static std::set<std::string> passed;
    const std::lock_guard<std::mutex> lock(guard);
    if (passed.count(key) != 0) return true;
    if (!check(contender, work)) return false;
    passed.insert(key);
    return true;
}

void run_send(benchmark::State &state, const Contender &contender, const std::string &label) {
    const Workload &work = bench::workload(label);
    if (!checked_once("send/" + label + "/" + contender.name, sends_right, contender, work))
        return state.SkipWithError("wrong document");
    for (auto _ : state) {
        if (!contender.send(work.msg, nullptr)) return state.SkipWithError("send failed");
    }
    state.counters["items"] = static_cast<double>(work.items);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * work.doc.size()));
    state.SetItemsProcessed(state.iterations());
}

void run_receive(benchmark::State &state, const Contender &contender, const std::string &label) {
    const Workload &work = bench::workload(label);
    if (!checked_once("receive/" + label + "/" + contender.name, receives_right, contender, work))
        return state.SkipWithError("wrong message");
    for (auto _ : state) {
        if (!contender.receive(work.doc, nullptr)) return state.SkipWithError("receive failed");
    }
    state.counters["items"] = static_cast<double>(work.items);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * work.doc.size()));
    state.SetItemsProcessed(state.iterations());
}

// A contender's jobs on one thread and on two at once, timed by the clock on
// the wall, so that the throughput of both can be compared: movrimsg's, and
// for comparison expat-copy's receive and pugixml's send and receive.
void register_threaded(const Contender &contender) {
    const std::string name = contender.name;
    const bool compared = name == "movrimsg" || name == "pugixml";
    for (const char *label : {"typical", "max"}) {
        if (compared && contender.send != nullptr) {
            benchmark::RegisterBenchmark(
                ("send-threads/" + std::string(label) + "/" + name).c_str(),
                [&contender, label](benchmark::State &state) { run_send(state, contender, label); })
                ->Threads(1)
                ->Threads(2)
                ->UseRealTime();
        }
        if (compared || name == "expat-copy") {
            benchmark::RegisterBenchmark(
                ("receive-threads/" + std::string(label) + "/" + name).c_str(),
                [&contender, label](benchmark::State &state) {
                    run_receive(state, contender, label);
                })
                ->Threads(1)
                ->Threads(2)
                ->UseRealTime();
        }
    }
}

void register_all() {
    for (const bench::WorkloadKind &kind : bench::workload_kinds()) {
        for (const Contender &contender : bench::contenders()) {
            if (kind.sendable && contender.send != nullptr) {
                benchmark::RegisterBenchmark(
                    ("send/" + kind.label + "/" + contender.name).c_str(),
                    [&contender, label = kind.label](benchmark::State &state) {
                        run_send(state, contender, label);
                    });
            }
            benchmark::RegisterBenchmark(("receive/" + kind.label + "/" + contender.name).c_str(),
                                         [&contender, label = kind.label](benchmark::State &state) {
                                             run_receive(state, contender, label);
                                         });
        }
    }
    for (const Contender &contender : bench::contenders())
        register_threaded(contender);
}

}  // namespace

int main(int argc, char **argv) {
    register_all();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
