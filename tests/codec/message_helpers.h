// Small helpers the codec tests share: messages owned by a scope, built from
// and compared as plain element lists, rendered and parsed with standard
// error captured.
#pragma once

#include <gtest/gtest.h>

#include "movrimsg.h"
#include "support/message_copy.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace codec_test {

using msgcopy::c_str;
using msgcopy::elements_of;
using msgcopy::rendered;
using msgcopy::Text;
using Element = msgcopy::ElementCopy;

struct MsgDeleter {
    void operator()(movri_msg *msg) const { movri_msg_free(msg); }
};
using Msg = std::unique_ptr<movri_msg, MsgDeleter>;

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
