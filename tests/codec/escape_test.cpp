#include <gtest/gtest.h>

#include "codec/escape.h"

#include <optional>
#include <string>

namespace {

using movri::DocumentBuffer;
using movri::EscapeContext;

std::optional<std::string> checked(const char *text, EscapeContext context,
                                   movri::Charset charset) {
    DocumentBuffer doc;
    if (!movri_escape_value(doc, text, context, charset)) return std::nullopt;
    return std::string(doc.text());
}

std::string escaped(const std::string &text, EscapeContext context) {
    return checked(text.c_str(), context, movri::Charset::Latin1).value_or("(refused)");
}

struct EscapeCase {
    std::string text;
    std::string in_value;
    std::string in_name;
};

const EscapeCase kCases[] = {
    {"\"", "&quot;", "&quot;"},
    {"&", "&amp;", "&amp;"},
    {"'", "&apos;", "&apos;"},
    {"<", "&lt;", "&lt;"},
    {">", "&gt;", "&gt;"},
    {"\r", "&#13;", "&#13;"},
    {"\t", "\t", "&#9;"},
    {"\n", "\n", "&#10;"},
    {"plain text", "plain text", "plain text"},
    {"caf\xE9 \x7F\x80\xFF", "caf\xE9 \x7F\x80\xFF", "caf\xE9 \x7F\x80\xFF"},
    {"a<b>&c'd\"e", "a&lt;b&gt;&amp;c&apos;d&quot;e", "a&lt;b&gt;&amp;c&apos;d&quot;e"},
    {"", "", ""},
};

TEST(Escape, WritesEachSpecialByteAsItsReference) {
    for (const EscapeCase &c : kCases) {
        EXPECT_EQ(escaped(c.text, EscapeContext::Value), c.in_value) << c.text;
        EXPECT_EQ(escaped(c.text, EscapeContext::Name), c.in_name) << c.text;
    }
}

TEST(Escape, WritesHighBytesUnchangedInSingleByteCharsets) {
    for (const EscapeCase &c : kCases) {
        EXPECT_EQ(checked(c.text.c_str(), EscapeContext::Value, movri::Charset::Other), c.in_value)
            << c.text;
        EXPECT_EQ(checked(c.text.c_str(), EscapeContext::Name, movri::Charset::Other), c.in_name)
            << c.text;
    }
}

TEST(Escape, RefusesCheckedTextsTheCharsetDoesNotAllow) {
    using movri::Charset;
    const struct {
        const char *text;
        Charset charset;
        std::optional<std::string> written;
    } cases[] = {
        {"a\x01", Charset::Latin1, std::nullopt},
        {"a\x1F&", Charset::Other, std::nullopt},
        {"&\x0B", Charset::Utf8, std::nullopt},
        {"x\x7F", Charset::Ascii, "x\x7F"},
        {"\x80", Charset::Ascii, std::nullopt},
        {"\x80\xFF", Charset::Other, "\x80\xFF"},
        {"<caf\xC3\xA9>\xF0\x9F\x98\x80", Charset::Utf8, "&lt;caf\xC3\xA9&gt;\xF0\x9F\x98\x80"},
        {"caf\xE9", Charset::Utf8, std::nullopt},
        {"a\xC3", Charset::Utf8, std::nullopt},
        {"\xED\xA0\x80", Charset::Utf8, std::nullopt},
        {"\xEF\xBF\xBF", Charset::Utf8, std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(checked(c.text, EscapeContext::Value, c.charset), c.written)
            << testing::PrintToString(c.text);
}

TEST(Escape, GrowsAValueOfTheFiveSpecialsByTwentyBytes) {
    EXPECT_EQ(escaped("\"&'<>", EscapeContext::Value).size(), 5u + 20u);
}

TEST(DocumentBuffer, HoldsExactlyTheTextLimit) {
    DocumentBuffer doc;
    EXPECT_TRUE(doc.append(std::string(MOVRI_TEXT_LIMIT - 1, 'x')));
    EXPECT_FALSE(doc.append("yz"));
    EXPECT_EQ(doc.text().size(), size_t{MOVRI_TEXT_LIMIT - 1});
    EXPECT_TRUE(doc.append("y"));
    EXPECT_EQ(doc.room(), 0u);
    EXPECT_FALSE(doc.append("z"));
    EXPECT_EQ(doc.text(), std::string(MOVRI_TEXT_LIMIT - 1, 'x') + "y");
}

TEST(Escape, RefusesAThousandAmpersandsWithoutWritingPastTheBuffer) {
    DocumentBuffer doc;
    const std::string ampersands(1000, '&');
    EXPECT_FALSE(
        movri_escape_value(doc, ampersands.c_str(), EscapeContext::Value, movri::Charset::Latin1));
    EXPECT_LE(doc.text().size(), size_t{MOVRI_TEXT_LIMIT});
}

TEST(Escape, FitsAReferenceThatEndsExactlyAtTheLimit) {
    DocumentBuffer doc;
    ASSERT_TRUE(doc.append(std::string(MOVRI_TEXT_LIMIT - 5, 'x')));
    EXPECT_TRUE(movri_escape_value(doc, "&", EscapeContext::Value, movri::Charset::Latin1));
    EXPECT_EQ(doc.room(), 0u);
}

}  // namespace
