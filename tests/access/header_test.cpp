// The five header elements: canonical order whatever order they are set in,
// updates in place, and the rules for finding an earlier header element.
#include <gtest/gtest.h>

#include "message_layout.h"
#include "movrimsg.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <string>

namespace {

struct Header {
    const char *tag;
    int32_t (*set)(movri_msg *, const char *);
    const char *(*get)(const movri_msg *);
};

const Header kHeaders[] = {
    {"id", movri_msg_set_id, movri_msg_get_id},
    {"sn", movri_msg_set_sn, movri_msg_get_sn},
    {"total", movri_msg_set_total, movri_msg_get_total},
    {"msgmode", movri_msg_set_msgmode, movri_msg_get_msgmode},
    {"msgname", movri_msg_set_msgname, movri_msg_get_msgname},
};

TEST(Header, CanonicalOrderWhateverOrderTheHeadersAreSetIn) {
    std::array<int, 5> order = {0, 1, 2, 3, 4};
    int permutations = 0;
    do {
        ++permutations;
        MessageHolder msg;
        ASSERT_EQ(movri_msg_append_element(msg.get(), "ele", "body", "b"), 0);
        std::string label = "set order:";
        for (int h : order) {
            label += std::string(" ") + kHeaders[h].tag;
            const int32_t pos = kHeaders[h].set(msg.get(), kHeaders[h].tag);
            EXPECT_EQ(pos, movri_msg_find_element(msg.get(), kHeaders[h].tag, nullptr)) << label;
        }
        EXPECT_EQ(layout(msg.get()),
                  "id=id sn=sn total=total msgmode=msgmode msgname=msgname ele[body]=b")
            << label;
        for (int h = 0; h < 5; ++h) {
            EXPECT_EQ(kHeaders[h].set(msg.get(), "again"), h) << label;
            EXPECT_STREQ(kHeaders[h].get(msg.get()), "again") << label;
        }
        EXPECT_EQ(msg.get()->elements->count, 6) << label;
    } while (std::next_permutation(order.begin(), order.end()));
    EXPECT_EQ(permutations, 120);
}

TEST(Header, SettingSnThenIdPutsIdInFront) {
    MessageHolder msg;
    EXPECT_EQ(movri_msg_set_sn(msg.get(), "s"), 0);
    EXPECT_EQ(movri_msg_set_id(msg.get(), "i"), 0);
    EXPECT_EQ(movri_msg_set_total(msg.get(), "t"), 2);
    EXPECT_STREQ(movri_msg_get_sn(msg.get()), "s");
    EXPECT_EQ(layout(msg.get()), "id=i sn=s total=t");
}

TEST(Header, ExistingHeaderElementIsUpdatedWhereItStands) {
    MessageHolder msg;
    ASSERT_EQ(movri_msg_set_id(msg.get(), "1"), 0);
    for (const char *tag : {"a", "b", "c"})
        ASSERT_EQ(movri_msg_insert_element_bypos(msg.get(), 0, tag, nullptr, nullptr), 0);
    EXPECT_EQ(movri_msg_set_id(msg.get(), "2"), 3);
    EXPECT_EQ(movri_msg_set_sn(msg.get(), "s"), 4);
    EXPECT_EQ(layout(msg.get()), "c b a id=2 sn=s");
}

TEST(Header, TagInCapitalsIsReadAndUpdatedNotDuplicated) {
    MessageHolder msg;
    ASSERT_EQ(movri_msg_append_element(msg.get(), "ID", nullptr, "upper"), 0);
    EXPECT_STREQ(movri_msg_get_id(msg.get()), "upper");
    EXPECT_EQ(movri_msg_set_id(msg.get(), "changed"), 0);
    EXPECT_EQ(movri_msg_set_sn(msg.get(), "s"), 1);
    EXPECT_EQ(layout(msg.get()), "ID=changed sn=s");
}

TEST(Header, NamedHeaderElementIsReadButDoesNotServeAsReference) {
    MessageHolder msg;
    ASSERT_EQ(movri_msg_append_element(msg.get(), "ele", "a", "x"), 0);
    ASSERT_EQ(movri_msg_append_element(msg.get(), "id", "named", "1"), 1);
    EXPECT_STREQ(movri_msg_get_id(msg.get()), "1");
    EXPECT_EQ(movri_msg_set_sn(msg.get(), "2"), 0);
    EXPECT_EQ(movri_msg_set_id(msg.get(), "3"), 2);
    EXPECT_EQ(layout(msg.get()), "sn=2 ele[a]=x id[named]=3");
}

TEST(Header, NullValueAddsOrClearsTheElement) {
    MessageHolder msg;
    EXPECT_EQ(movri_msg_set_msgmode(msg.get(), nullptr), 0);
    EXPECT_EQ(movri_msg_get_msgmode(msg.get()), nullptr);
    EXPECT_EQ(layout(msg.get()), "msgmode");
    EXPECT_EQ(movri_msg_set_msgmode(msg.get(), "m"), 0);
    EXPECT_EQ(movri_msg_set_msgmode(msg.get(), nullptr), 0);
    EXPECT_EQ(layout(msg.get()), "msgmode");
}

TEST(Header, GettersGiveNullWhenTheElementIsMissing) {
    MessageHolder msg;
    ASSERT_EQ(movri_msg_append_element(msg.get(), "totals", nullptr, "x"), 0);
    ASSERT_EQ(movri_msg_append_element(msg.get(), "tota", nullptr, "x"), 1);
    for (const Header &h : kHeaders)
        EXPECT_EQ(h.get(msg.get()), nullptr) << h.tag;
}

}  // namespace
