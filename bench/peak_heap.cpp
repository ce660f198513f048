// Peak heap of each contender while it receives, holds and reads the
// 1M-element document. malloc and its siblings are replaced for the whole
// process (the shared libraries' calls included) by versions that count the
// usable size of every live block and remember the highest total.
#include "contenders.h"
#include "workloads.h"

#include <malloc.h>

#include <cstdio>
#include <cstring>

extern "C" {
void *__libc_malloc(size_t size);
void *__libc_calloc(size_t count, size_t size);
void *__libc_realloc(void *block, size_t size);
void *__libc_memalign(size_t alignment, size_t size);
void __libc_free(void *block);
}

namespace {

size_t live_bytes = 0;
size_t live_blocks = 0;
size_t peak_bytes = 0;
size_t blocks_at_peak = 0;

void *counted(void *block) {
    if (block == nullptr) return block;
    live_bytes += malloc_usable_size(block);
    ++live_blocks;
    if (live_bytes > peak_bytes) {
        peak_bytes = live_bytes;
        blocks_at_peak = live_blocks;
    }
    return block;
}

void uncount(void *block) {
    if (block == nullptr) return;
    live_bytes -= malloc_usable_size(block);
    --live_blocks;
}

}  // namespace

extern "C" {

void *malloc(size_t size) { return counted(__libc_malloc(size)); }
void *calloc(size_t count, size_t size) { return counted(__libc_calloc(count, size)); }
void *memalign(size_t alignment, size_t size) { return counted(__libc_memalign(alignment, size)); }
void *aligned_alloc(size_t alignment, size_t size) { return memalign(alignment, size); }
int posix_memalign(void **out, size_t alignment, size_t size) {
    *out = memalign(alignment, size);
    return *out != nullptr || size == 0 ? 0 : ENOMEM;
}
void free(void *block) {
    uncount(block);
    __libc_free(block);
}
void *realloc(void *block, size_t size) {
    uncount(block);
    return counted(__libc_realloc(block, size));
}

}  // extern "C"

int main() {
    const bench::Workload &work = bench::workload("scale-1000000");
    std::printf("document: %zu body elements, %zu bytes\n", work.items, work.doc.size());
    std::printf("%-12s %14s %12s %14s\n", "contender", "peak bytes", "bytes/elem", "blocks");
    for (const bench::Contender &contender : bench::contenders()) {
        const size_t base_bytes = live_bytes;
        const size_t base_blocks = live_blocks;
        peak_bytes = live_bytes;
        blocks_at_peak = live_blocks;
        if (!contender.receive(work.doc, nullptr)) {
            std::printf("%-12s failed\n", contender.name);
            return 1;
        }
        const size_t peak = peak_bytes - base_bytes;
        std::printf("%-12s %14zu %12.3f %14zu\n", contender.name, peak,
                    static_cast<double>(peak) / static_cast<double>(work.items),
                    blocks_at_peak - base_blocks);
    }
    return 0;
}
