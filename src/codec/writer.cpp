// Renders a message as its document:
//   <?xml version='V' encoding='E'?><movrimsg><tag name='N'>value</tag>...</movrimsg>
// with nothing between the pieces. The document is built in one fixed buffer
// and copied once to the heap.
#include "../access/lookup.h"
#include "../model/sequence.h"
#include "document_rules.h"
#include "escape.h"

#include <cstring>

namespace {

using movri::DocumentBuffer;
using movri::EscapeContext;

bool write_declaration(DocumentBuffer &doc, const movri_msg &msg) {
    return doc.append("<?xml version='") && doc.append(msg.version) && doc.append("' encoding='") &&
           doc.append(msg.encoding) && doc.append("'?><movrimsg>");
}

bool write_element(DocumentBuffer &doc, const movri_element &element, movri::Charset charset) {
    if (element.tag == nullptr) return false;
    const std::string_view tag(element.tag);
    if (!movri::is_xml_name(tag, charset) || !doc.append("<") || !doc.append(tag)) return false;
    if (element.name != nullptr &&
        !(doc.append(" name='") &&
          movri_escape_value(doc, element.name, EscapeContext::Name, charset) && doc.append("'")))
        return false;
    if (!doc.append(">")) return false;
    if (element.value != nullptr &&
        !movri_escape_value(doc, element.value, EscapeContext::Value, charset))
        return false;
    return doc.append("</") && doc.append(tag) && doc.append(">");
}

}  // namespace

extern "C" int32_t movri_msg_to_str(const movri_msg *msg, char **text) {
    movri::Charset charset{};
    if (text == nullptr || !movri::has_sequence(msg) || !movri::is_xml_version(msg->version) ||
        !movri::charset_of_encoding(msg->encoding, charset))
        return -1;
    DocumentBuffer doc;
    if (!write_declaration(doc, *msg)) return -1;
    const movri_link *link = msg->elements->head;
    for (int32_t pos = 0; pos < msg->elements->count; ++pos) {
        if (pos > 0) link = link->next;
        if (!write_element(doc, *link->element, charset)) return -1;
    }
    if (!doc.append("</movrimsg>")) return -1;
    const std::string_view document = doc.text();
    auto *copy = static_cast<char *>(movri_malloc(document.size() + 1));
    if (copy == nullptr) return -1;
    std::memcpy(copy, document.data(), document.size());
    copy[document.size()] = '\0';
    *text = copy;
    return 0;
}
