// Free-standing element records: life, the three fields, and what a setter
// does when its copy cannot be made.
#include <gtest/gtest.h>

#include "model/element.h"
#include "movrimsg.h"
#include "support/counting_heap.h"

#include <iterator>

namespace {

struct Field {
    const char *label;
    int32_t (*set)(movri_element *, const char *);
    const char *(*get)(const movri_element *);
};

const Field kFields[] = {
    {"tag", movri_element_set_tag, movri_element_get_tag},
    {"name", movri_element_set_name, movri_element_get_name},
    {"value", movri_element_set_value, movri_element_get_value},
};
// What the element of a message in ListedTextsAreRewrittenInPlaceOrMoved is
// made with, field by field.
const char *const kListedTexts[] = {"ele", "name1", "value-text"};

class ElementTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(movri_element_init(&element_), 0); }
    void TearDown() override { movri_element_free(element_); }
    movri_element *element_ = nullptr;
};

TEST_F(ElementTest, StartsWithEveryFieldAbsent) {
    EXPECT_EQ(element_->tag, nullptr);
    EXPECT_EQ(element_->name, nullptr);
    EXPECT_EQ(element_->value, nullptr);
}

TEST_F(ElementTest, SettersStoreAPrivateCopyOfEachField) {
    for (const Field &field : kFields) {
        char text[] = "original";
        EXPECT_EQ(field.set(element_, text), 0) << field.label;
        EXPECT_NE(field.get(element_), text);
        text[0] = 'X';
        EXPECT_STREQ(field.get(element_), "original") << field.label;
    }
    EXPECT_STREQ(element_->tag, "original");
    EXPECT_STREQ(element_->name, "original");
    EXPECT_STREQ(element_->value, "original");
}

TEST_F(ElementTest, EmptyTextStaysDistinctFromAbsent) {
    for (const Field &field : kFields) {
        ASSERT_EQ(field.set(element_, ""), 0);
        ASSERT_NE(field.get(element_), nullptr) << field.label;
        EXPECT_STREQ(field.get(element_), "");
        ASSERT_EQ(field.set(element_, nullptr), 0);
        EXPECT_EQ(field.get(element_), nullptr) << field.label;
    }
}

TEST_F(ElementTest, SettingAFieldToItsOwnTextKeepsTheText) {
    for (const Field &field : kFields) {
        ASSERT_EQ(field.set(element_, "self"), 0);
        EXPECT_EQ(field.set(element_, field.get(element_)), 0);
        EXPECT_STREQ(field.get(element_), "self") << field.label;
    }
}

TEST(Element, NullElementGivesMinusOneOrNull) {
    for (const Field &field : kFields) {
        EXPECT_EQ(field.set(nullptr, "x"), -1) << field.label;
        EXPECT_EQ(field.get(nullptr), nullptr) << field.label;
    }
    movri_element_free(nullptr);
}

TEST(Element, InitIntoNullOutArgumentAllocatesNothing) {
    testheap::reset();
    EXPECT_EQ(movri_element_init(nullptr), -1);
    EXPECT_EQ(testheap::attempts(), 0);
}

struct AppendCase {
    const char *start;
    const char *bytes;
    size_t n;
    const char *expected;
};

TEST_F(ElementTest, AppendValueJoinsByteRuns) {
    const AppendCase cases[] = {
        {nullptr, "abc", 3, "abc"},   {"ab", "cdef", 2, "abcd"},  {"", "x", 1, "x"},
        {"keep", nullptr, 3, "keep"}, {"keep", "zzz", 0, "keep"}, {"a", "b", 1, "ab"},
    };
    for (const AppendCase &c : cases) {
        ASSERT_EQ(movri_element_set_value(element_, c.start), 0);
        EXPECT_EQ(movri_element_append_value(element_, c.bytes, c.n), 0);
        EXPECT_STREQ(element_->value, c.expected);
    }
    EXPECT_EQ(movri_element_append_value(nullptr, "a", 1), -1);
}

// An element of a message holds the texts it was made with in its own
// block: one set again is written in place while no longer, else it moves to
// a block of its own, and the other two stay as they were.
TEST(Element, ListedTextsAreRewrittenInPlaceOrMoved) {
    const struct {
        const char *text;
        bool in_place;
    } steps[] = {{"e", true},
                 {"longer than any of the three", false},
                 {"x", false},
                 {nullptr, false},
                 {"again", false}};
    for (size_t f = 0; f < std::size(kFields); ++f) {
        const Field &field = kFields[f];
        const int64_t live = testheap::live_blocks();
        movri_msg *msg = nullptr;
        ASSERT_EQ(movri_msg_init(&msg), 0);
        ASSERT_EQ(movri_msg_append_element(msg, kListedTexts[0], kListedTexts[1], kListedTexts[2]),
                  0);
        movri_element *element = nullptr;
        ASSERT_EQ(movri_msg_get_element_bypos(msg, 0, &element), 0);
        for (const auto &step : steps) {
            const char *old = field.get(element);
            ASSERT_EQ(field.set(element, step.text), 0) << field.label;
            EXPECT_EQ(step.text == nullptr, field.get(element) == nullptr) << field.label;
            if (step.text != nullptr) {
                EXPECT_STREQ(field.get(element), step.text) << field.label;
            }
            EXPECT_EQ(field.get(element) == old, step.in_place) << field.label << " " << step.text;
            for (size_t other = 0; other < std::size(kFields); ++other) {
                if (other != f) {
                    EXPECT_STREQ(kFields[other].get(element), kListedTexts[other]);
                }
            }
        }
        movri_msg_free(msg);
        EXPECT_EQ(testheap::live_blocks(), live) << field.label;
    }
}

}  // namespace
