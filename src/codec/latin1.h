// Conversion of the UTF-8 text expat delivers to the library's single-byte
// text.
#pragma once

#include "../model/short_bytes.h"
#include "text_builder.h"

#include <cstddef>

namespace movri {

// Converts length bytes of UTF-8 at in to single-byte text at out, which has
// room for length bytes: U+0000-U+00FF become their byte, every other
// character one '?'. A malformed sequence (expat never delivers one) also
// becomes '?'. Gives the number of bytes written.
size_t movri_utf8_to_latin1(const char *in, size_t length, char *out);

// The same, with the common case inline: most pieces expat delivers are
// short and plain ASCII, and are copied whole (a piece that is not is then
// written again).
inline size_t utf8_piece_to_latin1(const char *in, size_t length, char *out) {
    if (length <= kShortRun && all_ascii(copy_short(out, in, length))) return length;
    return movri_utf8_to_latin1(in, length, out);
}

// Appends the single-byte form of length bytes of UTF-8 to the end of to;
// false, leaving to as it was, when out of memory.
bool append_latin1(TextBuilder &to, const char *in, size_t length);

// The same, with the common case inline and free of calls: a short ASCII
// piece that fits the room left.
inline bool append_latin1_piece(TextBuilder &to, const char *in, size_t length) {
    if (length <= kShortRun && to.has_room(length) && all_ascii(copy_short(to.end(), in, length))) {
        to.commit(length);
        return true;
    }
    return append_latin1(to, in, length);
}

}  // namespace movri
