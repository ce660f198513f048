// The two floors under any expat-based reader: expat with no handlers, and
// expat with handlers that do nothing but copy each element's name and text
// into buffers that are reused from element to element. And the hand-written
// copy a reader would keep: the header texts and a vector of (name, value)
// strings, made and released inside the job.
#include "contenders.h"

#include <expat.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace bench {

namespace {

struct CopyState {
    int depth = 0;
    bool has_name = false;
    std::string name;
    std::string text;
    Message *out = nullptr;
    bool wrong = false;
};

void XMLCALL copy_start(void *data, const XML_Char *, const XML_Char **attributes) {
    auto &state = *static_cast<CopyState *>(data);
    ++state.depth;
    state.text.clear();
    state.has_name = attributes[0] != nullptr;
    if (state.has_name) state.name.assign(attributes[1]);
}

void XMLCALL copy_text(void *data, const XML_Char *text, int length) {
    static_cast<CopyState *>(data)->text.append(text, static_cast<size_t>(length));
}

void XMLCALL copy_end(void *data, const XML_Char *tag) {
    auto &state = *static_cast<CopyState *>(data);
    if (state.depth-- != 2) return;
    keep(state.text.data());
    if (state.out == nullptr) return;
    const std::string name = utf8_to_latin1(state.name);
    if (!collect(*state.out, tag, state.has_name ? name.c_str() : nullptr,
                 utf8_to_latin1(state.text)))
        state.wrong = true;
}

bool parse_whole(XML_Parser parser, const std::string &doc) {
    return XML_Parse(parser, doc.data(), static_cast<int>(doc.size()), XML_TRUE) == XML_STATUS_OK;
}

// Keeps the header texts and every "ele" element's name and value; text goes
// to the element opened last, chunk by chunk, until the next tag.
struct KeepState {
    std::array<std::string, 5> header;
    std::vector<std::pair<std::string, std::string>> body;
    std::string *target = nullptr;
};

void XMLCALL keep_start(void *data, const XML_Char *tag, const XML_Char **attributes) {
    auto &state = *static_cast<KeepState *>(data);
    state.target = nullptr;
    if (std::strcmp(tag, "ele") == 0) {
        if (attributes[0] == nullptr) return;
        state.body.emplace_back(attributes[1], std::string());
        state.target = &state.body.back().second;
        return;
    }
    const auto header =
        std::find_if(kHeaderTags.begin(), kHeaderTags.end(),
                     [tag](const char *known) { return std::strcmp(tag, known) == 0; });
    if (header == kHeaderTags.end()) return;
    state.target = &state.header[static_cast<size_t>(header - kHeaderTags.begin())];
    state.target->clear();
}

void XMLCALL keep_text(void *data, const XML_Char *text, int length) {
    auto &state = *static_cast<KeepState *>(data);
    if (state.target != nullptr) state.target->append(text, static_cast<size_t>(length));
}

void XMLCALL keep_end(void *data, const XML_Char *) {
    static_cast<KeepState *>(data)->target = nullptr;
}

// Reads every kept text once, as a caller of the library reads its texts.
bool read_kept(const KeepState &state, Message *out) {
    for (size_t i = 0; i < state.header.size(); ++i) {
        keep(std::strlen(state.header[i].c_str()));
        if (out != nullptr) out->header[i] = utf8_to_latin1(state.header[i]);
    }
    for (const auto &[name, value] : state.body) {
        keep(std::strlen(name.c_str()));
        keep(std::strlen(value.c_str()));
        if (out != nullptr &&
            !collect(*out, "ele", utf8_to_latin1(name).c_str(), utf8_to_latin1(value)))
            return false;
    }
    return true;
}

}  // namespace

bool expat_bare_receive(const std::string &doc, Message *) {
    XML_Parser parser = XML_ParserCreate(nullptr);
    const bool parsed = parser != nullptr && parse_whole(parser, doc);
    XML_ParserFree(parser);
    return parsed;
}

bool expat_copy_receive(const std::string &doc, Message *out) {
    XML_Parser parser = XML_ParserCreate(nullptr);
    if (parser == nullptr) return false;
    CopyState state;
    state.out = out;
    XML_SetUserData(parser, &state);
    XML_SetElementHandler(parser, copy_start, copy_end);
    XML_SetCharacterDataHandler(parser, copy_text);
    const bool parsed = parse_whole(parser, doc);
    XML_ParserFree(parser);
    return parsed && !state.wrong;
}

bool expat_keep_receive(const std::string &doc, Message *out) {
    XML_Parser parser = XML_ParserCreate(nullptr);
    if (parser == nullptr) return false;
    KeepState state;
    XML_SetUserData(parser, &state);
    XML_SetElementHandler(parser, keep_start, keep_end);
    XML_SetCharacterDataHandler(parser, keep_text);
    const bool parsed = parse_whole(parser, doc);
    XML_ParserFree(parser);
    return parsed && read_kept(state, out);
}

}  // namespace bench
