#include <gtest/gtest.h>

#include "codec/latin1.h"

#include <string>

namespace {

std::string to_latin1(const std::string &utf8) {
    std::string out(utf8.size() + 1, '#');
    const size_t written = movri::movri_utf8_to_latin1(utf8.data(), utf8.size(), out.data());
    EXPECT_LE(written, utf8.size());
    EXPECT_EQ(out[utf8.size()], '#') << "wrote past the room it was given";
    return out.substr(0, written);
}

std::string utf8_of(unsigned code) {
    if (code < 0x80) return std::string(1, static_cast<char>(code));
    return {static_cast<char>(0xC0 | (code >> 6)), static_cast<char>(0x80 | (code & 0x3F))};
}

TEST(Latin1, ConvertsEveryCharacterUpToU00FFToItsByte) {
    for (unsigned code = 1; code <= 0xFF; ++code)
        EXPECT_EQ(to_latin1(utf8_of(code)), std::string(1, static_cast<char>(code))) << code;
}

TEST(Latin1, GivesOneQuestionMarkPerCharacterAboveU00FFAndGoesOn) {
    const struct {
        std::string utf8;
        std::string latin1;
    } cases[] = {
        {"plain", "plain"},
        {"caf\xC3\xA9", "caf\xE9"},
        {"eight by\xC3\xA9tes", "eight by\xE9tes"},                      // an ASCII word, then more
        {"caf\xC3\xA9 au lait \xC3\xA0 la", "caf\xE9 au lait \xE0 la"},  // no ASCII word first
        {"\xC4\x80", "?"},                                               // U+0100
        {"\xC5\x81\xC3\xB3"
         "d\xC5\xBA",
         "?\xF3"
         "d?"},                           // Lodz with stroke and acute
        {"5\xE2\x82\xAC net", "5? net"},  // euro sign
        {"\xEF\xBF\xBD!", "?!"},          // U+FFFD
        {"\xF0\x9D\x84\x9Ex", "?x"},      // U+1D11E
        {"a\xDF\xBF"
         "b",
         "a?b"},  // U+07FF
        {"\xE0\xA0\x80"
         "b\xE0\xBF\xBF",
         "?b?"},          // U+0800, U+0FFF
        {"\x80x", "?x"},  // stray continuation byte
        {"a\xC3", "a?"},  // cut after the lead byte
        {"a\xE2\x82", "a?"},
        {"a\xF0\x9F\x98", "a?"},
        {"", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(to_latin1(c.utf8), c.latin1) << c.utf8;
}

}  // namespace
