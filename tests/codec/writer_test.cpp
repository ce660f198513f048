#include <gtest/gtest.h>

#include "message_helpers.h"
#include "support/counting_heap.h"

#include <functional>
#include <string>
#include <vector>

namespace {

using namespace codec_test;

const std::string kEmptyDocument =
    "<?xml version='1.0' encoding='ISO-8859-1'?><movrimsg></movrimsg>";

TEST(Writer, RendersAnEmptyMessageAsSixtyFourCharacters) {
    EXPECT_EQ(rendered(new_message().get()), kEmptyDocument);
    EXPECT_EQ(kEmptyDocument.size(), 64u);
}

TEST(Writer, RendersElementsByTheTemplates) {
    const struct {
        std::vector<Element> elements;
        std::string pieces;
    } cases[] = {
        {{{"ele", "a", "x<y"}}, "<ele name='a'>x&lt;y</ele>"},
        {{{"x", std::nullopt, std::nullopt}}, "<x></x>"},
        {{{"x", std::nullopt, ""}}, "<x></x>"},
        {{{"ele", "", "v"}}, "<ele name=''>v</ele>"},
        {{{"id", std::nullopt, "7"}, {"ele", "n", "v"}}, "<id>7</id><ele name='n'>v</ele>"},
        {{{"v", std::nullopt, "\"&'<>"}}, "<v>&quot;&amp;&apos;&lt;&gt;</v>"},
        {{{"v", std::nullopt, "a\tb\nc\rd"}}, "<v>a\tb\nc&#13;d</v>"},
        {{{"v", std::nullopt, "caf\xE9 \x80\xFF"}}, "<v>caf\xE9 \x80\xFF</v>"},
        {{{"ele", "it's <a> & \"b\"", ""}},
         "<ele name='it&apos;s &lt;a&gt; &amp; &quot;b&quot;'></ele>"},
        {{{"ele", "a\tb\nc\rd", ""}}, "<ele name='a&#9;b&#10;c&#13;d'></ele>"},
        {{{"ele", "caf\xE9", "v"}}, "<ele name='caf\xE9'>v</ele>"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(
            rendered(message_of(c.elements).get()),
            "<?xml version='1.0' encoding='ISO-8859-1'?><movrimsg>" + c.pieces + "</movrimsg>");
    }
    EXPECT_EQ(std::string("<ele name='a'>x&lt;y</ele>").size(), 26u);
}

TEST(Writer, RendersTheHeaderInItsCanonicalOrder) {
    Msg msg = new_message();
    movri_msg_set_msgname(msg.get(), "order");
    movri_msg_append_element(msg.get(), "ele", "k", "v");
    movri_msg_set_id(msg.get(), "1");
    movri_msg_set_total(msg.get(), "3");
    movri_msg_set_sn(msg.get(), "2");
    movri_msg_set_msgmode(msg.get(), "req");
    EXPECT_EQ(rendered(msg.get()),
              document("<id>1</id><sn>2</sn><total>3</total><msgmode>req</msgmode>"
                       "<msgname>order</msgname><ele name='k'>v</ele>"));
}

TEST(Writer, DeclaresTheMessagesVersionAndEncoding) {
    Msg msg = new_message();
    movri_msg_set_version(msg.get(), "1.1");
    movri_msg_set_encoding(msg.get(), "UTF-8");
    EXPECT_EQ(rendered(msg.get()), "<?xml version='1.1' encoding='UTF-8'?><movrimsg></movrimsg>");
}

TEST(Writer, AcceptsFourThousandCharactersAndRefusesOneMore) {
    const size_t frame = kEmptyDocument.size() + std::string("<v></v>").size();
    for (const std::string &prefix : {std::string(), std::string(785, '&')}) {
        const size_t escaped_prefix = prefix.size() * 5;
        for (const size_t length : {size_t{MOVRI_TEXT_LIMIT}, size_t{MOVRI_TEXT_LIMIT + 1}}) {
            const std::string value = prefix + std::string(length - frame - escaped_prefix, 'x');
            Msg msg = message_of({{"v", std::nullopt, value}});
            char *sentinel = reinterpret_cast<char *>(&msg);
            char *text = sentinel;
            const int32_t result = movri_msg_to_str(msg.get(), &text);
            if (length == MOVRI_TEXT_LIMIT) {
                ASSERT_EQ(result, 0);
                EXPECT_EQ(std::string(text).size(), length);
                movri_free(text);
            } else {
                EXPECT_EQ(result, -1);
                EXPECT_EQ(text, sentinel);
            }
        }
    }
}

TEST(Writer, RefusesAValueOfAThousandAmpersands) {
    Msg msg = message_of({{"ele", "a", std::string(1000, '&')}});
    char *sentinel = reinterpret_cast<char *>(&msg);
    char *text = sentinel;
    EXPECT_EQ(movri_msg_to_str(msg.get(), &text), -1);
    EXPECT_EQ(text, sentinel);
}

TEST(Writer, AllocatesOnlyTheDocument) {
    Msg msg = message_of({{"ele", "a", "x"}, {"ele", "b", std::string(500, '&')}});
    testheap::reset();
    EXPECT_TRUE(rendered(msg.get()).has_value());
    EXPECT_EQ(testheap::attempts(), 1);

    testheap::FailureScope fail(1);
    char *sentinel = reinterpret_cast<char *>(&msg);
    char *text = sentinel;
    EXPECT_EQ(movri_msg_to_str(msg.get(), &text), -1);
    EXPECT_EQ(text, sentinel);
}

TEST(Writer, RefusesNullArguments) {
    char *text = nullptr;
    EXPECT_EQ(movri_msg_to_str(nullptr, &text), -1);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(movri_msg_to_str(new_message().get(), nullptr), -1);
}

// A message that cannot be written as a well-formed document.
struct Refusal {
    std::string what;
    std::function<void(movri_msg *)> spoil;
};

std::function<void(movri_msg *)> with(std::string encoding, Element element) {
    return [=](movri_msg *msg) {
        movri_msg_set_encoding(msg, encoding.c_str());
        movri_msg_append_element(msg, c_str(element.tag), c_str(element.name),
                                 c_str(element.value));
    };
}

std::vector<Refusal> refusals() {
    std::vector<Refusal> cases;
    for (int byte = 1; byte < 0x20; ++byte) {
        if (byte == '\t' || byte == '\n' || byte == '\r') continue;
        const std::string text{'a', static_cast<char>(byte)};
        cases.push_back(
            {"value byte " + std::to_string(byte), with("ISO-8859-1", {"v", {}, text})});
        cases.push_back({"name byte " + std::to_string(byte), with("ISO-8859-1", {"v", text, {}})});
    }
    for (const char *tag : {"1a", "-a", ".a", "a b", "a'b", "a\"b", "a<b", "a>b", "a&b", "a=b",
                            "a/b", "a\x80", "a\xBF", "a\xD7", "a\xF7",
                            "\xB7"
                            "a"})
        cases.push_back({std::string("tag ") + tag, with("ISO-8859-1", {tag, {}, {}})});
    cases.push_back({"absent tag", [](movri_msg *msg) {
                         movri_msg_append_element(msg, "v", nullptr, nullptr);
                         movri_element_set_tag(msg->elements->head->element, nullptr);
                     }});
    cases.push_back({"empty tag", [](movri_msg *msg) {
                         movri_msg_append_element(msg, "v", nullptr, nullptr);
                         movri_element_set_tag(msg->elements->head->element, "");
                     }});
    for (const char *version : {"", "1", "1.", "2.0", "1.0'", "1.0a", "1.0?>"})
        cases.push_back({std::string("version ") + version,
                         [=](movri_msg *msg) { movri_msg_set_version(msg, version); }});
    cases.push_back(
        {"absent version", [](movri_msg *msg) { movri_msg_set_version(msg, nullptr); }});
    for (const char *encoding :
         {"", "8bit", "ISO 8859-1", "ISO-8859-1'", "UTF-16", "utf-16", "UTF-16LE", "UTF-16BE",
          "UTF16", "UTF-32", "UTF-32LE", "UTF-32BE", "UCS-2", "ucs-2le", "UCS-2BE", "UCS-4",
          "UCS-4LE", "ISO-10646-UCS-2", "ISO-10646-UCS-4"})
        cases.push_back({std::string("encoding ") + encoding,
                         [=](movri_msg *msg) { movri_msg_set_encoding(msg, encoding); }});
    cases.push_back(
        {"absent encoding", [](movri_msg *msg) { movri_msg_set_encoding(msg, nullptr); }});
    for (const char *utf8 : {"UTF-8", "utf-8", "uTf-8"}) {
        for (const char *bad : {"caf\xE9", "\xED\xA0\x80", "\xED\xBF\xBF", "\xEF\xBF\xBE",
                                "\xEF\xBF\xBF", "\xC0\xAF", "a\xC3", "\xF4\x90\x80\x80"}) {
            const std::string what = std::string(utf8) + " " + testing::PrintToString(bad);
            cases.push_back({what + " value", with(utf8, {"v", {}, bad})});
            cases.push_back({what + " name", with(utf8, {"v", bad, {}})});
            cases.push_back({what + " tag", with(utf8, {std::string("v") + bad, {}, {}})});
        }
    }
    for (const char *ascii : {"US-ASCII", "us-ascii"}) {
        cases.push_back({std::string(ascii) + " value", with(ascii, {"v", {}, "\x80"})});
        cases.push_back({std::string(ascii) + " name", with(ascii, {"v", "\xFF", {}})});
        cases.push_back({std::string(ascii) + " tag", with(ascii, {"caf\xE9", {}, {}})});
    }
    return cases;
}

TEST(Writer, RefusesMessagesThatWouldNotBeWellFormed) {
    for (const Refusal &refusal : refusals()) {
        Msg msg = message_of({{"id", {}, "1"}, {"ele", "a", "x"}});
        refusal.spoil(msg.get());
        char *sentinel = reinterpret_cast<char *>(&msg);
        char *text = sentinel;
        EXPECT_EQ(movri_msg_to_str(msg.get(), &text), -1) << refusal.what;
        EXPECT_EQ(text, sentinel) << refusal.what;
    }
}

TEST(Writer, WritesHighBytesTheDeclaredEncodingAllows) {
    const struct {
        const char *encoding;
        Element element;
    } cases[] = {
        {"UTF-8", {"caf\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80\xEF\xBF\xBD"}},
        {"utf-8", {"v", "\xC3\xA9", "\xED\x9F\xBF\xEE\x80\x80"}},
        {"ISO-8859-1", {"caf\xE9", "\x80\xFF", "\x80\xA0\xFF"}},
        {"windows-1252", {"v", "\x80", "\x80\x81\x9F"}},
        {"US-ASCII", {"v", "n", "\x7F"}},
    };
    for (const auto &c : cases) {
        Msg msg = message_of({c.element});
        movri_msg_set_encoding(msg.get(), c.encoding);
        EXPECT_TRUE(rendered(msg.get()).has_value()) << c.encoding;
    }
}

}  // namespace
