// Peak stack of one movri_msg_parse, for the typical and the largest message
// document and for the worst document the parser accepts. Each parse runs on
// a thread whose stack is painted beforehand; the deepest byte it changed,
// measured from the frame that calls the parse, is the figure.
#include "workloads.h"

#include "movrimsg.h"
#include "support/deepest_document.h"

#include <pthread.h>
#include <sys/mman.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr size_t kStackSize = size_t{1} << 20;
constexpr unsigned char kPaint = 0xA5;

struct Probe {
    const std::string *document;
    const unsigned char *frame = nullptr;
    int result = -1;
};

void *parse_on_this_thread(void *argument) {
    auto &probe = *static_cast<Probe *>(argument);
    probe.frame = static_cast<const unsigned char *>(__builtin_frame_address(0));
    movri_msg *msg = nullptr;
    if (movri_msg_init(&msg) == 0) probe.result = movri_msg_parse(msg, probe.document->c_str());
    movri_msg_free(msg);
    return nullptr;
}

// Bytes of stack below the calling frame that the parse used, or 0 on failure.
size_t peak_stack(const std::string &document) {
    void *stack = mmap(nullptr, kStackSize, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
    if (stack == MAP_FAILED) return 0;
    std::memset(stack, kPaint, kStackSize);
    Probe probe{&document};
    pthread_attr_t attributes;
    pthread_t thread;
    pthread_attr_init(&attributes);
    pthread_attr_setstack(&attributes, stack, kStackSize);
    const bool ran = pthread_create(&thread, &attributes, parse_on_this_thread, &probe) == 0 &&
                     pthread_join(thread, nullptr) == 0;
    pthread_attr_destroy(&attributes);
    const auto *low = static_cast<const unsigned char *>(stack);
    const unsigned char *deepest = low;
    while (deepest < probe.frame && *deepest == kPaint)
        ++deepest;
    munmap(stack, kStackSize);
    return ran && probe.result == 0 ? static_cast<size_t>(probe.frame - deepest) : 0;
}

}  // namespace

int main() {
    const struct {
        const char *label;
        std::string document;
    } documents[] = {
        {"typical", bench::workload("typical").doc},
        {"max", bench::workload("max").doc},
        {"worst accepted", deepest::document()},
    };
    std::printf("| document | bytes | peak stack of a parse |\n|---|---:|---:|\n");
    // The first parse of a process also draws the secret behind the hash
    // salts.
    const size_t first = peak_stack(documents[0].document);
    std::printf("| typical, the first parse in the process | %zu | %zu bytes (%.1f KiB) |\n",
                documents[0].document.size(), first, static_cast<double>(first) / 1024);
    for (const auto &d : documents) {
        const size_t peak = peak_stack(d.document);
        if (peak == 0) {
            std::fprintf(stderr, "%s: the parse failed\n", d.label);
            return 1;
        }
        std::printf("| %s | %zu | %zu bytes (%.1f KiB) |\n", d.label, d.document.size(), peak,
                    static_cast<double>(peak) / 1024);
    }
    return 0;
}
