// The message record: its life, its three document properties and the
// end-of-sequence test applications walk with.
#include <gtest/gtest.h>

#include "model/element.h"
#include "model/sequence.h"
#include "movrimsg.h"
#include "support/counting_heap.h"

#include <cstdint>

namespace {

struct Property {
    const char *label;
    int32_t (*set)(movri_msg *, const char *);
    const char *(*get)(const movri_msg *);
    const char *initial;
};

const Property kProperties[] = {
    {"version", movri_msg_set_version, movri_msg_get_version, "1.0"},
    {"encoding", movri_msg_set_encoding, movri_msg_get_encoding, "ISO-8859-1"},
    {"dtd", movri_msg_set_dtd, movri_msg_get_dtd, "movrimsg.dtd"},
};

class MessageTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(movri_msg_init(&msg_), 0); }
    void TearDown() override { movri_msg_free(msg_); }
    movri_msg *msg_ = nullptr;
};

TEST_F(MessageTest, StartsWithDefaultPropertiesAndNoElements) {
    for (const Property &p : kProperties)
        EXPECT_STREQ(p.get(msg_), p.initial) << p.label;
    ASSERT_NE(msg_->elements, nullptr);
    EXPECT_EQ(msg_->elements->count, 0);
    EXPECT_EQ(movri_msg_eol(msg_, 0), 1);
    EXPECT_EQ(movri_msg_eol(msg_, -1), 0);
}

TEST_F(MessageTest, PropertySettersReplaceCopyOrClearTheProperty) {
    for (const Property &p : kProperties) {
        char text[] = "changed";
        EXPECT_EQ(p.set(msg_, text), 0) << p.label;
        text[0] = 'X';
        EXPECT_STREQ(p.get(msg_), "changed") << p.label;
        EXPECT_EQ(p.set(msg_, p.get(msg_)), 0) << p.label;
        EXPECT_STREQ(p.get(msg_), "changed") << p.label;
        EXPECT_EQ(p.set(msg_, nullptr), 0) << p.label;
        EXPECT_EQ(p.get(msg_), nullptr) << p.label;
    }
    EXPECT_EQ(msg_->version, nullptr);
    EXPECT_EQ(msg_->encoding, nullptr);
    EXPECT_EQ(msg_->dtd, nullptr);
}

// The default texts live in the message's block: a text no longer is written
// in their place, a longer one gets a block of its own.
TEST(Message, PropertiesAreRewrittenInPlaceOrMoved) {
    for (const Property &p : kProperties) {
        const int64_t live = testheap::live_blocks();
        movri_msg *msg = nullptr;
        ASSERT_EQ(movri_msg_init(&msg), 0);
        const char *inline_text = p.get(msg);
        ASSERT_EQ(p.set(msg, "2"), 0);
        EXPECT_EQ(p.get(msg), inline_text) << p.label;
        ASSERT_EQ(p.set(msg, "longer than every default"), 0);
        EXPECT_NE(p.get(msg), inline_text) << p.label;
        EXPECT_STREQ(p.get(msg), "longer than every default") << p.label;
        for (const Property &other : kProperties) {
            if (other.get != p.get) {
                EXPECT_STREQ(other.get(msg), other.initial) << p.label;
            }
        }
        movri_msg_free(msg);
        EXPECT_EQ(testheap::live_blocks(), live) << p.label;
    }
}

TEST_F(MessageTest, EndOfSequenceComparesThePositionWithTheCount) {
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(movri_msg_append_element(msg_, "ele", nullptr, nullptr), i);
    const struct {
        int32_t pos;
        int32_t expected;
    } cases[] = {{INT32_MIN, 0}, {-1, 0}, {0, 0}, {2, 0}, {3, 1}, {4, 1}, {INT32_MAX, 1}};
    for (const auto &c : cases)
        EXPECT_EQ(movri_msg_eol(msg_, c.pos), c.expected) << c.pos;
}

TEST(Message, EndOfSequenceWithoutASequenceGivesMinusOne) {
    EXPECT_EQ(movri_msg_eol(nullptr, 0), -1);
    movri_msg bare{nullptr, nullptr, nullptr, nullptr};
    EXPECT_EQ(movri_msg_eol(&bare, 0), -1);
    EXPECT_EQ(movri_msg_eol(&bare, -1), -1);
}

TEST(Message, NullMessageGivesMinusOneOrNull) {
    for (const Property &p : kProperties) {
        EXPECT_EQ(p.set(nullptr, "x"), -1) << p.label;
        EXPECT_EQ(p.get(nullptr), nullptr) << p.label;
    }
    movri_msg_free(nullptr);
}

TEST(Message, InitIntoNullOutArgumentAllocatesNothing) {
    testheap::reset();
    EXPECT_EQ(movri_msg_init(nullptr), -1);
    EXPECT_EQ(testheap::attempts(), 0);
}

TEST(Message, FreeOfAMessageWithoutASequenceReleasesTheRest) {
    const int64_t live = testheap::live_blocks();
    movri_msg *msg = nullptr;
    ASSERT_EQ(movri_msg_init(&msg), 0);
    movri_list_free(msg->elements, movri::free_listed_element);
    msg->elements = nullptr;
    movri_msg_free(msg);
    EXPECT_EQ(testheap::live_blocks(), live);
}

}  // namespace
