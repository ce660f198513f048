// The five header elements, kept in canonical order at the front.
#pragma once

#include "movrimsg.h"

#include <string_view>

namespace movri {

// The header tags in canonical order.
inline constexpr std::string_view kHeaderTags[] = {"id", "sn", "total", "msgmode", "msgname"};
inline constexpr int kHeaderCount = sizeof kHeaderTags / sizeof kHeaderTags[0];

// Whether the text is exactly wanted, byte for byte; it is read no further
// than the first difference.
inline bool spells(const char *text, std::string_view wanted) {
    for (const char c : wanted) {
        if (*text++ != c) return false;
    }
    return *text == '\0';
}

// The value of the header element at index 0 .. kHeaderCount - 1, as the
// movri_msg_get_<tag> functions give it.
const char *get_header(const movri_msg *msg, int index);

// Sets the header element at index 0 .. kHeaderCount - 1, as the
// movri_msg_set_<tag> functions do.
int32_t set_header(movri_msg *msg, int index, const char *value);

}  // namespace movri
