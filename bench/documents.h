// The messages the benchmark sends and receives, and their documents.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace bench {

struct BodyElement {
    std::string name;
    std::string value;  // ISO-8859-1 bytes

    bool operator==(const BodyElement &) const = default;
};

// What a message holds, as every contender must send or read it back.
struct Message {
    std::array<std::string, 5> header;  // id, sn, total, msgmode, msgname
    std::vector<BodyElement> body;      // all tagged "ele"

    bool operator==(const Message &) const = default;
};

extern const std::array<const char *, 5> kHeaderTags;

// The header and `count` body elements with values of about 20 bytes: one
// in four holds '&', one in five '<', one in three the byte 0xE9.
Message make_message(size_t count);

// The header and one body element whose value is `unit` repeated.
Message make_single_value(const std::string &unit, size_t repeat);

// The document movri_msg_to_str writes for the message, without its limit.
std::string render(const Message &msg);

// The most body elements whose document fits in `limit` bytes.
size_t most_elements_within(size_t limit);

// ISO-8859-1 form of UTF-8 text (every character below U+0100).
std::string utf8_to_latin1(std::string_view utf8);
// UTF-8 form of ISO-8859-1 text.
std::string latin1_to_utf8(std::string_view latin1);

// Fills the message field a reader met: header tags go to their slot, "ele"
// elements are appended; anything else makes the result wrong.
bool collect(Message &msg, std::string_view tag, const char *name, std::string_view value);

}  // namespace bench
