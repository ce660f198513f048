// The two floors under any expat-based reader: expat with no handlers, and
// expat with handlers that do nothing but copy each element's name and text
// into buffers that are reused from element to element.
#include "contenders.h"

#include <expat.h>

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

}  // namespace bench
