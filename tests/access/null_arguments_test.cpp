// No exported operation crashes on a null message, a message whose sequence
// is missing, or a null out argument: each gives -1 or null and allocates
// nothing.
#include <gtest/gtest.h>

#include "message_layout.h"
#include "model/sequence.h"
#include "movrimsg.h"
#include "support/counting_heap.h"

#include <functional>

namespace {

struct StatusCall {
    const char *label;
    std::function<int32_t(movri_msg *)> call;
};

struct TextCall {
    const char *label;
    std::function<const char *(movri_msg *)> call;
};

const char kDocument[] = "<?xml version='1.0'?><movrimsg><id>1</id></movrimsg>";

// Every operation that needs the message's sequence.
const StatusCall kSequenceCalls[] = {
    {"eol", [](movri_msg *m) { return movri_msg_eol(m, 0); }},
    {"find", [](movri_msg *m) { return movri_msg_find_element(m, "id", nullptr); }},
    {"get_bypos",
     [](movri_msg *m) {
         movri_element *e = reinterpret_cast<movri_element *>(&e);
         const int32_t r = movri_msg_get_element_bypos(m, 0, &e);
         return e == nullptr ? r : 99;
     }},
    {"get_byname",
     [](movri_msg *m) {
         movri_element *e = reinterpret_cast<movri_element *>(&e);
         const int32_t r = movri_msg_get_element_byname(m, "id", nullptr, &e);
         return e == nullptr ? r : 99;
     }},
    {"set_value_byname",
     [](movri_msg *m) { return movri_msg_set_element_value_byname(m, "id", nullptr, "v"); }},
    {"set_value_bypos", [](movri_msg *m) { return movri_msg_set_element_value_bypos(m, 0, "v"); }},
    {"append", [](movri_msg *m) { return movri_msg_append_element(m, "t", "n", "v"); }},
    {"insert_before",
     [](movri_msg *m) {
         return movri_msg_insert_element_before_name(m, "r", nullptr, "t", "n", "v");
     }},
    {"insert_after",
     [](movri_msg *m) {
         return movri_msg_insert_element_after_name(m, "r", nullptr, "t", "n", "v");
     }},
    {"insert_bypos",
     [](movri_msg *m) { return movri_msg_insert_element_bypos(m, 0, "t", "n", "v"); }},
    {"set_id", [](movri_msg *m) { return movri_msg_set_id(m, "v"); }},
    {"set_sn", [](movri_msg *m) { return movri_msg_set_sn(m, "v"); }},
    {"set_total", [](movri_msg *m) { return movri_msg_set_total(m, "v"); }},
    {"set_msgmode", [](movri_msg *m) { return movri_msg_set_msgmode(m, "v"); }},
    {"set_msgname", [](movri_msg *m) { return movri_msg_set_msgname(m, "v"); }},
    {"to_str",
     [](movri_msg *m) {
         char *text = nullptr;
         const int32_t r = movri_msg_to_str(m, &text);
         return text == nullptr ? r : 99;
     }},
    {"parse", [](movri_msg *m) { return movri_msg_parse(m, kDocument); }},
    {"clone",
     [](movri_msg *m) {
         movri_msg *copy = reinterpret_cast<movri_msg *>(&copy);
         const int32_t r = movri_msg_clone(m, &copy);
         return copy == nullptr ? r : 99;
     }},
};

const TextCall kHeaderGetters[] = {
    {"get_id", [](movri_msg *m) { return movri_msg_get_id(m); }},
    {"get_sn", [](movri_msg *m) { return movri_msg_get_sn(m); }},
    {"get_total", [](movri_msg *m) { return movri_msg_get_total(m); }},
    {"get_msgmode", [](movri_msg *m) { return movri_msg_get_msgmode(m); }},
    {"get_msgname", [](movri_msg *m) { return movri_msg_get_msgname(m); }},
};

void expect_refusals(movri_msg *msg, const char *what) {
    testheap::reset();
    for (const StatusCall &c : kSequenceCalls)
        EXPECT_EQ(c.call(msg), -1) << what << ": " << c.label;
    for (const TextCall &c : kHeaderGetters)
        EXPECT_EQ(c.call(msg), nullptr) << what << ": " << c.label;
}

TEST(NullArguments, NullMessageIsRefusedByEveryOperation) {
    const int64_t live = testheap::live_blocks();
    expect_refusals(nullptr, "null message");
    EXPECT_EQ(testheap::live_blocks(), live);
}

TEST(NullArguments, MessageWithoutSequenceIsRefusedAndKeepsItsProperties) {
    MessageHolder holder;
    movri_msg *msg = holder.get();
    movri_list *elements = msg->elements;
    msg->elements = nullptr;
    const int64_t live = testheap::live_blocks();
    expect_refusals(msg, "no sequence");
    EXPECT_EQ(testheap::live_blocks(), live);
    EXPECT_STREQ(movri_msg_get_version(msg), "1.0");
    EXPECT_EQ(movri_msg_set_dtd(msg, "other.dtd"), 0);
    msg->elements = elements;
}

TEST(NullArguments, NullOutArgumentsAllocateNothing) {
    MessageHolder msg;
    ASSERT_EQ(movri_msg_append_element(msg.get(), "id", nullptr, "1"), 0);
    testheap::reset();
    EXPECT_EQ(movri_msg_init(nullptr), -1);
    EXPECT_EQ(movri_element_init(nullptr), -1);
    EXPECT_EQ(movri_msg_get_element_bypos(msg.get(), 0, nullptr), -1);
    EXPECT_EQ(movri_msg_get_element_byname(msg.get(), "id", nullptr, nullptr), -1);
    EXPECT_EQ(movri_msg_to_str(msg.get(), nullptr), -1);
    EXPECT_EQ(movri_msg_clone(msg.get(), nullptr), -1);
    EXPECT_EQ(testheap::attempts(), 0);
}

TEST(NullArguments, NullTagsAreRefusedWithoutChangingTheMessage) {
    MessageHolder msg;
    ASSERT_EQ(movri_msg_append_element(msg.get(), "id", nullptr, "1"), 0);
    EXPECT_EQ(movri_msg_find_element(msg.get(), nullptr, nullptr), -1);
    EXPECT_EQ(movri_msg_set_element_value_byname(msg.get(), nullptr, nullptr, "x"), -1);
    EXPECT_EQ(movri_msg_insert_element_bypos(msg.get(), 0, nullptr, nullptr, nullptr), -1);
    EXPECT_EQ(movri_msg_parse(msg.get(), nullptr), -1);
    EXPECT_EQ(layout(msg.get()), "id=1");
}

}  // namespace
