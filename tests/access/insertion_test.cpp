// The four ways of adding an element, and the order they leave behind.
#include <gtest/gtest.h>

#include "message_layout.h"
#include "movrimsg.h"

#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Insertion = std::function<int32_t(movri_msg *)>;

Insertion append(const char *tag, const char *name = nullptr) {
    return [=](movri_msg *m) { return movri_msg_append_element(m, tag, name, nullptr); };
}
Insertion before(const char *ref_tag, const char *ref_name, const char *tag) {
    return [=](movri_msg *m) {
        return movri_msg_insert_element_before_name(m, ref_tag, ref_name, tag, nullptr, nullptr);
    };
}
Insertion after(const char *ref_tag, const char *ref_name, const char *tag) {
    return [=](movri_msg *m) {
        return movri_msg_insert_element_after_name(m, ref_tag, ref_name, tag, nullptr, nullptr);
    };
}
Insertion at(int32_t pos, const char *tag) {
    return
        [=](movri_msg *m) { return movri_msg_insert_element_bypos(m, pos, tag, nullptr, nullptr); };
}

struct Step {
    Insertion insert;
    int32_t expected;
    const char *layout_after;
};

struct Scenario {
    const char *label;
    std::vector<Step> steps;
};

TEST(Insertion, EveryKindPlacesTheElementAndGivesItsPosition) {
    const Scenario scenarios[] = {
        {"append",
         {{append("A"), 0, "A"}, {append("B"), 1, "A B"}, {append("C", "n"), 2, "A B C[n]"}}},
        {"before and after unnamed references",
         {{append("A"), 0, "A"},
          {append("B"), 1, "A B"},
          {before("B", nullptr, "X"), 1, "A X B"},
          {after("A", nullptr, "Y"), 1, "A Y X B"},
          {before("a", nullptr, "F"), 0, "F A Y X B"},
          {after("b", nullptr, "L"), 5, "F A Y X B L"},
          {before("missing", nullptr, "Z"), -1, "F A Y X B L"},
          {after("missing", nullptr, "Z"), -1, "F A Y X B L"}}},
        {"references with and without names",
         {{append("ref", "n"), 0, "ref[n]"},
          {append("ref"), 1, "ref[n] ref"},
          {before("ref", nullptr, "U"), 1, "ref[n] U ref"},
          {after("REF", "N", "V"), 1, "ref[n] V U ref"},
          {after("ref", "", "W"), -1, "ref[n] V U ref"},
          {before("ref", "m", "W"), -1, "ref[n] V U ref"}}},
        {"by position",
         {{at(1, "A"), -1, ""},
          {at(0, "A"), 0, "A"},
          {at(1, "B"), -1, "A"},
          {at(0, "B"), 0, "B A"},
          {at(1, "C"), 1, "B C A"},
          {at(2, "D"), 2, "B C D A"},
          {at(4, "E"), -1, "B C D A"},
          {at(-1, "E"), -1, "B C D A"},
          {at(0, "F"), 0, "F B C D A"}}},
        {"refused tags",
         {{append(""), -1, ""},
          {append(nullptr), -1, ""},
          {at(0, ""), -1, ""},
          {append("A"), 0, "A"},
          {before("A", nullptr, ""), -1, "A"},
          {after("A", nullptr, nullptr), -1, "A"},
          {before("", nullptr, "X"), -1, "A"},
          {after(nullptr, nullptr, "X"), -1, "A"}}},
    };
    for (const Scenario &scenario : scenarios) {
        MessageHolder msg;
        for (size_t i = 0; i < scenario.steps.size(); ++i) {
            const Step &step = scenario.steps[i];
            EXPECT_EQ(step.insert(msg.get()), step.expected) << scenario.label << ", step " << i;
            EXPECT_EQ(layout(msg.get()), step.layout_after) << scenario.label << ", step " << i;
        }
    }
}

TEST(Insertion, NewElementHoldsCopiesOfTheCallersTexts) {
    MessageHolder msg;
    char tag[] = "tag", name[] = "name", value[] = "value";
    ASSERT_EQ(movri_msg_append_element(msg.get(), tag, name, value), 0);
    ASSERT_EQ(movri_msg_insert_element_bypos(msg.get(), 0, tag, nullptr, ""), 0);
    tag[0] = name[0] = value[0] = 'X';
    EXPECT_EQ(layout(msg.get()), "tag= tag[name]=value");
}

}  // namespace
