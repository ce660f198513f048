#include "documents.h"

#include <algorithm>
#include <cstdio>

namespace bench {

const std::array<const char *, 5> kHeaderTags = {"id", "sn", "total", "msgmode", "msgname"};

namespace {

std::string body_value(size_t i) {
    char digits[24];
    std::snprintf(digits, sizeof digits, "%07zu", i);
    std::string value = "item ";
    value.append(digits).append(" ");
    if (i % 4 == 0) value += "a&b ";
    if (i % 5 == 0) value += "x<y ";
    if (i % 3 == 0) value += "caf\xE9 ";
    while (value.size() < 20)
        value += 'z';
    return value;
}

Message with_header(size_t count) {
    Message msg;
    msg.header = {"20240501-000042", "17", std::to_string(count), "request", "benchmark"};
    return msg;
}

void append_escaped(std::string &out, std::string_view text) {
    for (const char c : text) {
        switch (c) {
            case '"':
                out += "&quot;";
                break;
            case '&':
                out += "&amp;";
                break;
            case '\'':
                out += "&apos;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '\r':
                out += "&#13;";
                break;
            default:
                out += c;
        }
    }
}

void append_element(std::string &out, std::string_view tag, const std::string *name,
                    std::string_view value) {
    out += '<';
    out += tag;
    if (name != nullptr) {
        out += " name='";
        out += *name;
        out += '\'';
    }
    out += '>';
    append_escaped(out, value);
    out += "</";
    out += tag;
    out += '>';
}

}  // namespace

Message make_message(size_t count) {
    Message msg = with_header(count);
    msg.body.reserve(count);
    for (size_t i = 0; i < count; ++i)
        msg.body.push_back({std::string("n").append(std::to_string(i)), body_value(i)});
    return msg;
}

Message make_single_value(const std::string &unit, size_t repeat) {
    Message msg = with_header(1);
    std::string value;
    value.reserve(unit.size() * repeat);
    for (size_t i = 0; i < repeat; ++i)
        value += unit;
    msg.body.push_back({"payload", std::move(value)});
    return msg;
}

std::string render(const Message &msg) {
    std::string out = "<?xml version='1.0' encoding='ISO-8859-1'?><movrimsg>";
    out.reserve(64 + msg.body.size() * 64);
    for (size_t i = 0; i < kHeaderTags.size(); ++i)
        append_element(out, kHeaderTags[i], nullptr, msg.header[i]);
    for (const BodyElement &element : msg.body)
        append_element(out, "ele", &element.name, element.value);
    out += "</movrimsg>";
    return out;
}

size_t most_elements_within(size_t limit) {
    size_t count = 0;
    while (render(make_message(count + 1)).size() <= limit)
        ++count;
    return count;
}

std::string utf8_to_latin1(std::string_view utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead >= 0xC0 && i + 1 < utf8.size()) {
            out += static_cast<char>(((lead & 0x03) << 6) | (utf8[i + 1] & 0x3F));
            ++i;
        } else {
            out += static_cast<char>(lead);
        }
    }
    return out;
}

std::string latin1_to_utf8(std::string_view latin1) {
    std::string out;
    for (const char c : latin1) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (byte >> 6));
            out += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return out;
}

bool collect(Message &msg, std::string_view tag, const char *name, std::string_view value) {
    if (tag == "ele" && name != nullptr) {
        msg.body.push_back({name, std::string(value)});
        return true;
    }
    const auto header = std::find(kHeaderTags.begin(), kHeaderTags.end(), tag);
    if (header == kHeaderTags.end() || name != nullptr) return false;
    msg.header[static_cast<size_t>(header - kHeaderTags.begin())] = value;
    return true;
}

}  // namespace bench
