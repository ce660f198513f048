#include "escape.h"

#include <cstring>

namespace {

using movri::EscapeContext;

// The reference that replaces a byte, or an empty view when it stands as it
// is. Tab and line feed are kept in values, where XML readers keep them.
constexpr std::string_view reference_for(unsigned char byte, EscapeContext context) {
    switch (byte) {
        case '"':
            return "&quot;";
        case '&':
            return "&amp;";
        case '\'':
            return "&apos;";
        case '<':
            return "&lt;";
        case '>':
            return "&gt;";
        case '\r':
            return "&#13;";
        case '\t':
            return context == EscapeContext::Name ? "&#9;" : "";
        case '\n':
            return context == EscapeContext::Name ? "&#10;" : "";
        default:
            return "";
    }
}

constexpr auto make_plain_table(EscapeContext context) {
    std::array<bool, 256> plain{};
    for (int byte = 0; byte < 256; ++byte)
        plain[byte] = reference_for(static_cast<unsigned char>(byte), context).empty();
    return plain;
}

constexpr auto kPlainInValue = make_plain_table(EscapeContext::Value);
constexpr auto kPlainInName = make_plain_table(EscapeContext::Name);

}  // namespace

namespace movri {

bool DocumentBuffer::append(std::string_view piece) {
    if (piece.size() > room()) return false;
    std::memcpy(bytes_.data() + length_, piece.data(), piece.size());
    length_ += piece.size();
    return true;
}

bool movri_escape_value(DocumentBuffer &doc, std::string_view text, EscapeContext context) {
    const auto &plain = context == EscapeContext::Name ? kPlainInName : kPlainInValue;
    size_t run_start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (plain[byte]) continue;
        if (!doc.append({text.data() + run_start, i - run_start}) ||
            !doc.append(reference_for(byte, context)))
            return false;
        run_start = i + 1;
    }
    return doc.append({text.data() + run_start, text.size() - run_start});
}

}  // namespace movri
