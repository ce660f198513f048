// Text helpers shared by every part of the library.
#pragma once

#include "movrimsg.h"

#include "short_bytes.h"

#include <cstdint>
#include <cstring>
#include <string_view>

namespace movri {

// The length of a present text.
inline size_t text_length(const char *text) { return std::strlen(text); }

// A text whose length is already known; absent when bytes is null.
struct TextSpan {
    const char *bytes = nullptr;
    size_t length = 0;
};

// The span of a text, measured once.
inline TextSpan span_of(const char *text) {
    return text != nullptr ? TextSpan{text, text_length(text)} : TextSpan{};
}

// A new text holding a copy of a present span; null for an absent one and
// when out of memory.
char *copy_text(TextSpan text);

// Whether copy, made by copy_text from text, is missing though text is present.
inline bool copy_failed(TextSpan text, const char *copy) {
    return text.bytes != nullptr && copy == nullptr;
}

constexpr unsigned char fold_case(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte >= 'A' && byte <= 'Z') ? static_cast<unsigned char>(byte - 'A' + 'a') : byte;
}

// The tag and name matching rule: a stored text matches the wanted one when
// both are present, equally long and equal ignoring ASCII letter case. The
// wanted text is measured once, for a whole walk.
class TextMatcher {
public:
    explicit TextMatcher(const char *wanted) : wanted_(span_of(wanted)) {}
    explicit TextMatcher(TextSpan wanted) : wanted_(wanted) {}
    // Most stored texts differ from the wanted one in their first byte.
    bool matches(const char *stored) const {
        return stored != nullptr && wanted_.bytes != nullptr &&
               fold_case(stored[0]) == fold_case(wanted_.bytes[0]) && matches_whole(stored);
    }

private:
    bool matches_whole(const char *stored) const;

    TextSpan wanted_;
};

// The bytes at the end of a record's block that hold texts copied in with
// the record. Such a text is never freed on its own, and a text set over it
// is written in its place when it is no longer.
struct InlineRoom {
    const char *begin = nullptr;
    size_t size = 0;

    bool holds(const char *text) const {
        return reinterpret_cast<uintptr_t>(text) - reinterpret_cast<uintptr_t>(begin) < size;
    }
};

// The block size a present span takes inline, terminator included; 0 for
// an absent one.
inline size_t inline_size(TextSpan text) { return text.bytes != nullptr ? text.length + 1 : 0; }

// Copies a present span to at and moves at past it; the copy, or null for an
// absent span.
inline char *place_text(char *&at, TextSpan text) {
    if (text.bytes == nullptr) return nullptr;
    char *copy = at;
    copy_bytes(copy, text.bytes, text.length);
    copy[text.length] = '\0';
    at += text.length + 1;
    return copy;
}

// Frees a text unless it lives in room.
inline void release_text(char *text, InlineRoom room) {
    if (!room.holds(text)) movri_free(text);
}

// Replaces *field with a copy of text (null makes it absent), in place when
// *field lives in room and text is no longer. A new copy is made first, so
// text may be *field itself. -1, keeping the field, when the copy cannot be
// allocated.
int32_t replace_text(char **field, const char *text, InlineRoom room = {});

}  // namespace movri
