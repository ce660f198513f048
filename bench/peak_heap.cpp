// Peak heap of each contender while it receives, holds and reads the
// 1M-element document; with "held", the heap a parsed message of 10,000
// elements holds per element (five-byte names, ten-byte values), counted as
// glibc's chunks (usable size and size word). malloc and its siblings are replaced for the whole
// process (the shared libraries' calls included) by versions that count the
// usable size of every live block and remember the highest total.
#include "contenders.h"
#include "movrimsg.h"
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

size_t live_chunk_bytes = 0;
size_t live_bytes = 0;
size_t live_blocks = 0;
size_t peak_bytes = 0;
size_t blocks_at_peak = 0;

void *counted(void *block) {
    if (block == nullptr) return block;
    live_bytes += malloc_usable_size(block);
    live_chunk_bytes += malloc_usable_size(block) + sizeof(size_t);
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
    live_chunk_bytes -= malloc_usable_size(block) + sizeof(size_t);
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

// The document of a message with `count` elements, five-byte names and
// ten-byte values.
std::string small_elements_document(int count) {
    std::string doc = "<?xml version='1.0' encoding='ISO-8859-1'?><movrimsg>";
    char element[64];
    for (int i = 0; i < count; ++i) {
        std::snprintf(element, sizeof element, "<ele name='n%04d'>v%09d</ele>", i % 10000, i);
        doc += element;
    }
    return doc + "</movrimsg>";
}

int held_per_element() {
    constexpr int kCount = 10000;
    const std::string doc = small_elements_document(kCount);
    movri_msg *msg = nullptr;
    if (movri_msg_init(&msg) != 0) return 1;
    const size_t before_bytes = live_chunk_bytes;
    const size_t before_blocks = live_blocks;
    if (movri_msg_parse(msg, doc.c_str()) != 0) return 1;
    std::printf("held by a parsed message of %d elements: %.1f bytes, %.2f blocks per element\n",
                kCount, static_cast<double>(live_chunk_bytes - before_bytes) / kCount,
                static_cast<double>(live_blocks - before_blocks) / kCount);
    movri_msg_free(msg);
    return 0;
}

int main(int argc, char **argv) {
    if (argc > 1 && std::strcmp(argv[1], "held") == 0) return held_per_element();
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
