// A message copied into plain values, so that tests can compare what a
// message holds before and after an operation.
#pragma once

#include "movrimsg.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace hardening {

using Text = std::optional<std::string>;

inline Text text_of(const char *text) { return text != nullptr ? Text(text) : std::nullopt; }
inline const char *c_str(const Text &text) { return text ? text->c_str() : nullptr; }

struct ElementState {
    Text tag;
    Text name;
    Text value;
    bool operator==(const ElementState &) const = default;
};

struct MessageState {
    Text version;
    Text encoding;
    Text dtd;
    std::vector<ElementState> elements;
    bool operator==(const MessageState &) const = default;
};

inline ElementState state_of(const movri_element &element) {
    return {text_of(element.tag), text_of(element.name), text_of(element.value)};
}

inline MessageState state_of(const movri_msg *msg) {
    MessageState state{text_of(msg->version), text_of(msg->encoding), text_of(msg->dtd), {}};
    movri_element *element = nullptr;
    for (int32_t pos = 0; movri_msg_eol(msg, pos) == 0; ++pos) {
        movri_msg_get_element_bypos(msg, pos, &element);
        state.elements.push_back(state_of(*element));
    }
    return state;
}

// The document, or nothing when the message does not render.
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

inline std::ostream &operator<<(std::ostream &out, const ElementState &e) {
    return out << "{" << e.tag << ", " << e.name << ", " << e.value << "}";
}

inline std::ostream &operator<<(std::ostream &out, const MessageState &m) {
    out << "[" << m.version << " " << m.encoding << " " << m.dtd << ":";
    for (const ElementState &e : m.elements)
        out << " " << e;
    return out << "]";
}

}  // namespace hardening
