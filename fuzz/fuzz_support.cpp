#include "fuzz_support.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <strings.h>

namespace fuzz {

namespace {

constexpr std::array<const char *, 5> kHeaderTags = {"id", "sn", "total", "msgmode", "msgname"};

int header_index(const Text &tag) {
    for (size_t i = 0; i < kHeaderTags.size(); ++i) {
        if (tag && *tag == kHeaderTags[i]) return static_cast<int>(i);
    }
    return -1;
}

bool is_utf8_name(const char *encoding) { return strcasecmp(encoding, "UTF-8") == 0; }

// Decodes valid UTF-8 (the writer checked it) to single bytes.
std::string utf8_to_single_bytes(const std::string &in) {
    std::string out;
    for (size_t i = 0; i < in.size();) {
        const auto lead = static_cast<unsigned char>(in[i]);
        const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        unsigned code = length == 1 ? lead : lead & (0x7F >> length);
        for (size_t k = 1; k < length; ++k)
            code = (code << 6) | (static_cast<unsigned char>(in[i + k]) & 0x3F);
        out += code <= 0xFF ? static_cast<char>(code) : '?';
        i += length;
    }
    return out;
}

}  // namespace

void require(bool condition, const char *what) {
    if (condition) return;
    // Standard output: fuzzing runs close standard error to mute the parse
    // diagnostics.
    std::printf("broken promise: %s\n", what);
    std::fflush(stdout);
    std::abort();
}

uint8_t Input::byte() { return at_ < size_ ? data_[at_++] : 0; }

std::string Input::text() {
    std::string out;
    while (at_ < size_ && data_[at_] != 0)
        out += static_cast<char>(data_[at_++]);
    if (at_ < size_) ++at_;
    return out;
}

std::string Input::rest() {
    std::string out = text();
    at_ = size_;
    return out;
}

std::vector<ElementCopy> as_read_back(std::vector<ElementCopy> elements, const char *encoding) {
    if (!is_utf8_name(encoding)) return elements;
    for (ElementCopy &element : elements) {
        if (element.name) element.name = utf8_to_single_bytes(*element.name);
        if (element.value) element.value = utf8_to_single_bytes(*element.value);
    }
    return elements;
}

bool expat_knows_encoding(const char *encoding) {
    for (const char *known : {"UTF-8", "ISO-8859-1", "US-ASCII"}) {
        if (strcasecmp(encoding, known) == 0) return true;
    }
    return false;
}

bool survives_document(const std::vector<ElementCopy> &elements) {
    int last_header = -1;
    bool in_body = false;
    for (const ElementCopy &element : elements) {
        if (element.value && element.value->empty()) return false;
        const int header = header_index(element.tag);
        if (header >= 0) {
            if (in_body || header <= last_header || element.name) return false;
            last_header = header;
        } else if (element.tag == "ele" && element.name) {
            in_body = true;
        } else {
            return false;
        }
    }
    return true;
}

std::optional<std::string> check_round_trip(const movri_msg *msg) {
    char *text = nullptr;
    if (movri_msg_to_str(msg, &text) != 0) {
        require(text == nullptr, "a refused render leaves the text untouched");
        return std::nullopt;
    }
    std::string document(text);
    movri_free(text);
    require(document.size() <= MOVRI_TEXT_LIMIT, "a document stays within the limit");
    const std::string declaration = std::string("<?xml version='") + msg->version + "' encoding='" +
                                    msg->encoding + "'?><movrimsg>";
    require(document.compare(0, declaration.size(), declaration) == 0,
            "a document starts with its declaration");
    if (!expat_knows_encoding(msg->encoding)) return document;
    movri_msg *back = nullptr;
    require(movri_msg_init(&back) == 0, "init succeeds");
    require(movri_msg_parse(back, document.c_str()) == 0, "every rendered document parses");
    const std::vector<ElementCopy> original = elements_of(msg);
    if (survives_document(original))
        require(elements_of(back) == as_read_back(original, msg->encoding),
                "a parsed document gives back the elements it was rendered from");
    movri_msg_free(back);
    return document;
}

}  // namespace fuzz
