// The text primitives applications share with the library: copy, raw copy
// and the case-insensitive comparison behind every tag and name lookup.
#include <gtest/gtest.h>

#include "movrimsg.h"
#include "support/counting_heap.h"

#include <cstring>

namespace {

int sign(int32_t value) { return (value > 0) - (value < 0); }

struct CompareCase {
    const char *a;
    const char *b;
    size_t n;
    int expected_sign;
};

TEST(Text, CaseInsensitiveCompareOrdersAsTheStandardComparisonDoes) {
    const CompareCase cases[] = {
        {"ABC", "abd", 2, 0},        {"ABC", "abd", 3, -1},   {"abd", "ABC", 3, 1},
        {"Id", "iD", 2, 0},          {"id", "idx", 2, 0},     {"id", "idx", 3, -1},
        {"idx", "ID", 10, 1},        {"", "", 5, 0},          {"", "a", 1, -1},
        {"anything", "other", 0, 0}, {"_", "A", 1, -1},       {"[", "a", 1, -1},
        {"\xE9", "a", 1, 1},         {"\xC9", "\xE9", 1, -1}, {"same\0x", "same\0y", 6, 0},
    };
    for (const CompareCase &c : cases) {
        EXPECT_EQ(sign(movri_strncasecmp(c.a, c.b, c.n)), c.expected_sign)
            << '"' << c.a << "\" vs \"" << c.b << "\" over " << c.n;
    }
}

TEST(Text, CaseInsensitiveCompareOrdersNullBeforeAnyTextAndTwoNullsEqual) {
    EXPECT_EQ(movri_strncasecmp(nullptr, nullptr, 3), 0);
    EXPECT_LT(movri_strncasecmp(nullptr, "", 3), 0);
    EXPECT_LT(movri_strncasecmp(nullptr, "a", 3), 0);
    EXPECT_GT(movri_strncasecmp("", nullptr, 3), 0);
    EXPECT_GT(movri_strncasecmp("a", nullptr, 0), 0);
}

TEST(Text, DuplicateCopiesIntoAFreshBlock) {
    const char original[] = "value";
    char *copy = movri_strdup(original);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, original);
    EXPECT_STREQ(copy, original);
    movri_free(copy);

    char *empty = movri_strdup("");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty[0], '\0');
    movri_free(empty);
}

TEST(Text, DuplicateOfNullOrWithoutMemoryGivesNull) {
    testheap::reset();
    EXPECT_EQ(movri_strdup(nullptr), nullptr);
    EXPECT_EQ(testheap::attempts(), 0);
    const int64_t live = testheap::live_blocks();
    testheap::FailureScope failing(1);
    EXPECT_EQ(movri_strdup("text"), nullptr);
    EXPECT_EQ(testheap::live_blocks(), live);
}

TEST(Text, RawCopyTakesExactlyNBytesAndTerminates) {
    char dst[8];
    std::memset(dst, 'x', sizeof dst);
    EXPECT_EQ(movri_strncpy(dst, "abcdef", 3), dst);
    EXPECT_EQ(std::memcmp(dst, "abc\0xxxx", 8), 0);

    std::memset(dst, 'x', sizeof dst);
    movri_strncpy(dst, "ab\0cd", 5);
    EXPECT_EQ(std::memcmp(dst, "ab\0cd\0xx", 8), 0);

    std::memset(dst, 'x', sizeof dst);
    movri_strncpy(dst, "abc", 0);
    EXPECT_EQ(std::memcmp(dst, "\0xxxxxxx", 8), 0);
}

TEST(Text, RawCopyWithNullDestinationOrSourceWritesNothing) {
    char dst[4] = {'k', 'e', 'e', 'p'};
    EXPECT_EQ(movri_strncpy(dst, nullptr, 2), dst);
    EXPECT_EQ(std::memcmp(dst, "keep", 4), 0);
    EXPECT_EQ(movri_strncpy(nullptr, "abc", 2), nullptr);
}

}  // namespace
