// Helpers shared by the fuzz targets: reading the input as a stream of
// choices, checking round trips, and stopping loudly when a promise of the
// library is broken.
#pragma once

#include "movrimsg.h"
#include "support/message_copy.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fuzz {

using msgcopy::c_str;
using msgcopy::ElementCopy;
using msgcopy::elements_of;
using msgcopy::Text;
using msgcopy::text_of;

// Aborts with the message when the condition is false, so that libFuzzer and
// the replay main both report the input.
void require(bool condition, const char *what);

// The input read front to back; reads past the end give zeros and empty texts.
class Input {
public:
    Input(const uint8_t *data, size_t size) : data_(data), size_(size) {}
    bool empty() const { return at_ == size_; }
    uint8_t byte();
    // Bytes up to the next zero byte or the end (the zero is consumed).
    std::string text();
    // What is left, up to its first zero byte.
    std::string rest();

private:
    const uint8_t *data_;
    size_t size_;
    size_t at_ = 0;
};

// Elements of a message whose document expat decodes with the encoding: each
// value and name as the parser hands it back (UTF-8 decoded to single bytes,
// other characters as '?'); single-byte encodings keep their bytes.
std::vector<ElementCopy> as_read_back(std::vector<ElementCopy> elements, const char *encoding);

// Whether expat decodes documents declaring this encoding.
bool expat_knows_encoding(const char *encoding);

// Whether the parser rebuilds these elements exactly from their document:
// header elements (lower-case tags, no name, canonical order, each once) at
// the front, then "ele" elements with names, every value absent or non-empty.
bool survives_document(const std::vector<ElementCopy> &elements);

// Renders msg; when it renders and expat knows its encoding, parses the
// document into a new message and checks it gives back what survives_document
// promises. Gives the rendered document, or nothing.
std::optional<std::string> check_round_trip(const movri_msg *msg);

}  // namespace fuzz
