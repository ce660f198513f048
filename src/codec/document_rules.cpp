#include "document_rules.h"

#include "movrimsg.h"

#include <cstring>
#include <utility>

namespace {

constexpr bool is_ascii_letter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
constexpr bool is_ascii_digit(unsigned char c) { return c >= '0' && c <= '9'; }

bool equals_ignoring_case(std::string_view text, std::string_view wanted) {
    return text.size() == wanted.size() &&
           movri_strncasecmp(text.data(), wanted.data(), text.size()) == 0;
}

// UTF-16, UTF-32, UCS-2 and UCS-4 in any spelling or byte order: the
// letters and digits of the name, folded to upper case, contain one of these.
bool is_multibyte_encoding(std::string_view name) {
    char folded[64];
    size_t length = 0;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (!is_ascii_letter(byte) && !is_ascii_digit(byte)) continue;
        if (length == sizeof folded) return false;
        folded[length++] = static_cast<char>(byte >= 'a' ? byte - 'a' + 'A' : byte);
    }
    const std::string_view letters(folded, length);
    for (const std::string_view family : {"UTF16", "UTF32", "UCS2", "UCS4"}) {
        if (letters.find(family) != std::string_view::npos) return true;
    }
    return false;
}

constexpr bool is_ascii_name_char(unsigned char c) {
    return is_ascii_letter(c) || is_ascii_digit(c) || c == '-' || c == '.' || c == '_' || c == ':';
}
constexpr bool is_ascii_name_start(unsigned char c) {
    return is_ascii_name_char(c) && !is_ascii_digit(c) && c != '-' && c != '.';
}

// Latin-1 letters (U+00C0-U+00FF without the multiplication and division
// signs) may stand anywhere in a name, the middle dot U+00B7 after the first
// character. Names keep to these above ASCII in every encoding: XML readers
// disagree about the name characters above U+00FF.
constexpr bool is_latin1_name_char(unsigned code, bool first) {
    if (code == 0xB7) return !first;
    return code >= 0xC0 && code <= 0xFF && code != 0xD7 && code != 0xF7;
}

// Length of the UTF-8 sequence at text[i] encoding a character XML allows,
// storing the character; 0 when the bytes are not such a sequence.
size_t utf8_character(std::string_view text, size_t i, unsigned &code) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[i + k]); };
    const auto continuation = [&](size_t k) {
        return i + k < text.size() && (byte(k) & 0xC0) == 0x80;
    };
    const unsigned lead = byte(0);
    size_t length = 0;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    for (size_t k = 1; k < length; ++k) {
        if (!continuation(k)) return 0;
        code = (code << 6) | (byte(k) & 0x3F);
    }
    constexpr unsigned kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kShortest[length] || code > 0x10FFFF) return 0;
    if ((code >= 0xD800 && code <= 0xDFFF) || code == 0xFFFE || code == 0xFFFF) return 0;
    return length;
}

}  // namespace

namespace movri {

bool charset_of_encoding(const char *encoding, Charset &charset) {
    if (encoding == nullptr) return false;
    const std::string_view name(encoding);
    // The three encodings every reader knows, the default first, need no
    // further look.
    for (const auto &[known, known_charset] :
         {std::pair{"ISO-8859-1", Charset::Latin1}, std::pair{"UTF-8", Charset::Utf8},
          std::pair{"US-ASCII", Charset::Ascii}}) {
        if (equals_ignoring_case(name, known)) {
            charset = known_charset;
            return true;
        }
    }
    if (name.empty() || !is_ascii_letter(static_cast<unsigned char>(name[0]))) return false;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (!is_ascii_letter(byte) && !is_ascii_digit(byte) && c != '.' && c != '_' && c != '-')
            return false;
    }
    if (is_multibyte_encoding(name)) return false;
    charset = Charset::Other;
    return true;
}

bool is_xml_version(const char *version) {
    if (version == nullptr || std::strncmp(version, "1.", 2) != 0 || version[2] == '\0')
        return false;
    for (const char *c = version + 2; *c != '\0'; ++c) {
        if (!is_ascii_digit(static_cast<unsigned char>(*c))) return false;
    }
    return true;
}

bool is_xml_name(std::string_view name, Charset charset) {
    if (name.empty()) return false;
    for (size_t i = 0; i < name.size();) {
        const bool first = i == 0;
        const auto byte = static_cast<unsigned char>(name[i]);
        if (byte < 0x80) {
            if (!(first ? is_ascii_name_start(byte) : is_ascii_name_char(byte))) return false;
            ++i;
            continue;
        }
        unsigned code = byte;
        size_t length = 1;
        if (charset == Charset::Utf8) {
            length = utf8_character(name, i, code);
            if (length == 0) return false;
        } else if (charset == Charset::Ascii || (charset == Charset::Other && byte == 0xB7)) {
            // Other single-byte encodings keep, in names, to the bytes that
            // are letters in nearly all of them: those of Latin-1's letters.
            return false;
        }
        if (!is_latin1_name_char(code, first)) return false;
        i += length;
    }
    return true;
}

size_t xml_utf8_character_length(std::string_view text) {
    unsigned code = 0;
    return text.empty() ? 0 : utf8_character(text, 0, code);
}

}  // namespace movri
