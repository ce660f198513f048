// pugixml building and reading its own tree; documents saved unformatted.
#include "contenders.h"

#include <pugixml.hpp>

namespace bench {

namespace {

class StringWriter : public pugi::xml_writer {
public:
    explicit StringWriter(std::string &out) : out_(out) {}
    void write(const void *data, size_t size) override {
        out_.append(static_cast<const char *>(data), size);
    }

private:
    std::string &out_;
};

void append_text_element(pugi::xml_node parent, const char *tag, const char *name,
                         const std::string &value) {
    pugi::xml_node node = parent.append_child(tag);
    if (name != nullptr) node.append_attribute("name").set_value(name);
    if (!value.empty()) node.append_child(pugi::node_pcdata).set_value(value.c_str());
}

}  // namespace

// Texts are stored as the message's ISO-8859-1 bytes and written through
// unchanged: the document comes out byte for byte as movrimsg writes it.
bool pugixml_send(const Message &msg, std::string *out) {
    pugi::xml_document doc;
    pugi::xml_node declaration = doc.append_child(pugi::node_declaration);
    declaration.append_attribute("version").set_value("1.0");
    declaration.append_attribute("encoding").set_value("ISO-8859-1");
    pugi::xml_node root = doc.append_child("movrimsg");
    for (size_t i = 0; i < 5; ++i)
        append_text_element(root, kHeaderTags[i], nullptr, msg.header[i]);
    for (const BodyElement &element : msg.body)
        append_text_element(root, "ele", element.name.c_str(), element.value);
    std::string text;
    StringWriter writer(text);
    doc.save(writer, "",
             pugi::format_raw | pugi::format_no_declaration | pugi::format_attribute_single_quote,
             pugi::encoding_utf8);
    keep(text.data());
    if (out != nullptr) *out = std::move(text);
    return true;
}

bool pugixml_receive(const std::string &doc, Message *out) {
    pugi::xml_document tree;
    if (!tree.load_buffer(doc.data(), doc.size())) return false;
    const pugi::xml_node root = tree.child("movrimsg");
    for (size_t i = 0; i < 5; ++i) {
        const char *value = root.child(kHeaderTags[i]).child_value();
        keep(value);
        if (out != nullptr) out->header[i] = utf8_to_latin1(value);
    }
    for (pugi::xml_node node = root.first_child(); node; node = node.next_sibling()) {
        const char *tag = node.name();
        const pugi::xml_attribute attribute = node.first_attribute();
        const char *name = attribute ? attribute.value() : nullptr;
        const char *value = node.child_value();
        keep(tag);
        keep(name);
        keep(value);
        if (out != nullptr && name != nullptr &&
            !collect(*out, tag, utf8_to_latin1(name).c_str(), utf8_to_latin1(value)))
            return false;
    }
    return true;
}

}  // namespace bench
