// Text helpers shared by every part of the library.
#pragma once

#include "movrimsg.h"

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

// The tag and name matching rule: a stored text matches the wanted one when
// both are present, equally long and equal ignoring ASCII letter case. The
// wanted text is measured once, for a whole walk.
class TextMatcher {
public:
    explicit TextMatcher(const char *wanted) : wanted_(span_of(wanted)) {}
    bool matches(const char *stored) const;

private:
    TextSpan wanted_;
};

// Replaces *field with a copy of text (null makes it absent). The copy is
// made first, so text may be *field itself. -1, keeping the field, when the
// copy cannot be allocated.
int32_t replace_text(char **field, const char *text);

}  // namespace movri
