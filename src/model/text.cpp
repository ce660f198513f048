#include "text.h"

#include <cstdint>

namespace movri {

// The comparison stops at a terminator, so a stored text shorter than the
// wanted one is read no further than its end.
bool TextMatcher::matches_whole(const char *stored) const {
    return movri_strncasecmp(stored, wanted_.bytes, wanted_.length) == 0 &&
           stored[wanted_.length] == '\0';
}

char *copy_text(TextSpan text) {
    if (text.bytes == nullptr || text.length == SIZE_MAX) return nullptr;
    auto *copy = static_cast<char *>(movri_malloc(text.length + 1));
    if (copy == nullptr) return nullptr;
    std::memcpy(copy, text.bytes, text.length);
    copy[text.length] = '\0';
    return copy;
}

int32_t replace_text(char **field, const char *text, InlineRoom room) {
    const TextSpan span = span_of(text);
    if (span.bytes != nullptr && room.holds(*field) && span.length <= text_length(*field)) {
        movri_strncpy(*field, span.bytes, span.length);
        return 0;
    }
    char *copy = copy_text(span);
    if (copy_failed(span, copy)) return -1;
    release_text(*field, room);
    *field = copy;
    return 0;
}

}  // namespace movri

extern "C" {

char *movri_strdup(const char *text) { return movri::copy_text(movri::span_of(text)); }

char *movri_strncpy(char *dst, const char *src, size_t n) {
    if (dst == nullptr || src == nullptr) return dst;
    std::memmove(dst, src, n);
    dst[n] = '\0';
    return dst;
}

int32_t movri_strncasecmp(const char *a, const char *b, size_t n) {
    if (a == nullptr || b == nullptr) return (a == nullptr ? 0 : 1) - (b == nullptr ? 0 : 1);
    for (size_t i = 0; i < n; ++i) {
        const unsigned char ca = movri::fold_case(a[i]);
        const unsigned char cb = movri::fold_case(b[i]);
        if (ca != cb) return ca < cb ? -1 : 1;
        if (ca == '\0') break;
    }
    return 0;
}

}  // extern "C"
