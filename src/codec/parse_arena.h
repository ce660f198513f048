// Memory for expat during one parse. A parse of a document the writer can
// produce needs about 20 blocks and at most 11 KiB, all released at its end;
// they come from a buffer on the parse's stack, and only what does not fit
// goes to the library's heap.
#pragma once

#include <expat.h>

#include <cstddef>

namespace movri {

class ParseArena {
public:
    static constexpr size_t kSize = size_t{12} * 1024;

    // Serves the memory functions of parsers made on this thread until it
    // is destroyed; the parsers must be released before it.
    ParseArena();
    ParseArena(const ParseArena &) = delete;
    ParseArena &operator=(const ParseArena &) = delete;
    ~ParseArena();

    // Whether arenas serve expat's blocks in this build. Builds for memory
    // checkers (AddressSanitizer, or MOVRIMSG_NO_PARSE_ARENA for valgrind)
    // leave them to the heap, the only place those checkers look.
#if defined(MOVRIMSG_NO_PARSE_ARENA) || defined(__SANITIZE_ADDRESS__)
    static constexpr bool kServesBlocks = false;
#elif defined(__has_feature)
    static constexpr bool kServesBlocks = !__has_feature(address_sanitizer);
#else
    static constexpr bool kServesBlocks = true;
#endif

    // The functions to hand to XML_ParserCreate_MM.
    static const XML_Memory_Handling_Suite kMemorySuite;

    void *allocate(size_t size);
    // Grows or shrinks the arena's last block where it stands; false for any
    // other block, or when the arena has no room for it.
    bool resize_in_place(void *block, size_t size);
    void release(void *block);

private:
    // Whether block is the arena's most recent one, which can grow in place.
    bool is_last(void *block) const;

    ParseArena *outer_;
    bool serving_;
    size_t used_ = 0;
    alignas(16) unsigned char bytes_[kSize];
};

}  // namespace movri
