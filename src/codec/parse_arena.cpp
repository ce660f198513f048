#include "parse_arena.h"

#include "movrimsg.h"

#include <atomic>
#include <cstdint>
#include <cstring>

#if !defined(_WIN32)
#include <pthread.h>
#endif

namespace {

// Every block starts with this header, padded to keep the block aligned as
// malloc's are: its size, and the arena it came from (null for the heap).
struct alignas(16) BlockHeader {
    movri::ParseArena *arena;
    size_t size;
};

BlockHeader &header_of(void *block) { return static_cast<BlockHeader *>(block)[-1]; }

constexpr size_t round_up(size_t size) { return (size + 15) & ~size_t{15}; }

// The arena serving this thread's parse. expat's memory functions take no
// context, so they find it in a thread-specific slot. Outside Windows the
// slot is a POSIX thread key rather than thread-local storage: the library
// then has no static TLS, which some loaders refuse through dlopen, and needs
// no symbol of the dynamic loader.
#if defined(_WIN32)
thread_local movri::ParseArena *current_arena_slot = nullptr;

movri::ParseArena *current_arena() { return current_arena_slot; }
bool set_current_arena(movri::ParseArena *arena) {
    current_arena_slot = arena;
    return true;
}
#else
pthread_once_t slot_once = PTHREAD_ONCE_INIT;
pthread_key_t slot;
std::atomic<bool> slot_made{false};

// The key has no destructor function: a thread that exits after the library
// was unloaded must find nothing of it to call.
void make_slot() {
    slot_made.store(pthread_key_create(&slot, nullptr) == 0, std::memory_order_release);
}

// Unloading gives the key back, so that a host loading and unloading the
// library again and again never runs out of keys.
__attribute__((destructor)) void delete_slot() {
    if (slot_made.exchange(false, std::memory_order_acq_rel)) pthread_key_delete(slot);
}

movri::ParseArena *current_arena() {
    if (!slot_made.load(std::memory_order_acquire)) return nullptr;
    return static_cast<movri::ParseArena *>(pthread_getspecific(slot));
}

bool set_current_arena(movri::ParseArena *arena) {
    pthread_once(&slot_once, make_slot);
    return slot_made.load(std::memory_order_acquire) && pthread_setspecific(slot, arena) == 0;
}
#endif

void *heap_block(size_t size) {
    if (size > SIZE_MAX - sizeof(BlockHeader)) return nullptr;
    auto *header = static_cast<BlockHeader *>(movri_malloc(sizeof(BlockHeader) + size));
    if (header == nullptr) return nullptr;
    *header = BlockHeader{nullptr, size};
    return header + 1;
}

void *allocate_for_expat(size_t size) {
    movri::ParseArena *arena = current_arena();
    return arena != nullptr ? arena->allocate(size) : heap_block(size);
}

void release_for_expat(void *block) {
    if (block == nullptr) return;
    if (movri::ParseArena *arena = header_of(block).arena) return arena->release(block);
    movri_free(&header_of(block));
}

// A block moves, from the arena or the heap alike, unless it is the arena's
// last and the arena has room for it to grow in place.
void *resize_for_expat(void *block, size_t size) {
    if (block == nullptr) return allocate_for_expat(size);
    movri::ParseArena *arena = header_of(block).arena;
    if (arena != nullptr && arena->resize_in_place(block, size)) return block;
    void *moved = allocate_for_expat(size);
    if (moved == nullptr) return nullptr;
    const size_t old_size = header_of(block).size;
    std::memcpy(moved, block, old_size < size ? old_size : size);
    release_for_expat(block);
    return moved;
}

}  // namespace

namespace movri {

const XML_Memory_Handling_Suite ParseArena::kMemorySuite = {allocate_for_expat, resize_for_expat,
                                                            release_for_expat};

ParseArena::ParseArena() : outer_(current_arena()) {
    serving_ = kServesBlocks && set_current_arena(this);
}

ParseArena::~ParseArena() {
    if (serving_) set_current_arena(outer_);
}

void *ParseArena::allocate(size_t size) {
    const size_t room = kSize - used_;
    if (size > room || round_up(size) + sizeof(BlockHeader) > room) return heap_block(size);
    auto *header = reinterpret_cast<BlockHeader *>(bytes_ + used_);
    *header = BlockHeader{this, size};
    used_ += sizeof(BlockHeader) + round_up(size);
    return header + 1;
}

bool ParseArena::is_last(void *block) const {
    return static_cast<const unsigned char *>(block) + round_up(header_of(block).size) ==
           bytes_ + used_;
}

bool ParseArena::resize_in_place(void *block, size_t size) {
    BlockHeader &header = header_of(block);
    const size_t offset = static_cast<size_t>(static_cast<unsigned char *>(block) - bytes_);
    if (!is_last(block) || size > kSize - offset) return false;
    used_ += round_up(size) - round_up(header.size);
    header.size = size;
    return true;
}

// The last block's room is taken back; the others' stays taken until the
// arena ends, which a parse reaches soon.
void ParseArena::release(void *block) {
    if (is_last(block)) used_ -= sizeof(BlockHeader) + round_up(header_of(block).size);
}

}  // namespace movri
