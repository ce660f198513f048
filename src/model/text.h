// Text helpers shared by every part of the library.
#pragma once

#include "movrimsg.h"

#include <cstring>
#include <string_view>

namespace movri {

// The length of a present text.
inline size_t text_length(const char *text) { return std::strlen(text); }

// The tag and name matching rule: both present, equally long, equal ignoring
// ASCII letter case.
bool texts_match(const char *stored, const char *wanted);

// Replaces *field with a copy of text (null makes it absent). The copy is
// made first, so text may be *field itself. -1, keeping the field, when the
// copy cannot be allocated.
int32_t replace_text(char **field, const char *text);

// A text the current scope owns until it is released to a record.
class OwnedText {
public:
    OwnedText() = default;
    explicit OwnedText(char *text) : text_(text) {}
    OwnedText(const OwnedText &) = delete;
    OwnedText &operator=(const OwnedText &) = delete;
    ~OwnedText() { movri_free(text_); }

    char *get() const { return text_; }
    void reset(char *text) {
        movri_free(text_);
        text_ = text;
    }
    char *release() {
        char *text = text_;
        text_ = nullptr;
        return text;
    }

private:
    char *text_ = nullptr;
};

// Copies a text that may be absent. false only when a present text could not
// be copied.
inline bool copy_optional(const char *text, OwnedText &out) {
    if (text == nullptr) return true;
    out.reset(movri_strdup(text));
    return out.get() != nullptr;
}

}  // namespace movri
