// Stands in for the library's heap in the test build (see counting_heap.h).
#include "counting_heap.h"

#include "movrimsg.h"

#include <cstdlib>

namespace {

int64_t g_attempts = 0;
int64_t g_fail_at = 0;
bool g_fail_every_after = false;
int64_t g_live = 0;

bool next_allocation_fails() {
    ++g_attempts;
    if (g_fail_at == 0) return false;
    return g_fail_every_after ? g_attempts >= g_fail_at : g_attempts == g_fail_at;
}

}  // namespace

namespace testheap {

void fail_at(int64_t n, bool every_after) {
    g_attempts = 0;
    g_fail_at = n;
    g_fail_every_after = every_after;
}

int64_t attempts() { return g_attempts; }
int64_t live_blocks() { return g_live; }
void reset() { fail_at(0); }

}  // namespace testheap

extern "C" {

void *movri_malloc(size_t size) {
    if (next_allocation_fails()) return nullptr;
    void *block = std::malloc(size == 0 ? 1 : size);
    if (block != nullptr) ++g_live;
    return block;
}

void movri_free(void *block) {
    if (block == nullptr) return;
    --g_live;
    std::free(block);
}

}  // extern "C"
