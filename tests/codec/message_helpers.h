// Small helpers the codec tests share: messages owned by a scope, built from
// and compared as plain element lists, rendered and parsed with standard
// error captured.
#pragma once

#include <gtest/gtest.h>

#include "movrimsg.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace codec_test {

using Text = std::optional<std::string>;

struct Element {
    Text tag;
    Text name;
    Text value;
    bool operator==(const Element &) const = default;
};

inline void PrintTo(const Element &e, std::ostream *os) {
    const auto show = [](const Text &t) { return t ? testing::PrintToString(*t) : "(absent)"; };
    *os << "{" << show(e.tag) << ", " << show(e.name) << ", " << show(e.value) << "}";
}

struct MsgDeleter {
    void operator()(movri_msg *msg) const { movri_msg_free(msg); }
};
using Msg = std::unique_ptr<movri_msg, MsgDeleter>;

inline const char *c_str(const Text &text) { return text ? text->c_str() : nullptr; }

inline Msg new_message() {
    movri_msg *msg = nullptr;
    EXPECT_EQ(movri_msg_init(&msg), 0);
    return Msg(msg);
}

// A message holding the elements in this order (appended, not placed).
inline Msg message_of(const std::vector<Element> &elements) {
    Msg msg = new_message();
    for (const Element &e : elements)
        EXPECT_GE(movri_msg_append_element(msg.get(), c_str(e.tag), c_str(e.name), c_str(e.value)),
                  0);
    return msg;
}

inline std::vector<Element> elements_of(const movri_msg *msg) {
    std::vector<Element> elements;
    for (int32_t pos = 0; movri_msg_eol(msg, pos) == 0; ++pos) {
        movri_element *e = nullptr;
        EXPECT_EQ(movri_msg_get_element_bypos(msg, pos, &e), pos);
        const auto text = [](const char *t) { return t ? Text(t) : std::nullopt; };
        elements.push_back({text(e->tag), text(e->name), text(e->value)});
    }
    return elements;
}

// The document, or nothing when the writer refuses.
inline Text render(const movri_msg *msg) {
    char *text = nullptr;
    if (movri_msg_to_str(msg, &text) != 0) return std::nullopt;
    std::string document(text);
    movri_free(text);
    return document;
}

struct ParseOutcome {
    int32_t result;
    std::string diagnostics;  // what the parse wrote to standard error
};

inline ParseOutcome parse_into(movri_msg *msg, const char *text) {
    testing::internal::CaptureStderr();
    const int32_t result = movri_msg_parse(msg, text);
    return {result, testing::internal::GetCapturedStderr()};
}

// A document with this declaration and these pieces inside the root.
inline std::string document(const std::string &body, const std::string &encoding = "ISO-8859-1") {
    return "<?xml version='1.0' encoding='" + encoding + "'?><movrimsg>" + body + "</movrimsg>";
}

}  // namespace codec_test
