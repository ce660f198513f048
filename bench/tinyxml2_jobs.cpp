// tinyxml2 building and reading its own tree; documents printed compact.
#include "contenders.h"

#include <tinyxml2.h>

namespace bench {

namespace {

void append_text_element(tinyxml2::XMLDocument &doc, tinyxml2::XMLElement *parent, const char *tag,
                         const char *name, const std::string &value) {
    tinyxml2::XMLElement *element = doc.NewElement(tag);
    if (name != nullptr) element->SetAttribute("name", name);
    if (!value.empty()) element->SetText(value.c_str());
    parent->InsertEndChild(element);
}

}  // namespace

// tinyxml2 keeps texts as the bytes it is given, so the ISO-8859-1 values go
// through unchanged; it quotes attributes with '"' where movrimsg uses '\''.
bool tinyxml2_send(const Message &msg, std::string *out) {
    tinyxml2::XMLDocument doc;
    doc.InsertEndChild(doc.NewDeclaration("xml version='1.0' encoding='ISO-8859-1'"));
    tinyxml2::XMLElement *root = doc.NewElement("movrimsg");
    doc.InsertEndChild(root);
    for (size_t i = 0; i < 5; ++i)
        append_text_element(doc, root, kHeaderTags[i], nullptr, msg.header[i]);
    for (const BodyElement &element : msg.body)
        append_text_element(doc, root, "ele", element.name.c_str(), element.value);
    tinyxml2::XMLPrinter printer(nullptr, true);
    doc.Print(&printer);
    keep(printer.CStr());
    if (out != nullptr) out->assign(printer.CStr(), static_cast<size_t>(printer.CStrSize() - 1));
    return true;
}

bool tinyxml2_receive(const std::string &doc, Message *out) {
    tinyxml2::XMLDocument tree;
    if (tree.Parse(doc.data(), doc.size()) != tinyxml2::XML_SUCCESS) return false;
    const tinyxml2::XMLElement *root = tree.FirstChildElement("movrimsg");
    if (root == nullptr) return false;
    for (size_t i = 0; i < 5; ++i) {
        const tinyxml2::XMLElement *header = root->FirstChildElement(kHeaderTags[i]);
        const char *value = header != nullptr ? header->GetText() : nullptr;
        keep(value);
        if (out != nullptr) out->header[i] = value != nullptr ? value : "";
    }
    for (const tinyxml2::XMLElement *node = root->FirstChildElement(); node != nullptr;
         node = node->NextSiblingElement()) {
        const char *tag = node->Name();
        const tinyxml2::XMLAttribute *attribute = node->FirstAttribute();
        const char *name = attribute != nullptr ? attribute->Value() : nullptr;
        const char *value = node->GetText();
        keep(tag);
        keep(name);
        keep(value);
        if (out != nullptr && name != nullptr && !collect(*out, tag, name, value ? value : ""))
            return false;
    }
    return true;
}

}  // namespace bench
