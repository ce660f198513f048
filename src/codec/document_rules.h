// What a well-formed message document can hold: the writer checks every
// text against these rules before it writes it.
#pragma once

#include <string_view>

namespace movri {

// How the declared encoding constrains the bytes of tags, names and values.
enum class Charset {
    Latin1,  // ISO-8859-1: every byte is a character
    Utf8,    // bytes must form valid UTF-8 sequences
    Ascii,   // US-ASCII: no byte of 0x80 or above
    Other,   // another single-byte encoding: texts' bytes of 0x80 and above unchecked,
             // names' limited to those of Latin-1's letters
};

// The charset of an encoding name, or false when the name is absent, not an
// encoding name, or names a multi-byte encoding single-byte text cannot use.
bool charset_of_encoding(const char *encoding, Charset &charset);

// "1." followed by at least one digit.
bool is_xml_version(const char *version);

// A non-empty XML name in the charset.
bool is_xml_name(std::string_view name, Charset charset);

// Length of the UTF-8 sequence that starts text and encodes a character XML
// allows; 0 when it does not.
size_t xml_utf8_character_length(std::string_view text);

}  // namespace movri
