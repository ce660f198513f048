// A message copied into plain values, so that tests and fuzz targets can
// compare what messages hold, before and after an operation or a round trip.
#pragma once

#include "movrimsg.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace msgcopy {

// A text that may be absent, which differs from the empty text.
using Text = std::optional<std::string>;

inline Text text_of(const char *text) { return text != nullptr ? Text(text) : std::nullopt; }
inline const char *c_str(const Text &text) { return text ? text->c_str() : nullptr; }

struct ElementCopy {
    Text tag;
    Text name;
    Text value;
    bool operator==(const ElementCopy &) const = default;
};

struct MessageCopy {
    Text version;
    Text encoding;
    Text dtd;
    std::vector<ElementCopy> elements;
    bool operator==(const MessageCopy &) const = default;
};

inline ElementCopy copy_of(const movri_element &element) {
    return {text_of(element.tag), text_of(element.name), text_of(element.value)};
}

// The elements, walked as applications walk them.
inline std::vector<ElementCopy> elements_of(const movri_msg *msg) {
    std::vector<ElementCopy> elements;
    movri_element *element = nullptr;
    for (int32_t pos = 0; movri_msg_eol(msg, pos) == 0; ++pos) {
        if (movri_msg_get_element_bypos(msg, pos, &element) != pos) break;
        elements.push_back(copy_of(*element));
    }
    return elements;
}

inline MessageCopy copy_of(const movri_msg *msg) {
    return {text_of(msg->version), text_of(msg->encoding), text_of(msg->dtd), elements_of(msg)};
}

// The document, or nothing when the writer refuses the message.
inline Text rendered(const movri_msg *msg) {
    char *text = nullptr;
    if (movri_msg_to_str(msg, &text) != 0) return std::nullopt;
    Text document(text);
    movri_free(text);
    return document;
}

inline std::ostream &operator<<(std::ostream &out, const Text &text) {
    return out << (text ? "\"" + *text + "\"" : std::string("(absent)"));
}

inline std::ostream &operator<<(std::ostream &out, const ElementCopy &e) {
    return out << "{" << e.tag << ", " << e.name << ", " << e.value << "}";
}

inline std::ostream &operator<<(std::ostream &out, const MessageCopy &m) {
    out << "[" << m.version << " " << m.encoding << " " << m.dtd << ":";
    for (const ElementCopy &e : m.elements)
        out << " " << e;
    return out << "]";
}

}  // namespace msgcopy
