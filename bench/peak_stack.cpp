// The smallest thread stack on which one movri_msg_parse succeeds, for the
// typical and the largest message document and for the two documents that
// take the parser deepest, as the first parse of a process and as a later
// one. Each probe forks a process that has not parsed yet and parses on a
// thread of a given stack size (pthread_attr_setstacksize, as applications
// set it); a binary search finds the smallest size that parses. A stack too
// small faults at its guard page, which only kills the probe.
//   movrimsg_bench_stack    exits 1 when a parse fails or needs more than the
//                           stack the README promises
#include "workloads.h"

#include "movrimsg.h"
#include "support/deepest_document.h"

#include <expat.h>
#include <pthread.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <string>

namespace {

// The stack the README promises is enough for any parse, with room for
// expat builds that expand entities recursively.
constexpr size_t kPromised = size_t{64} * 1024;
constexpr size_t kLargest = size_t{1} << 20;
constexpr size_t kStep = 64;

void *parse_document(void *document) {
    movri_msg *msg = nullptr;
    const bool parsed =
        movri_msg_init(&msg) == 0 &&
        movri_msg_parse(msg, static_cast<const std::string *>(document)->c_str()) == 0;
    movri_msg_free(msg);
    return parsed ? document : nullptr;
}

bool parses_on_thread(const std::string &document, size_t stack) {
    pthread_attr_t attributes;
    pthread_t thread;
    void *result = nullptr;
    const bool ran = pthread_attr_init(&attributes) == 0 &&
                     pthread_attr_setstacksize(&attributes, stack) == 0 &&
                     pthread_create(&thread, &attributes, parse_document,
                                    const_cast<std::string *>(&document)) == 0 &&
                     pthread_join(thread, &result) == 0;
    return ran && result != nullptr;
}

// Whether a fresh process parses the document on a thread of this stack;
// for a later parse it parses it once on its main thread before.
bool probe(const std::string &document, size_t stack, bool first) {
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        const bool warmed = first || parse_document(const_cast<std::string *>(&document));
        _exit(warmed && parses_on_thread(document, stack) ? 0 : 1);
    }
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The smallest stack the C library makes for a thread.
size_t smallest_made() { return static_cast<size_t>(PTHREAD_STACK_MIN); }

// The smallest stack, in steps of kStep, on which the parse succeeds; 0 when
// it fails on the largest.
size_t smallest_stack(const std::string &document, bool first) {
    size_t fails = smallest_made() - kStep;
    size_t parses = kLargest;
    if (!probe(document, parses, first)) return 0;
    if (probe(document, fails + kStep, first)) return fails + kStep;
    while (parses - fails > kStep) {
        const size_t middle = fails + (parses - fails) / 2 / kStep * kStep;
        (probe(document, middle, first) ? parses : fails) = middle;
    }
    return parses;
}

std::string kib(size_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f KiB", static_cast<double>(bytes) / 1024);
    return bytes == smallest_made() ? "at most " + std::string(text) : text;
}

}  // namespace

int main() {
    const struct {
        const char *label;
        std::string document;
    } documents[] = {
        {"typical", bench::workload("typical").doc},
        {"max", bench::workload("max").doc},
        {"deepest accepted", deepest::document()},
        {"64-entity chain holding markup", deepest::markup_chain()},
    };
    std::printf(
        "expat %s\n\n| document | bytes | first parse of a process | later parses |\n"
        "|---|---:|---:|---:|\n",
        XML_ExpatVersion());
    bool within = true;
    for (const auto &d : documents) {
        const size_t first = smallest_stack(d.document, true);
        const size_t later = smallest_stack(d.document, false);
        std::printf("| %s | %zu | %s | %s |\n", d.label, d.document.size(), kib(first).c_str(),
                    kib(later).c_str());
        if (first == 0 || later == 0 || first > kPromised || later > kPromised) {
            std::fprintf(stderr, "%s: the parse failed, or needs more than %zu KiB\n", d.label,
                         kPromised / 1024);
            within = false;
        }
    }
    return within ? 0 : 1;
}
