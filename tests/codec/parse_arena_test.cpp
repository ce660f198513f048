#include <gtest/gtest.h>

#include "codec/parse_arena.h"
#include "support/counting_heap.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace {

using movri::ParseArena;

// The arena as expat sees it: through the memory functions it is handed.
const XML_Memory_Handling_Suite &expat_memory = ParseArena::kMemorySuite;

// Builds for memory checkers give every block to the heap.
#if defined(MOVRIMSG_TEST_WITHOUT_ARENA)
constexpr bool kArenaExpected = false;
#else
constexpr bool kArenaExpected = true;
#endif
constexpr const char *kNoArena = "this build gives expat's blocks to the heap";

bool aligned(const void *block) { return reinterpret_cast<uintptr_t>(block) % 16 == 0; }

void *filled(size_t size, char byte) {
    void *block = expat_memory.malloc_fcn(size);
    if (block != nullptr) std::memset(block, byte, size);
    return block;
}

bool holds(const void *block, size_t size, char byte) {
    return std::string(static_cast<const char *>(block), size) == std::string(size, byte);
}

TEST(ParseArena, ServesSmallBlocksWithoutTheHeap) {
    if (!kArenaExpected) GTEST_SKIP() << kNoArena;
    testheap::reset();
    ParseArena arena;
    void *a = filled(100, 'a');
    void *b = filled(1, 'b');
    void *c = filled(0, 'c');
    for (void *block : {a, b, c}) {
        ASSERT_NE(block, nullptr);
        EXPECT_TRUE(aligned(block));
    }
    EXPECT_TRUE(holds(a, 100, 'a'));
    EXPECT_TRUE(holds(b, 1, 'b'));
    EXPECT_NE(a, b);
    EXPECT_NE(b, c);
    EXPECT_EQ(testheap::attempts(), 0);
    for (void *block : {c, b, a})
        expat_memory.free_fcn(block);
}

TEST(ParseArena, TakesBackTheRoomOfItsLastBlock) {
    if (!kArenaExpected) GTEST_SKIP() << kNoArena;
    ParseArena arena;
    void *first = filled(40, 'x');
    void *last = filled(40, 'y');
    expat_memory.free_fcn(last);
    EXPECT_EQ(filled(24, 'z'), last);
    expat_memory.free_fcn(first);
}

TEST(ParseArena, ResizesKeepingTheContents) {
    const struct {
        const char *name;
        size_t size;
        size_t resized;
        bool behind_another;  // a block follows it, so it cannot grow in place
    } cases[] = {
        {"last block grows in place", 64, 1000, false},
        {"last block shrinks in place", 1000, 10, false},
        {"inner block moves", 64, 1000, true},
        {"block grows past the arena", 64, ParseArena::kSize, false},
        {"heap block grows", ParseArena::kSize, ParseArena::kSize * 2, false},
    };
    const int64_t live_before = testheap::live_blocks();
    for (const auto &c : cases) {
        ParseArena arena;
        void *block = filled(c.size, 'k');
        void *follower = c.behind_another ? filled(8, 'f') : nullptr;
        void *resized = expat_memory.realloc_fcn(block, c.resized);
        ASSERT_NE(resized, nullptr) << c.name;
        EXPECT_TRUE(aligned(resized)) << c.name;
        EXPECT_TRUE(holds(resized, std::min(c.size, c.resized), 'k')) << c.name;
        std::memset(resized, 'n', c.resized);
        if (follower != nullptr) {
            EXPECT_NE(resized, block) << c.name;
            EXPECT_TRUE(holds(follower, 8, 'f')) << c.name;
            expat_memory.free_fcn(follower);
        }
        expat_memory.free_fcn(resized);
    }
    EXPECT_EQ(testheap::live_blocks(), live_before);
}

TEST(ParseArena, SpillsToTheHeapWhenFullAndReportsMemoryFailure) {
    if (!kArenaExpected) GTEST_SKIP() << kNoArena;
    const int64_t live_before = testheap::live_blocks();
    ParseArena arena;
    void *most = filled(ParseArena::kSize - 64, 'm');
    void *spilled = filled(100, 's');
    ASSERT_NE(spilled, nullptr);
    EXPECT_EQ(testheap::live_blocks(), live_before + 1);
    {
        testheap::FailureScope failing(1, true);
        EXPECT_EQ(expat_memory.malloc_fcn(ParseArena::kSize), nullptr);
        EXPECT_EQ(expat_memory.realloc_fcn(spilled, ParseArena::kSize), nullptr);
    }
    EXPECT_TRUE(holds(spilled, 100, 's'));
    expat_memory.free_fcn(spilled);
    expat_memory.free_fcn(most);
    EXPECT_EQ(testheap::live_blocks(), live_before);
}

}  // namespace
