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

// What the writer does with each byte of a text.
enum class ByteKind : unsigned char { Plain, Reference, Forbidden, High, End };

constexpr auto make_kind_table(EscapeContext context) {
    std::array<ByteKind, 256> kinds{};
    for (int byte = 0; byte < 256; ++byte) {
        const auto c = static_cast<unsigned char>(byte);
        if (c == '\0')
            kinds[c] = ByteKind::End;
        else if (!reference_for(c, context).empty())
            kinds[c] = ByteKind::Reference;
        else if (c < 0x20 && c != '\t' && c != '\n')
            kinds[c] = ByteKind::Forbidden;
        else
            kinds[c] = c >= 0x80 ? ByteKind::High : ByteKind::Plain;
    }
    return kinds;
}

constexpr auto kKindsInValue = make_kind_table(EscapeContext::Value);
constexpr auto kKindsInName = make_kind_table(EscapeContext::Name);

// Bytes of the character at text that XML allows in the charset, 0 when it
// is not allowed.
size_t high_character_length(const char *text, movri::Charset charset) {
    if (charset != movri::Charset::Utf8) return charset == movri::Charset::Ascii ? 0 : 1;
    return movri::xml_utf8_character_length({text, strnlen(text, 4)});
}

}  // namespace

namespace movri {

bool movri_escape_value(DocumentBuffer &doc, const char *text, EscapeContext context,
                        Charset charset) {
    const auto &kinds = context == EscapeContext::Name ? kKindsInName : kKindsInValue;
    const bool high_is_plain = charset == Charset::Latin1 || charset == Charset::Other;
    const char *run = text;
    for (const char *at = text;; ++at) {
        const auto byte = static_cast<unsigned char>(*at);
        const ByteKind kind = kinds[byte];
        if (kind == ByteKind::Plain || (kind == ByteKind::High && high_is_plain)) continue;
        if (kind == ByteKind::Forbidden || !doc.append({run, static_cast<size_t>(at - run)}))
            return false;
        if (kind == ByteKind::End) return true;
        if (kind == ByteKind::Reference) {
            if (!doc.append(reference_for(byte, context))) return false;
            run = at + 1;
            continue;
        }
        const size_t length = high_character_length(at, charset);
        if (length == 0) return false;
        run = at;
        at += length - 1;
    }
}

}  // namespace movri
