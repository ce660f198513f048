// Reads a document into a message. Header start tags select (or create) the
// header element through its setter, "ele" start tags append an element named
// by their first attribute, and character data goes to the element selected
// last until that element's end tag. Everything else is passed over.
#include "parser.h"

#include "../access/header.h"
#include "../access/lookup.h"
#include "../model/element.h"
#include "../model/sequence.h"
#include "hash_salt.h"
#include "latin1.h"
#include "parse_arena.h"
#include "text_builder.h"

#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

constexpr char kBodyTagText[] = "ele";
constexpr std::string_view kBodyTag = kBodyTagText;
constexpr int kNotRecognised = -1;
constexpr int kBody = movri::kHeaderCount;  // after the header indexes

// Expat expands entity references inside entity texts recursively, so a long
// enough chain of entities referring to each other exhausts the stack. A
// document may declare at most this many entities whose text refers to
// another entity, which bounds the chain.
constexpr int kMaxReferringEntities = 64;

constexpr std::string_view tag_of(int kind) {
    return kind == kBody ? kBodyTag : movri::kHeaderTags[kind];
}

// kind when name spells its tag exactly (with case), else kNotRecognised.
// The tag is a constant, so the comparison unrolls.
template <int kind>
int spelled(const char *name) {
    return movri::spells(name, tag_of(kind)) ? kind : kNotRecognised;
}

// The header index of an element name, kBody for the body tag, or
// kNotRecognised. All tags but two differ in their first byte, so most
// names are told apart by it.
int recognise(const char *name) {
    static_assert(tag_of(3)[0] == tag_of(4)[0], "msgmode and msgname share their first byte");
    switch (name[0]) {
        case tag_of(kBody)[0]:
            return spelled<kBody>(name);
        case tag_of(0)[0]:
            return spelled<0>(name);
        case tag_of(1)[0]:
            return spelled<1>(name);
        case tag_of(2)[0]:
            return spelled<2>(name);
        case tag_of(3)[0]:
            return spelled<3>(name) != kNotRecognised ? 3 : spelled<4>(name);
        default:
            return kNotRecognised;
    }
}

}  // namespace

// What the handlers share during one parse. The element a start tag opens
// is stored at the next recognised tag (or the end of the parse), with its
// name and all its text at once: one allocation for a new element.
struct movri_parse_state {
    movri_parse_state(movri_msg *target, XML_Parser expat) : msg(target), parser(expat) {}

    movri_msg *msg;
    XML_Parser parser;
    int open = kNotRecognised;  // kind of the element receiving text, if any
    // The open element's texts: a body element's tag and name, each with its
    // terminator, as its block holds them; then the text so far, from value_at.
    movri::TextBuilder texts;
    size_t value_at = 0;
    bool out_of_memory = false;
    const char *refusal = nullptr;  // why the document was refused, if it was
    int referring_entities = 0;

    // Stops the parse: the data just met cannot be stored.
    void fail() {
        out_of_memory = true;
        XML_StopParser(parser, XML_FALSE);
    }

    // Stops the parse: the document asks for more than the parser can safely do.
    void refuse(const char *reason) {
        refusal = reason;
        XML_StopParser(parser, XML_FALSE);
    }

    // Stores the open element with its text, or, when that cannot be
    // allocated, without it; then no element is open.
    bool flush() {
        if (open == kNotRecognised) return true;
        const bool has_text = texts.size() > value_at;
        const bool stored = store(has_text);
        if (!stored && has_text) store(false);
        open = kNotRecognised;
        texts.clear();
        if (!stored) fail();
        return stored;
    }

    // Opens an element of the given kind; a body element is named by the
    // single-byte form of name.
    bool open_element(int kind, const char *name_text) {
        texts.clear();
        value_at = 0;
        if (kind == kBody) {
            const size_t length = std::strlen(name_text);
            if (!texts.reserve_more(sizeof kBodyTagText + length + 1)) return false;
            char *tag_copy = texts.end();
            std::memcpy(tag_copy, kBodyTagText, sizeof kBodyTagText);
            char *name_copy = tag_copy + sizeof kBodyTagText;
            const size_t name_length = movri::utf8_piece_to_latin1(name_text, length, name_copy);
            name_copy[name_length] = '\0';
            value_at = sizeof kBodyTagText + name_length + 1;
            texts.commit(value_at);
        }
        open = kind;
        return true;
    }

private:
    // Appends the open body element, or sets the open header element (found
    // or made), with its text or without.
    bool store(bool with_text) {
        if (open != kBody)
            return movri::set_header(msg, open, with_text ? texts.c_str() : nullptr) >= 0;
        const size_t size = with_text ? texts.size() + 1 : value_at;
        movri_link *link =
            movri::make_listed_element(texts.c_str(), size, sizeof kBodyTagText, value_at);
        if (link == nullptr) return false;
        movri_list_append(msg->elements, link);
        return true;
    }
};

namespace {

movri_parse_state &state_of(void *data) { return *static_cast<movri_parse_state *>(data); }

void XMLCALL on_start_tag(void *data, const XML_Char *name, const XML_Char **attributes) {
    movri_parse_state &state = state_of(data);
    // Body elements are most of a message.
    const int kind = spelled<kBody>(name) == kBody ? kBody : recognise(name);
    if (kind == kNotRecognised || !state.flush()) return;
    if (kind == kBody && attributes[0] == nullptr) return;
    if (!state.open_element(kind, kind == kBody ? attributes[1] : nullptr)) state.fail();
}

void XMLCALL on_end_tag(void *data, const XML_Char *name) {
    movri_parse_state &state = state_of(data);
    if (state.open == kNotRecognised) return;
    if ((state.open == kBody && spelled<kBody>(name) == kBody) || recognise(name) != kNotRecognised)
        state.flush();
}

void XMLCALL on_text(void *data, const XML_Char *text, int length) {
    movri_parse_state &state = state_of(data);
    if (state.open == kNotRecognised || length <= 0) return;
    if (!movri::append_latin1_piece(state.texts, text, static_cast<size_t>(length))) state.fail();
}

// Whether an entity's text refers to another entity: general entities by
// "&name;", parameter entities by "%name;". A character reference ("&#...;")
// refers to none.
bool refers_to_entity(std::string_view text, bool parameter_entity) {
    const char mark = parameter_entity ? '%' : '&';
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == mark && text[i + 1] != '#') return true;
    }
    return false;
}

void XMLCALL on_entity_declaration(void *data, const XML_Char *, int parameter_entity,
                                   const XML_Char *value, int length, const XML_Char *,
                                   const XML_Char *, const XML_Char *, const XML_Char *) {
    movri_parse_state &state = state_of(data);
    if (value == nullptr || length <= 0) return;
    if (!refers_to_entity({value, static_cast<size_t>(length)}, parameter_entity != 0)) return;
    if (++state.referring_entities > kMaxReferringEntities)
        state.refuse("too many entities referring to other entities");
}

// An expat parser released on every path. Its memory comes from the arena
// of the parse, and its hash salt from the library instead of the kernel.
class ExpatParser {
public:
    ExpatParser()
        : parser_(XML_ParserCreate_MM(nullptr, &movri::ParseArena::kMemorySuite, nullptr)) {
        if (parser_ == nullptr) return;
        if (const unsigned long salt = movri::next_hash_salt(); salt != 0)
            XML_SetHashSalt(parser_, salt);
    }
    ExpatParser(const ExpatParser &) = delete;
    ExpatParser &operator=(const ExpatParser &) = delete;
    ~ExpatParser() {
        if (parser_ != nullptr) XML_ParserFree(parser_);
    }
    XML_Parser get() const { return parser_; }

private:
    XML_Parser parser_;
};

void report_failure(const movri_parse_state &state) {
    const XML_Error error =
        state.out_of_memory ? XML_ERROR_NO_MEMORY : XML_GetErrorCode(state.parser);
    const char *reason = state.refusal != nullptr ? state.refusal : XML_ErrorString(error);
    std::fprintf(stderr, "%s at line %lu\n", reason,
                 static_cast<unsigned long>(XML_GetCurrentLineNumber(state.parser)));
}

}  // namespace

namespace movri {

bool feed_document(XML_Parser parser, const char *text, size_t length, size_t piece) {
    for (;;) {
        const size_t size = length < piece ? length : piece;
        const bool last = size == length;
        if (XML_Parse(parser, text, static_cast<int>(size), last ? XML_TRUE : XML_FALSE) !=
            XML_STATUS_OK)
            return false;
        if (last) return true;
        text += size;
        length -= size;
    }
}

}  // namespace movri

extern "C" int32_t movri_msg_parse(movri_msg *msg, const char *text) {
    if (!movri::has_sequence(msg) || text == nullptr) return -1;
    movri::ParseArena arena;
    ExpatParser parser;
    if (parser.get() == nullptr) {
        std::fputs("out of memory at line 1\n", stderr);
        return -1;
    }
    movri_parse_state state(msg, parser.get());
    XML_SetUserData(parser.get(), &state);
    XML_SetElementHandler(parser.get(), on_start_tag, on_end_tag);
    XML_SetCharacterDataHandler(parser.get(), on_text);
    XML_SetEntityDeclHandler(parser.get(), on_entity_declaration);
    const bool parsed = movri::feed_document(parser.get(), text, std::strlen(text));
    const bool stored = state.flush();
    if (parsed && stored) return 0;
    report_failure(state);
    return -1;
}
