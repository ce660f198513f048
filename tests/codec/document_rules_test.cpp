#include <gtest/gtest.h>

#include "codec/document_rules.h"
#include "codec/escape.h"

#include <optional>
#include <string>

namespace {

using movri::Charset;

std::optional<Charset> charset_of(const char *encoding) {
    Charset charset{};
    if (!movri::charset_of_encoding(encoding, charset)) return std::nullopt;
    return charset;
}

// Whether the writer lets the text stand in a document of the charset.
bool text_allowed(const char *text, Charset charset) {
    movri::DocumentBuffer doc;
    return movri_escape_value(doc, text, movri::EscapeContext::Value, charset);
}

TEST(DocumentRules, SortsEncodingNamesIntoCharsets) {
    const struct {
        const char *encoding;
        std::optional<Charset> charset;
    } cases[] = {
        {"ISO-8859-1", Charset::Latin1},   {"iso-8859-1", Charset::Latin1},
        {"UTF-8", Charset::Utf8},          {"utf-8", Charset::Utf8},
        {"Utf-8", Charset::Utf8},          {"US-ASCII", Charset::Ascii},
        {"us-ascii", Charset::Ascii},      {"windows-1252", Charset::Other},
        {"ISO-8859-15", Charset::Other},   {"x_1.2", Charset::Other},
        {nullptr, std::nullopt},           {"", std::nullopt},
        {"8859-1", std::nullopt},          {"-latin", std::nullopt},
        {"ISO 8859-1", std::nullopt},      {"ISO-8859-1'", std::nullopt},
        {"UTF-8?>", std::nullopt},         {"UTF-16", std::nullopt},
        {"utf-16", std::nullopt},          {"UTF-16LE", std::nullopt},
        {"UTF-16BE", std::nullopt},        {"UTF16", std::nullopt},
        {"UTF-32", std::nullopt},          {"UTF-32LE", std::nullopt},
        {"utf-32be", std::nullopt},        {"UCS-2", std::nullopt},
        {"UCS-2LE", std::nullopt},         {"ucs-2be", std::nullopt},
        {"UCS-4", std::nullopt},           {"UCS-4BE", std::nullopt},
        {"ISO-10646-UCS-2", std::nullopt}, {"ISO-10646-UCS-4", std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(charset_of(c.encoding), c.charset) << (c.encoding ? c.encoding : "(null)");
}

TEST(DocumentRules, AcceptsOnlyOnePointVersions) {
    for (const char *good : {"1.0", "1.1", "1.10"})
        EXPECT_TRUE(movri::is_xml_version(good)) << good;
    for (const char *bad : {static_cast<const char *>(nullptr), "", "1", "1.", "2.0", "1.0a",
                            " 1.0", "1.0 ", "1.x", "1.0'", "1.0?>"})
        EXPECT_FALSE(movri::is_xml_version(bad)) << (bad ? bad : "(null)");
}

TEST(DocumentRules, AcceptsTagsThatAreXmlNamesInTheCharset) {
    const struct {
        const char *tag;
        Charset charset;
        bool accepted;
    } cases[] = {
        {"ele", Charset::Latin1, true},
        {"_x", Charset::Latin1, true},
        {":x", Charset::Latin1, true},
        {"a-b.c_d:e9", Charset::Latin1, true},
        {nullptr, Charset::Latin1, false},
        {"", Charset::Latin1, false},
        {"1a", Charset::Latin1, false},
        {"-a", Charset::Latin1, false},
        {".a", Charset::Latin1, false},
        {"a b", Charset::Latin1, false},
        {"a'b", Charset::Latin1, false},
        {"a\"b", Charset::Latin1, false},
        {"a<b", Charset::Latin1, false},
        {"a>b", Charset::Latin1, false},
        {"a&b", Charset::Latin1, false},
        {"a=b", Charset::Latin1, false},
        {"a/b", Charset::Latin1, false},
        {"a\tb", Charset::Latin1, false},
        {"caf\xE9", Charset::Latin1, true},
        {"\xC0x", Charset::Latin1, true},
        {"a\xB7", Charset::Latin1, true},
        {"\xB7"
         "a",
         Charset::Latin1, false},
        {"a\xD7", Charset::Latin1, false},
        {"a\xF7", Charset::Latin1, false},
        {"a\x80", Charset::Latin1, false},
        {"a\xBF", Charset::Latin1, false},
        {"a\xA0", Charset::Latin1, false},
        {"caf\xC3\xA9", Charset::Utf8, true},
        {"a\xC2\xB7", Charset::Utf8, true},
        {"\xC2\xB7"
         "a",
         Charset::Utf8, false},
        {"a\xC3\x97", Charset::Utf8, false},
        {"caf\xE9", Charset::Utf8, false},
        {"caf\xC3", Charset::Utf8, false},
        {"caf\xE9", Charset::Ascii, false},
        {"ele", Charset::Ascii, true},
        {"caf\xE9", Charset::Other, true},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.tag != nullptr && movri::is_xml_name(c.tag, c.charset), c.accepted)
            << (c.tag ? c.tag : "(null)");
}

TEST(DocumentRules, RefusesControlBytesXmlForbidsInEveryCharset) {
    for (const Charset charset : {Charset::Latin1, Charset::Utf8, Charset::Ascii, Charset::Other}) {
        for (int byte = 1; byte < 0x20; ++byte) {
            const std::string text{'a', static_cast<char>(byte), 'b'};
            const bool allowed = byte == '\t' || byte == '\n' || byte == '\r';
            EXPECT_EQ(text_allowed(text.c_str(), charset), allowed) << byte;
        }
        EXPECT_TRUE(text_allowed("", charset));
        EXPECT_TRUE(text_allowed("x\x7Fy", charset));
    }
}

TEST(DocumentRules, ChecksHighBytesOfTextsByCharset) {
    const struct {
        const char *text;
        Charset charset;
        bool accepted;
    } cases[] = {
        {"\x80\xA0\xE9\xFF", Charset::Latin1, true},
        {"\x80\xA0\xE9\xFF", Charset::Other, true},
        {"caf\xE9", Charset::Ascii, false},
        {"\x80", Charset::Ascii, false},
        {"caf\xC3\xA9", Charset::Utf8, true},
        {"\xE2\x82\xAC \xF0\x9F\x98\x80", Charset::Utf8, true},
        {"\xED\x9F\xBF\xEE\x80\x80", Charset::Utf8, true},  // U+D7FF, U+E000
        {"\xEF\xBF\xBD", Charset::Utf8, true},              // U+FFFD
        {"\xF4\x8F\xBF\xBF", Charset::Utf8, true},          // U+10FFFF
        {"\xC2\x80\xDF\xBF", Charset::Utf8, true},          // U+0080, U+07FF
        {"\xE0\xA0\x80\xE0\xBF\xBF", Charset::Utf8, true},  // U+0800, U+0FFF
        {"\xF0\x90\x80\x80", Charset::Utf8, true},          // U+10000
        {"\xE0\x9F\xBF", Charset::Utf8, false},             // overlong U+07FF
        {"\xF0\x8F\xBF\xBF", Charset::Utf8, false},         // overlong U+FFFF
        {"caf\xE9", Charset::Utf8, false},
        {"\x80", Charset::Utf8, false},
        {"\xC0\xAF", Charset::Utf8, false},          // overlong '/'
        {"\xC1\xBF", Charset::Utf8, false},          // overlong
        {"\xE0\x80\xAF", Charset::Utf8, false},      // overlong
        {"\xF0\x80\x80\xAF", Charset::Utf8, false},  // overlong
        {"\xED\xA0\x80", Charset::Utf8, false},      // U+D800
        {"\xED\xBF\xBF", Charset::Utf8, false},      // U+DFFF
        {"\xEF\xBF\xBE", Charset::Utf8, false},      // U+FFFE
        {"\xEF\xBF\xBF", Charset::Utf8, false},      // U+FFFF
        {"\xF4\x90\x80\x80", Charset::Utf8, false},  // above U+10FFFF
        {"\xF5\x80\x80\x80", Charset::Utf8, false},
        {"\xFF", Charset::Utf8, false},
        {"a\xC3", Charset::Utf8, false},
        {"a\xE2\x82", Charset::Utf8, false},
        {"\xE2\x82"
         "a",
         Charset::Utf8, false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(text_allowed(c.text, c.charset), c.accepted) << testing::PrintToString(c.text);
}

}  // namespace
