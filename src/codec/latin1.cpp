#include "latin1.h"

#include <cstdint>
#include <cstring>

namespace {

// Bytes a UTF-8 sequence takes, from its first byte; 1 for a stray
// continuation byte, so that it is passed over as one character.
constexpr size_t sequence_length(unsigned char lead) {
    if (lead < 0xE0) return lead < 0xC0 ? 1 : 2;
    return lead < 0xF0 ? 3 : 4;
}

}  // namespace

namespace movri {

size_t movri_utf8_to_latin1(const char *in, size_t length, char *out) {
    // Text mostly starts with ASCII, whose bytes stay as they are: eight at a
    // time while they last, then one character at a time.
    size_t written = 0;
    for (uint64_t word = 0; length - written >= sizeof word; written += sizeof word) {
        std::memcpy(&word, in + written, sizeof word);
        if ((word & 0x8080808080808080) != 0) break;
        std::memcpy(out + written, &word, sizeof word);
    }
    for (size_t i = written; i < length;) {
        const auto lead = static_cast<unsigned char>(in[i]);
        if (lead < 0x80) {
            out[written++] = static_cast<char>(lead);
            ++i;
            continue;
        }
        const size_t span = sequence_length(lead);
        const bool latin1 = (lead == 0xC2 || lead == 0xC3) && i + 1 < length;
        out[written++] = latin1 ? static_cast<char>(((lead & 0x03) << 6) |
                                                    (static_cast<unsigned char>(in[i + 1]) & 0x3F))
                                : '?';
        i += span < length - i ? span : length - i;
    }
    return written;
}

bool append_latin1(TextBuilder &to, const char *in, size_t length) {
    if (!to.reserve_more(length)) return false;
    to.commit(movri_utf8_to_latin1(in, length, to.end()));
    return true;
}

}  // namespace movri
