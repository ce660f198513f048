// Finding elements by tag and name or by position, and updating values.
#include <gtest/gtest.h>

#include "message_layout.h"
#include "movrimsg.h"

namespace {

class LookupTest : public testing::Test {
protected:
    // Positions: 0 item[a]  1 item  2 ITEM[b]  3 other[]  4 item[A]  5 (no tag)
    void SetUp() override {
        ASSERT_EQ(movri_msg_append_element(msg(), "item", "a", "first"), 0);
        ASSERT_EQ(movri_msg_append_element(msg(), "item", nullptr, "unnamed"), 1);
        ASSERT_EQ(movri_msg_append_element(msg(), "ITEM", "b", "capital"), 2);
        ASSERT_EQ(movri_msg_append_element(msg(), "other", "", "empty name"), 3);
        ASSERT_EQ(movri_msg_append_element(msg(), "item", "A", "second a"), 4);
        ASSERT_EQ(movri_msg_append_element(msg(), "placeholder", nullptr, nullptr), 5);
        movri_element *untagged = nullptr;
        ASSERT_EQ(movri_msg_get_element_bypos(msg(), 5, &untagged), 5);
        ASSERT_EQ(movri_element_set_tag(untagged, nullptr), 0);
    }
    movri_msg *msg() const { return holder_.get(); }

private:
    MessageHolder holder_;
};

struct FindCase {
    const char *tag;
    const char *name;
    int32_t expected;
};

TEST_F(LookupTest, FindFollowsTheMatchingRules) {
    const FindCase cases[] = {
        {"item", "a", 0},  {"ITEM", "A", 0},      {"iTeM", "B", 2},   {"item", nullptr, 1},
        {"other", "", 3},  {"other", nullptr, 6}, {"item", "c", 6},   {"ite", "a", 6},
        {"items", "a", 6}, {"item", "ab", 6},     {"item", "", 6},    {"missing", nullptr, 6},
        {"", "a", -1},     {"", nullptr, -1},     {nullptr, "a", -1},
    };
    for (const FindCase &c : cases) {
        const char *tag = c.tag != nullptr ? c.tag : "(null)";
        const char *name = c.name != nullptr ? c.name : "(null)";
        EXPECT_EQ(movri_msg_find_element(msg(), c.tag, c.name), c.expected) << tag << " " << name;
        movri_element *element = reinterpret_cast<movri_element *>(&element);
        EXPECT_EQ(movri_msg_get_element_byname(msg(), c.tag, c.name, &element), c.expected)
            << tag << " " << name;
        movri_element *at = nullptr;
        movri_msg_get_element_bypos(msg(), c.expected, &at);
        EXPECT_EQ(element, at) << tag << " " << name;
    }
}

TEST(Lookup, FindInAnEmptyMessageGivesTheCountZero) {
    MessageHolder msg;
    EXPECT_EQ(movri_msg_find_element(msg.get(), "id", nullptr), 0);
    movri_element *element = nullptr;
    EXPECT_EQ(movri_msg_get_element_byname(msg.get(), "id", nullptr, &element), 0);
    EXPECT_EQ(element, nullptr);
}

TEST_F(LookupTest, FetchByPositionStoresTheElementOrNull) {
    for (int32_t pos : {INT32_MIN, -1, 6, 7, INT32_MAX}) {
        movri_element *element = reinterpret_cast<movri_element *>(&element);
        EXPECT_EQ(movri_msg_get_element_bypos(msg(), pos, &element), -1) << pos;
        EXPECT_EQ(element, nullptr) << pos;
    }
    movri_element *element = nullptr;
    EXPECT_EQ(movri_msg_get_element_bypos(msg(), 2, &element), 2);
    ASSERT_NE(element, nullptr);
    EXPECT_STREQ(element->value, "capital");
    EXPECT_EQ(movri_msg_get_element_bypos(msg(), 2, nullptr), -1);
    EXPECT_EQ(movri_msg_get_element_byname(msg(), "item", "a", nullptr), -1);
}

TEST_F(LookupTest, ValueUpdateByNameChangesTheFirstMatchOnly) {
    EXPECT_EQ(movri_msg_set_element_value_byname(msg(), "ITEM", "a", "new"), 0);
    EXPECT_EQ(movri_msg_set_element_value_byname(msg(), "item", nullptr, nullptr), 1);
    EXPECT_EQ(movri_msg_set_element_value_byname(msg(), "item", "zzz", "x"), -1);
    EXPECT_EQ(movri_msg_set_element_value_byname(msg(), "", "a", "x"), -1);
    EXPECT_EQ(layout(msg()),
              "item[a]=new item ITEM[b]=capital other[]=empty name item[A]=second a <no tag>");
}

TEST_F(LookupTest, ValueUpdateByPositionChangesThatElement) {
    EXPECT_EQ(movri_msg_set_element_value_bypos(msg(), 4, "changed"), 4);
    EXPECT_EQ(movri_msg_set_element_value_bypos(msg(), 5, ""), 5);
    EXPECT_EQ(movri_msg_set_element_value_bypos(msg(), 0, nullptr), 0);
    EXPECT_EQ(movri_msg_set_element_value_bypos(msg(), 6, "x"), -1);
    EXPECT_EQ(movri_msg_set_element_value_bypos(msg(), -1, "x"), -1);
    EXPECT_EQ(layout(msg()),
              "item[a] item=unnamed ITEM[b]=capital other[]=empty name item[A]=changed <no tag>=");
}

TEST_F(LookupTest, ValueUpdateToItsOwnValueKeepsIt) {
    movri_element *element = nullptr;
    ASSERT_EQ(movri_msg_get_element_bypos(msg(), 2, &element), 2);
    EXPECT_EQ(movri_msg_set_element_value_bypos(msg(), 2, element->value), 2);
    EXPECT_STREQ(element->value, "capital");
    EXPECT_EQ(movri_msg_set_element_value_byname(msg(), "item", "b", element->value), 2);
    EXPECT_STREQ(element->value, "capital");
}

}  // namespace
