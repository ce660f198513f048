// Test helpers: a message owned by the test and its sequence spelled out as
// one text, "tag[name]=value" per element, name and value shown only when
// present, e.g. "id=1 sn=2 ele[a]=x".
#pragma once

#include "movrimsg.h"

#include <gtest/gtest.h>

#include <string>

class MessageHolder {
public:
    MessageHolder() { EXPECT_EQ(movri_msg_init(&msg_), 0); }
    MessageHolder(const MessageHolder &) = delete;
    MessageHolder &operator=(const MessageHolder &) = delete;
    ~MessageHolder() { movri_msg_free(msg_); }
    movri_msg *get() const { return msg_; }

private:
    movri_msg *msg_ = nullptr;
};

inline std::string describe(const movri_element &element) {
    std::string out = element.tag != nullptr ? element.tag : "<no tag>";
    if (element.name != nullptr) out += std::string("[") + element.name + "]";
    if (element.value != nullptr) out += std::string("=") + element.value;
    return out;
}

// Walks the message the way applications do: eol and get_element_bypos.
inline std::string layout(const movri_msg *msg) {
    std::string out;
    for (int32_t pos = 0; movri_msg_eol(msg, pos) == 0; ++pos) {
        movri_element *element = nullptr;
        if (movri_msg_get_element_bypos(msg, pos, &element) != pos || element == nullptr)
            return out + " <unreachable>";
        if (!out.empty()) out += ' ';
        out += describe(*element);
    }
    return out;
}
