// The fixed document buffer the writer fills, and the escaping of texts.
#pragma once

#include "movrimsg.h"

#include "document_rules.h"

#include <array>
#include <cstring>
#include <string_view>

namespace movri {

// Where an escaped text stands: element content, or a name attribute, where
// tab, line feed and carriage return must be written as references so that a
// reader does not turn them into spaces.
enum class EscapeContext { Value, Name };

// MOVRI_TEXT_LIMIT bytes of document. Every append either fits whole or
// fails and leaves the document unusable; nothing is written past the end.
class DocumentBuffer {
public:
    bool append(std::string_view piece) {
        if (piece.size() > room()) return false;
        std::memcpy(bytes_.data() + length_, piece.data(), piece.size());
        length_ += piece.size();
        return true;
    }
    std::string_view text() const { return {bytes_.data(), length_}; }
    size_t room() const { return bytes_.size() - length_; }

private:
    std::array<char, MOVRI_TEXT_LIMIT> bytes_;
    size_t length_ = 0;
};

// Appends a present text with the five XML special characters, and carriage
// return (tab and line feed too in names), written as references, checking
// on the way that XML allows each character in a document of the charset:
// no forbidden control byte, valid UTF-8 under UTF-8, no byte of 0x80 or
// above under US-ASCII. false for a text that is not allowed or does not fit.
bool movri_escape_value(DocumentBuffer &doc, const char *text, EscapeContext context,
                        Charset charset);

}  // namespace movri
