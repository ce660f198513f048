#include <gtest/gtest.h>

#include "message_helpers.h"

#include <string>
#include <vector>

namespace {

using namespace codec_test;

const std::optional<std::string> kAbsent;

Msg clone_of(const movri_msg *src) {
    movri_msg *copy = nullptr;
    EXPECT_EQ(movri_msg_clone(src, &copy), 0);
    return Msg(copy);
}

TEST(Clone, CopiesWhatSurvivesTheDocument) {
    const struct {
        std::vector<Element> source;
        std::vector<Element> copy;
    } cases[] = {
        {{{"id", kAbsent, "1"},
          {"msgname", kAbsent, "n"},
          {"ele", "a", "x<y"},
          {"ele", "it's", "caf\xE9\r\n"}},
         {{"id", kAbsent, "1"},
          {"msgname", kAbsent, "n"},
          {"ele", "a", "x<y"},
          {"ele", "it's", "caf\xE9\r\n"}}},
        {{{"msgname", kAbsent, "n"}, {"ele", "a", "x"}, {"id", kAbsent, "1"}},
         {{"id", kAbsent, "1"}, {"msgname", kAbsent, "n"}, {"ele", "a", "x"}}},
        {{{"ele", "a", "x"},
          {"other", "o", "lost"},
          {"ele", kAbsent, "lost"},
          {"ID", kAbsent, "2"},
          {"ele", "b", "y"}},
         {{"ele", "a", "x"}, {"ele", "b", "y"}}},
        {{{"ele", "a", kAbsent}, {"ele", "b", ""}}, {{"ele", "a", kAbsent}, {"ele", "b", kAbsent}}},
        {{}, {}},
    };
    for (const auto &c : cases) {
        const Msg src = message_of(c.source);
        EXPECT_EQ(elements_of(clone_of(src.get()).get()), c.copy);
    }
}

TEST(Clone, GivesTheCopyTheDefaultProperties) {
    const Msg src = message_of({{"ele", "caf\xC3\xA9", "\xE2\x82\xAC 5"}});
    movri_msg_set_version(src.get(), "1.1");
    movri_msg_set_encoding(src.get(), "UTF-8");
    movri_msg_set_dtd(src.get(), "other.dtd");
    const Msg copy = clone_of(src.get());
    EXPECT_STREQ(movri_msg_get_version(copy.get()), "1.0");
    EXPECT_STREQ(movri_msg_get_encoding(copy.get()), "ISO-8859-1");
    EXPECT_STREQ(movri_msg_get_dtd(copy.get()), "movrimsg.dtd");
    EXPECT_EQ(elements_of(copy.get()), (std::vector<Element>{{"ele", "caf\xE9", "? 5"}}));
}

TEST(Clone, RefusesAndLeavesNoMessage) {
    const Msg too_long = message_of({{"ele", "a", std::string(MOVRI_TEXT_LIMIT, 'x')}});
    const Msg not_writable = message_of({{"ele", "a", "\x01"}});
    const movri_msg *sources[] = {nullptr, too_long.get(), not_writable.get()};
    for (const movri_msg *src : sources) {
        movri_msg *copy = reinterpret_cast<movri_msg *>(&copy);
        EXPECT_EQ(movri_msg_clone(src, &copy), -1);
        EXPECT_EQ(copy, nullptr);
    }
    EXPECT_EQ(movri_msg_clone(too_long.get(), nullptr), -1);
}

}  // namespace
