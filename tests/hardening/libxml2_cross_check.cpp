// Renders many generated messages and reads every accepted document with
// libxml2: it must read it without error and find the same tags, names and
// values. Every refused message must hold a case the writer is meant to
// refuse.
#include "support/message_copy.h"

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <array>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace hardening {
using namespace msgcopy;
namespace {

constexpr int kMessages = 4000;

// ISO-8859-15 differs from ISO-8859-1 at these bytes.
constexpr std::array<std::pair<unsigned char, unsigned>, 8> kLatin9 = {{{0xA4, 0x20AC},
                                                                        {0xA6, 0x160},
                                                                        {0xA8, 0x161},
                                                                        {0xB4, 0x17D},
                                                                        {0xB8, 0x17E},
                                                                        {0xBC, 0x152},
                                                                        {0xBD, 0x153},
                                                                        {0xBE, 0x178}}};

constexpr std::array<const char *, 5> kEncodings = {"ISO-8859-1", "UTF-8", "US-ASCII",
                                                    "ISO-8859-15", "utf-8"};

void append_utf8(std::string &out, unsigned code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The text's bytes decoded by the encoding as UTF-8, or nothing when they
// are not valid in it.
std::optional<std::string> decode(const std::string &bytes, const std::string &encoding) {
    std::string out;
    const bool utf8 = encoding == "UTF-8" || encoding == "utf-8";
    if (utf8) {
        if (!xmlCheckUTF8(reinterpret_cast<const xmlChar *>(bytes.c_str()))) return std::nullopt;
        return bytes;
    }
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (encoding == "US-ASCII" && byte >= 0x80) return std::nullopt;
        unsigned code = byte;
        for (const auto &[latin9_byte, latin9_code] : kLatin9) {
            if (encoding == "ISO-8859-15" && byte == latin9_byte) code = latin9_code;
        }
        append_utf8(out, code);
    }
    return out;
}

bool has_forbidden_control(const std::string &text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r') return true;
    }
    return false;
}

// Names keep to Latin-1 above ASCII in every encoding, on purpose: readers
// disagree about the name characters above U+00FF. Also refused: surrogates
// and non-characters, which the UTF-8 check lets through.
bool has_character_above_latin1(const std::string &utf8) {
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte >= 0xC4) return true;
    }
    return false;
}

bool valid_text(const Text &text, const std::string &encoding) {
    if (!text) return true;
    const auto decoded = decode(*text, encoding);
    return decoded && !has_forbidden_control(*text) &&
           xmlCheckUTF8(reinterpret_cast<const xmlChar *>(decoded->c_str()));
}

bool valid_tag(const Text &tag, const std::string &encoding) {
    if (!tag || tag->empty() || has_forbidden_control(*tag)) return false;
    // Encodings other than Latin-1 and UTF-8 may not hold the middle dot.
    if (encoding == "ISO-8859-15" && tag->find('\xb7') != std::string::npos) return false;
    const auto decoded = decode(*tag, encoding);
    return decoded && !has_character_above_latin1(*decoded) &&
           xmlValidateName(reinterpret_cast<const xmlChar *>(decoded->c_str()), 0) == 0;
}

// How many bytes a text takes once escaped, counted independently of the
// writer: five references everywhere, carriage return always, tab and line
// feed in names.
size_t escaped_size(const Text &text, bool in_name) {
    if (!text) return 0;
    size_t size = 0;
    for (const char c : *text) {
        switch (c) {
            case '"':
            case '\'':
                size += 6;
                break;
            case '&':
                size += 5;
                break;
            case '<':
            case '>':
                size += 4;
                break;
            case '\r':
                size += 5;
                break;
            case '\t':
                size += in_name ? 4 : 1;
                break;
            case '\n':
                size += in_name ? 5 : 1;
                break;
            default:
                size += 1;
        }
    }
    return size;
}

struct Generated {
    std::string encoding;
    std::vector<ElementCopy> elements;

    size_t document_size() const {
        size_t size = std::string("<?xml version='1.0' encoding=''?><movrimsg></movrimsg>").size() +
                      encoding.size();
        for (const ElementCopy &e : elements) {
            size += 2 * e.tag->size() + 5 + escaped_size(e.value, false);
            if (e.name) size += 8 + escaped_size(e.name, true);
        }
        return size;
    }

    bool should_be_refused() const {
        for (const ElementCopy &e : elements) {
            if (!valid_tag(e.tag, encoding) || !valid_text(e.name, encoding) ||
                !valid_text(e.value, encoding))
                return true;
        }
        return document_size() > MOVRI_TEXT_LIMIT;
    }
};

class Generator {
public:
    explicit Generator(unsigned seed) : random_(seed) {}

    Generated next() {
        Generated g{kEncodings[pick(kEncodings.size())], {}};
        const size_t count = pick(6);
        for (size_t i = 0; i < count; ++i)
            g.elements.push_back(
                {tag(), pick(4) == 0 ? Text() : text(), pick(5) == 0 ? Text() : text()});
        return g;
    }

private:
    std::mt19937 random_;

    size_t pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random_); }

    std::string tag() {
        static constexpr std::array<const char *, 14> kTags = {"ele",
                                                               "id",
                                                               "msgname",
                                                               "a-b.c_d",
                                                               "_x",
                                                               "x:y",
                                                               "\xe9l\xe9ment",
                                                               "\xc3\xa9t\xc3\xa9",
                                                               "a\xb7"
                                                               "b",
                                                               "1a",
                                                               "a b",
                                                               "a<b",
                                                               "-a",
                                                               "\xd7"};
        std::string t = kTags[pick(kTags.size())];
        if (pick(8) == 0) t += static_cast<char>(1 + pick(255));
        return t;
    }

    // Bytes drawn from every class: the five special characters, tab, line
    // feed, carriage return, ASCII letters, bytes 0x80-0xFF (alone or as
    // UTF-8 sequences), and forbidden control bytes.
    std::string text() {
        static constexpr std::array<const char *, 12> kPieces = {
            "<", ">", "&", "'", "\"", "\t", "\n", "\r", "plain", "\xc3\xa9", "\xe2\x82\xac", "]]>"};
        std::string t;
        const size_t length = pick(10) == 0 ? 900 + pick(400) : pick(8);
        while (t.size() < length) {
            switch (pick(6)) {
                case 0:
                    t += static_cast<char>(0x80 + pick(128));
                    break;
                case 1:
                    t += static_cast<char>(pick(50) == 0 ? 1 + pick(8) : 'a' + pick(26));
                    break;
                default:
                    t += kPieces[pick(kPieces.size())];
            }
        }
        return t;
    }
};

Text attribute(xmlNode *node, const char *name) {
    xmlChar *value = xmlGetProp(node, reinterpret_cast<const xmlChar *>(name));
    if (value == nullptr) return std::nullopt;
    Text text(reinterpret_cast<const char *>(value));
    xmlFree(value);
    return text;
}

std::string content(xmlNode *node) {
    xmlChar *value = xmlNodeGetContent(node);
    std::string text = value != nullptr ? reinterpret_cast<const char *>(value) : "";
    xmlFree(value);
    return text;
}

int g_libxml2_errors = 0;
// Namespace errors are not counted: a tag such as "x:y" is well-formed XML
// the writer may write, though it names an undeclared prefix.
void count_error(void *, xmlErrorPtr error) {
    if (error->domain != XML_FROM_NAMESPACE) ++g_libxml2_errors;
}

void check_read_by_libxml2(const Generated &g, const std::string &document) {
    g_libxml2_errors = 0;
    xmlDoc *doc = xmlReadMemory(document.data(), static_cast<int>(document.size()), nullptr,
                                nullptr, XML_PARSE_NONET);
    ASSERT_NE(doc, nullptr) << document;
    EXPECT_EQ(g_libxml2_errors, 0) << document;
    xmlNode *root = xmlDocGetRootElement(doc);
    ASSERT_STREQ(reinterpret_cast<const char *>(root->name), "movrimsg");
    size_t i = 0;
    for (xmlNode *child = root->children; child != nullptr; child = child->next, ++i) {
        ASSERT_LT(i, g.elements.size()) << document;
        const ElementCopy &e = g.elements[i];
        std::string tag = *decode(*e.tag, g.encoding);
        if (child->ns != nullptr)
            tag = std::string(reinterpret_cast<const char *>(child->ns->prefix)) + ":" +
                  reinterpret_cast<const char *>(child->name);
        else
            tag = reinterpret_cast<const char *>(child->name);
        EXPECT_EQ(tag, *decode(*e.tag, g.encoding)) << document;
        EXPECT_EQ(attribute(child, "name"), e.name ? decode(*e.name, g.encoding) : Text())
            << document;
        EXPECT_EQ(content(child), decode(e.value.value_or(""), g.encoding)) << document;
    }
    EXPECT_EQ(i, g.elements.size()) << document;
    xmlFreeDoc(doc);
}

TEST(Libxml2CrossCheck, AcceptedDocumentsReadTheSameAndRefusalsHaveACause) {
    xmlSetStructuredErrorFunc(nullptr, count_error);
    Generator generator(20261208);
    int accepted = 0;
    for (int n = 0; n < kMessages; ++n) {
        const Generated g = generator.next();
        movri_msg *msg = nullptr;
        ASSERT_EQ(movri_msg_init(&msg), 0);
        ASSERT_EQ(movri_msg_set_encoding(msg, g.encoding.c_str()), 0);
        for (const ElementCopy &e : g.elements)
            ASSERT_GE(movri_msg_append_element(msg, c_str(e.tag), c_str(e.name), c_str(e.value)),
                      0);
        const Text document = rendered(msg);
        movri_msg_free(msg);
        if (document) {
            ++accepted;
            EXPECT_FALSE(g.should_be_refused()) << *document;
            check_read_by_libxml2(g, *document);
            if (HasFatalFailure()) return;
        } else {
            EXPECT_TRUE(g.should_be_refused()) << "message " << n << " refused without cause";
        }
    }
    xmlSetStructuredErrorFunc(nullptr, nullptr);
    std::printf("libxml2 read %d accepted documents of %d generated\n", accepted, kMessages);
    // Both outcomes must be well represented for the check to mean anything.
    EXPECT_GT(accepted, kMessages / 5);
    EXPECT_LT(accepted, kMessages * 4 / 5);
}

// Every piece of the document in turn is the one that crosses the limit:
// the writer gives -1 exactly when the document would be longer than
// MOVRI_TEXT_LIMIT, and otherwise a document of the expected length.
TEST(DocumentLimit, EveryPieceThatCrossesTheLimitIsRefused) {
    int refused = 0;
    for (const std::string last : {"", "&", "\r", "<<"}) {
        for (size_t filler = 3860; filler < 3990; ++filler) {
            for (const bool named : {false, true}) {
                const Generated g{"ISO-8859-1",
                                  {{"ele", Text(), Text(std::string(filler, 'v') + last)},
                                   {"total", named ? Text("n&\t") : Text(), Text("12")}}};
                const size_t expected = g.document_size();
                movri_msg *msg = nullptr;
                ASSERT_EQ(movri_msg_init(&msg), 0);
                for (const ElementCopy &e : g.elements)
                    ASSERT_GE(
                        movri_msg_append_element(msg, c_str(e.tag), c_str(e.name), c_str(e.value)),
                        0);
                const Text document = rendered(msg);
                movri_msg_free(msg);
                EXPECT_EQ(document.has_value(), expected <= MOVRI_TEXT_LIMIT)
                    << "expected length " << expected;
                if (document) {
                    EXPECT_EQ(document->size(), expected);
                }
                refused += document ? 0 : 1;
            }
        }
    }
    EXPECT_GT(refused, 0);
}

TEST(DocumentLimit, PropertiesTooLongForTheDocumentAreRefused) {
    const std::string digits(MOVRI_TEXT_LIMIT, '0');
    const std::string letters(MOVRI_TEXT_LIMIT, 'a');
    for (const auto &[version, encoding] : {std::pair{"1." + digits, std::string("UTF-8")},
                                            std::pair{std::string("1.0"), "x" + letters}}) {
        movri_msg *msg = nullptr;
        ASSERT_EQ(movri_msg_init(&msg), 0);
        ASSERT_EQ(movri_msg_set_version(msg, version.c_str()), 0);
        ASSERT_EQ(movri_msg_set_encoding(msg, encoding.c_str()), 0);
        EXPECT_FALSE(rendered(msg).has_value()) << version.size() << " " << encoding.size();
        movri_msg_free(msg);
    }
}

}  // namespace
}  // namespace hardening
