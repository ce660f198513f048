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

// What the writer does with each byte of a text. Plain bytes are copied as
// they are, in runs.
enum class ByteKind : unsigned char { Plain, Reference, Forbidden, High, End };

using KindTable = std::array<ByteKind, 256>;

// The kinds of bytes in a context; with high_is_plain, bytes of 0x80 and
// above are plain (single-byte charsets), else each starts a character to
// check.
constexpr KindTable make_kind_table(EscapeContext context, bool high_is_plain) {
    KindTable kinds{};
    for (int byte = 0; byte < 256; ++byte) {
        const auto c = static_cast<unsigned char>(byte);
        if (c == '\0')
            kinds[c] = ByteKind::End;
        else if (!reference_for(c, context).empty())
            kinds[c] = ByteKind::Reference;
        else if (c < 0x20 && c != '\t' && c != '\n')
            kinds[c] = ByteKind::Forbidden;
        else
            kinds[c] = c >= 0x80 && !high_is_plain ? ByteKind::High : ByteKind::Plain;
    }
    return kinds;
}

constexpr KindTable kKinds[2][2] = {
    {make_kind_table(EscapeContext::Value, false), make_kind_table(EscapeContext::Value, true)},
    {make_kind_table(EscapeContext::Name, false), make_kind_table(EscapeContext::Name, true)},
};

// Bytes of the character at text that XML allows in the charset, 0 when it
// is not allowed.
size_t high_character_length(const char *text, movri::Charset charset) {
    if (charset != movri::Charset::Utf8) return 0;  // US-ASCII
    return movri::xml_utf8_character_length({text, strnlen(text, 4)});
}

}  // namespace

namespace movri {

bool movri_escape_value(DocumentBuffer &doc, const char *text, EscapeContext context,
                        Charset charset) {
    const bool high_is_plain = charset == Charset::Latin1 || charset == Charset::Other;
    const KindTable &kinds = kKinds[context == EscapeContext::Name][high_is_plain];
    const char *run = text;  // where the bytes not yet written start
    for (const char *at = text;; ++at) {
        while (kinds[static_cast<unsigned char>(*at)] == ByteKind::Plain)
            ++at;
        const auto byte = static_cast<unsigned char>(*at);
        const ByteKind kind = kinds[byte];
        if (kind == ByteKind::Forbidden) return false;
        if (kind == ByteKind::End) return doc.append({run, static_cast<size_t>(at - run)});
        if (kind == ByteKind::Reference) {
            if (!doc.append({run, static_cast<size_t>(at - run)}) ||
                !doc.append(reference_for(byte, context)))
                return false;
            run = at + 1;
            continue;
        }
        const size_t length = high_character_length(at, charset);  // a character to check
        if (length == 0) return false;
        at += length - 1;
    }
}

}  // namespace movri
