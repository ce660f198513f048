// Runs one job of one contender on one workload many times, for a profiler:
// valgrind --tool=callgrind --toggle-collect=bench::movrimsg_receive* movrimsg_bench_profile
// receive max movrimsg 1000
#include "contenders.h"
#include "workloads.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char **argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s send|receive <workload> <contender> <iterations>\n",
                     argv[0]);
        return 2;
    }
    const std::string job = argv[1];
    const bench::Workload &work = bench::workload(argv[2]);
    const long iterations = std::atol(argv[4]);
    for (const bench::Contender &contender : bench::contenders()) {
        if (contender.name != std::string(argv[3])) continue;
        for (long i = 0; i < iterations; ++i) {
            const bool done = job == "send"
                                  ? contender.send != nullptr && contender.send(work.msg, nullptr)
                                  : contender.receive(work.doc, nullptr);
            if (!done) return 1;
        }
        return 0;
    }
    std::fprintf(stderr, "no contender %s\n", argv[3]);
    return 2;
}
