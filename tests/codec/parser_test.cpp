#include <gtest/gtest.h>

#include "codec/parser.h"
#include "message_helpers.h"
#include "support/counting_heap.h"

#include <regex>
#include <string>
#include <vector>

namespace {

using namespace codec_test;

const std::optional<std::string> kAbsent;

std::vector<Element> parsed(const std::string &text) {
    Msg msg = new_message();
    const ParseOutcome outcome = parse_into(msg.get(), text.c_str());
    EXPECT_EQ(outcome.result, 0) << text;
    EXPECT_EQ(outcome.diagnostics, "") << text;
    return elements_of(msg.get());
}

std::string diagnostic(XML_Error error, int line) {
    return std::string(XML_ErrorString(error)) + " at line " + std::to_string(line) + "\n";
}

TEST(Parser, ReadsBackWhatTheWriterWrote) {
    const std::vector<Element> messages[] = {
        {{"id", kAbsent, "1"},
         {"sn", kAbsent, "2"},
         {"total", kAbsent, "3"},
         {"msgmode", kAbsent, "req"},
         {"msgname", kAbsent, "order"},
         {"ele", "a", "x<y"},
         {"ele", "b", "\"&'<>"},
         {"ele", "c", kAbsent},
         {"ele", "a", "again"}},
        // names escaped, tab, line feed and carriage return kept
        {{"ele", "it's <&> \"q\"", "v"}, {"ele", "a\tb\nc\rd", "v"}, {"ele", "", "v"}},
        // carriage returns in values, single-byte names and values
        {{"ele", "n", "line\r\nnext\rlast\n"}, {"ele", "caf\xE9", "na\xEFve \xA0\xFF"}},
    };
    for (const auto &elements : messages) {
        const Text text = rendered(message_of(elements).get());
        ASSERT_TRUE(text.has_value());
        EXPECT_EQ(parsed(*text), elements) << *text;
    }
}

TEST(Parser, RoundTripsEveryByteXmlAllowsInLatin1AndUtf8) {
    std::string latin1;
    std::string utf8;
    for (int byte = 1; byte <= 0xFF; ++byte) {
        if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r') continue;
        latin1 += static_cast<char>(byte);
        if (byte < 0x80) {
            utf8 += static_cast<char>(byte);
        } else {
            utf8 += static_cast<char>(0xC0 | (byte >> 6));
            utf8 += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    for (const auto &[encoding, text] : {std::pair{"ISO-8859-1", latin1}, {"UTF-8", utf8}}) {
        Msg msg = message_of({{"ele", text, text}});
        movri_msg_set_encoding(msg.get(), encoding);
        const Text doc = rendered(msg.get());
        ASSERT_TRUE(doc.has_value()) << encoding;
        EXPECT_EQ(parsed(*doc), (std::vector<Element>{{"ele", latin1, latin1}})) << encoding;
    }
}

std::string repeated(const std::string &unit, int times) {
    std::string text;
    for (int i = 0; i < times; ++i)
        text += unit;
    return text;
}

TEST(Parser, ReadsHandWrittenDocuments) {
    const struct {
        std::string what;
        std::string text;
        std::vector<Element> elements;
    } cases[] = {
        {"indented",
         "<?xml version='1.0'?>\n<movrimsg>\n  <id>1</id>\n  <msgname>m</msgname>\n"
         "  <ele name='a'>x</ele>\n</movrimsg>\n",
         {{"id", kAbsent, "1"}, {"msgname", kAbsent, "m"}, {"ele", "a", "x"}}},
        {"text before the first element dropped",
         document("lost<id>1</id>"),
         {{"id", kAbsent, "1"}}},
        {"unknown element between recognised ones dropped",
         document("<id>1</id><item>lost</item><ele name='a'>x</ele>"),
         {{"id", kAbsent, "1"}, {"ele", "a", "x"}}},
        {"unknown elements inside a recognised one joined",
         document("<ele name='a'>x<b>y<c>z</c></b>w</ele>"),
         {{"ele", "a", "xyzw"}}},
        {"ele without attributes ignored with its text",
         document("<id>1</id><sn>2</sn><total>3</total><msgmode>m</msgmode><msgname>n</msgname>"
                  "<ele name='a'>x</ele><ele>lost</ele><ele name='b'>y</ele>"),
         {{"id", kAbsent, "1"},
          {"sn", kAbsent, "2"},
          {"total", kAbsent, "3"},
          {"msgmode", kAbsent, "m"},
          {"msgname", kAbsent, "n"},
          {"ele", "a", "x"},
          {"ele", "b", "y"}}},
        {"ele inside ele ends at its end tag",
         document("<ele name='a'>x<ele name='b'>y</ele>lost</ele>"),
         {{"ele", "a", "x"}, {"ele", "b", "y"}}},
        {"other attribute name", document("<ele key='k'>v</ele>"), {{"ele", "k", "v"}}},
        {"first attribute counts", document("<ele z='1' name='2'>v</ele>"), {{"ele", "1", "v"}}},
        {"other letter case ignored",
         document("<id>1</id><ID>lost</ID><Ele name='a'>lost</Ele><ELE name='b'/>"),
         {{"id", kAbsent, "1"}}},
        {"header placed in canonical order",
         document("<msgname>m</msgname><id>1</id>"),
         {{"id", kAbsent, "1"}, {"msgname", kAbsent, "m"}}},
        {"repeated header refilled", document("<id>1</id><id>2</id>"), {{"id", kAbsent, "2"}}},
        {"empty elements absent",
         document("<id></id><ele name='a'/><ele name='b'></ele>"),
         {{"id", kAbsent, kAbsent}, {"ele", "a", kAbsent}, {"ele", "b", kAbsent}}},
        {"references, CDATA and comments",
         document("<ele name='a&#9;b&#10;c&#13;d&lt;'>x&lt;y&#13;&#xE9;<![CDATA[<&>]]>"
                  "<!-- c --><?pi x?>z</ele>"),
         {{"ele", "a\tb\nc\rd<", "x<y\r\xE9<&>z"}}},
        {"literal line ends normalised",
         document("<ele name='a\tb'>x\r\ny\rz</ele>"),
         {{"ele", "a b", "x\ny\nz"}}},
        {"ISO-8859-1 bytes",
         document("<ele name='caf\xE9'>\xE9t\xE9</ele>"),
         {{"ele", "caf\xE9", "\xE9t\xE9"}}},
        {"UTF-8 in single bytes",
         document("<ele name='caf\xC3\xA9'>\xC3\xA9t\xC3\xA9</ele>", "UTF-8"),
         {{"ele", "caf\xE9", "\xE9t\xE9"}}},
        {"UTF-8 above U+00FF as question marks",
         document("<ele name='\xC5\x81\xC3\xB3"
                  "d\xC5\xBA'>5\xE2\x82\xAC net \xF0\x9D\x84\x9E!"
                  "</ele>",
                  "utf-8"),
         {{"ele",
           "?\xF3"
           "d?",
           "5? net ?!"}}},
        {"no declaration decoded as UTF-8",
         "<movrimsg><id>\xC3\xA9</id></movrimsg>",
         {{"id", kAbsent, "\xE9"}}},
        {"US-ASCII", document("<id>plain</id>", "US-ASCII"), {{"id", kAbsent, "plain"}}},
        {"UTF-8 at the end of short pieces",
         document("<ele name='abcdefgh\xC3\xA9'>abcdefghijkl\xC3\xA9</ele><ele name='ab\xC3\xA9'>"
                  "abcd\xC3\xA9</ele>",
                  "UTF-8"),
         {{"ele", "abcdefgh\xE9", "abcdefghijkl\xE9"}, {"ele", "ab\xE9", "abcd\xE9"}}},
        {"value of many pieces longer than the first buffer",
         document("<ele name='a'>" + repeated("ab&amp;", 40) + "</ele>"),
         {{"ele", "a", repeated("ab&", 40)}}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(parsed(c.text), c.elements) << c.what;
}

TEST(Parser, KeepsValuesLongerThanTheWritersLimitWhole) {
    const std::string plain(10000, 'x');
    std::string lines;
    for (int i = 0; i < 3000; ++i)
        lines += "line\n";
    const std::string accents(6000, 'a');
    std::string utf8_accents;
    for (int i = 0; i < 6000; ++i)
        utf8_accents += "\xC3\xA9";
    EXPECT_EQ(
        parsed(document("<ele name='p'>" + plain + "</ele><ele name='l'>" + lines +
                            "</ele><ele name='u'>" + utf8_accents + "</ele>",
                        "UTF-8")),
        (std::vector<Element>{
            {"ele", "p", plain}, {"ele", "l", lines}, {"ele", "u", std::string(6000, '\xE9')}}));
}

TEST(Parser, GathersAValueOfManyReferencesWithFewAllocations) {
    std::string references;
    for (int i = 0; i < 200000; ++i)
        references += "&amp;";
    const std::string text = document("<ele name='a'>" + references + "</ele>");
    Msg msg = new_message();
    testheap::reset();
    ASSERT_EQ(movri_msg_parse(msg.get(), text.c_str()), 0);
    // Doubling growth: a few dozen allocations, not one per reference.
    EXPECT_LT(testheap::attempts(), 100);
    EXPECT_EQ(elements_of(msg.get()),
              (std::vector<Element>{{"ele", "a", std::string(200000, '&')}}));
}

TEST(Parser, AddsToTheMessageAndRefillsTheHeaderWhenParsedTwice) {
    const std::string text = document(
        "<id>1</id><sn>2</sn><total>3</total><msgmode>m</msgmode><msgname>n</msgname>"
        "<ele name='a'>x</ele><ele name='b'>y</ele>");
    Msg msg = message_of({{"id", kAbsent, "old"}, {"ele", "z", "kept"}});
    ASSERT_EQ(parse_into(msg.get(), text.c_str()).result, 0);
    ASSERT_EQ(parse_into(msg.get(), text.c_str()).result, 0);
    EXPECT_EQ(elements_of(msg.get()), (std::vector<Element>{{"id", kAbsent, "1"},
                                                            {"sn", kAbsent, "2"},
                                                            {"total", kAbsent, "3"},
                                                            {"msgmode", kAbsent, "m"},
                                                            {"msgname", kAbsent, "n"},
                                                            {"ele", "z", "kept"},
                                                            {"ele", "a", "x"},
                                                            {"ele", "b", "y"},
                                                            {"ele", "a", "x"},
                                                            {"ele", "b", "y"}}));
}

TEST(Parser, ReportsAFailureOnOneLineAndKeepsWhatItAdded) {
    const struct {
        std::string text;
        XML_Error error;
        int line;
    } cases[] = {
        {"<movrimsg>\n<id>1</id>\n<ele name='a'>x</ele>\n<ele name='b'>", XML_ERROR_NO_ELEMENTS, 4},
        {"<movrimsg>\n<id>1</id>\n<ele name='a'>x</ele>\n<ele name='b'>\x01</ele></movrimsg>",
         XML_ERROR_INVALID_TOKEN, 4},
        {"<movrimsg><id>1</id><ele name='a'>x</ele><ele name='b'></elf></movrimsg>",
         XML_ERROR_TAG_MISMATCH, 1},
        {"<?xml version='1.0' encoding='x-unknown'?><movrimsg/>", XML_ERROR_UNKNOWN_ENCODING, 1},
        {"", XML_ERROR_NO_ELEMENTS, 1},
    };
    for (const auto &c : cases) {
        Msg msg = new_message();
        const ParseOutcome outcome = parse_into(msg.get(), c.text.c_str());
        EXPECT_EQ(outcome.result, -1) << c.text;
        EXPECT_EQ(outcome.diagnostics, diagnostic(c.error, c.line)) << c.text;
        const std::vector<Element> elements = elements_of(msg.get());
        if (c.text.find("<ele name='b'>") == std::string::npos) continue;
        ASSERT_EQ(elements.size(), 3u) << c.text;
        EXPECT_EQ(elements[0], (Element{"id", kAbsent, "1"}));
        EXPECT_EQ(elements[1], (Element{"ele", "a", "x"}));
        EXPECT_EQ(elements[2].name, "b");
    }
}

TEST(Parser, RefusesNullArgumentsSilently) {
    Msg msg = new_message();
    const ParseOutcome null_text = parse_into(msg.get(), nullptr);
    EXPECT_EQ(null_text.result, -1);
    EXPECT_EQ(null_text.diagnostics, "");
    const ParseOutcome null_msg = parse_into(nullptr, document("").c_str());
    EXPECT_EQ(null_msg.result, -1);
    EXPECT_EQ(null_msg.diagnostics, "");
}

TEST(Parser, StopsWithTheDiagnosticWhenItCannotStoreData) {
    const std::string text =
        document("\n<id>1</id><msgname>n</msgname>\n<ele name='a'>x&amp;y</ele><ele name='b'>" +
                 std::string(300, 'z') + "</ele>");
    const std::regex one_line(std::string(XML_ErrorString(XML_ERROR_NO_MEMORY)) +
                              " at line [0-9]+\n");
    int64_t needed = 0;
    {
        Msg msg = new_message();
        testheap::reset();
        ASSERT_EQ(movri_msg_parse(msg.get(), text.c_str()), 0);
        needed = testheap::attempts();
    }
    ASSERT_GT(needed, 5);
    for (const bool every_after : {false, true}) {
        for (int64_t k = 1; k <= needed; ++k) {
            const int64_t live = testheap::live_blocks();
            Msg msg = new_message();
            ParseOutcome outcome;
            {
                testheap::FailureScope fail(k, every_after);
                outcome = parse_into(msg.get(), text.c_str());
            }
            EXPECT_EQ(outcome.result, -1) << k;
            EXPECT_TRUE(std::regex_match(outcome.diagnostics, one_line))
                << k << ": " << outcome.diagnostics;
            msg.reset();
            EXPECT_EQ(testheap::live_blocks(), live) << k;
        }
    }
}

// Records what expat reports, to compare whole and piecewise feeding.
struct Recorder {
    std::string events;

    static void XMLCALL start(void *data, const XML_Char *name, const XML_Char **attributes) {
        auto &events = static_cast<Recorder *>(data)->events;
        events += std::string("<") + name;
        for (const XML_Char **a = attributes; *a != nullptr; ++a)
            events += std::string(" ") + *a;
        events += ">";
    }
    static void XMLCALL end(void *data, const XML_Char *name) {
        static_cast<Recorder *>(data)->events += std::string("</") + name + ">";
    }
    static void XMLCALL text(void *data, const XML_Char *bytes, int length) {
        static_cast<Recorder *>(data)->events.append(bytes, static_cast<size_t>(length));
    }
};

std::optional<std::string> fed_in_pieces(const std::string &text, size_t piece) {
    XML_Parser parser = XML_ParserCreate(nullptr);
    Recorder recorder;
    XML_SetUserData(parser, &recorder);
    XML_SetElementHandler(parser, Recorder::start, Recorder::end);
    XML_SetCharacterDataHandler(parser, Recorder::text);
    const bool ok = movri::feed_document(parser, text.data(), text.size(), piece);
    XML_ParserFree(parser);
    if (!ok) return std::nullopt;
    return recorder.events;
}

TEST(Parser, ReadsADocumentFedInPiecesAsAWhole) {
    const std::string text = document(
        "<id>1</id><ele name='caf\xC3\xA9'>\xC3\xA9t\xC3\xA9 5\xE2\x82\xAC \xF0\x9D\x84\x9E"
        "&amp;&#13;<![CDATA[<x>]]></ele>",
        "UTF-8");
    const std::optional<std::string> whole = fed_in_pieces(text, text.size());
    ASSERT_TRUE(whole.has_value());
    EXPECT_NE(whole->find("\xC3\xA9t\xC3\xA9 5\xE2\x82\xAC \xF0\x9D\x84\x9E&\r<x>"),
              std::string::npos);
    for (const size_t piece :
         {size_t{1}, size_t{2}, size_t{3}, size_t{7}, text.size() / 2, text.size() - 1}) {
        EXPECT_EQ(fed_in_pieces(text, piece), whole) << piece;
    }
    const std::string cut = text.substr(0, text.size() - 3);
    for (const size_t piece : {size_t{1}, size_t{5}, cut.size()})
        EXPECT_EQ(fed_in_pieces(cut, piece), std::nullopt) << piece;
}

}  // namespace
