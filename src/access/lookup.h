// Finding elements by tag and name.
#pragma once

#include "movrimsg.h"

#include <string_view>

namespace movri {

// Whether the message can be searched or changed: present, with a sequence.
inline bool has_sequence(const movri_msg *msg) {
    return msg != nullptr && msg->elements != nullptr;
}

// Tags given to lookups and insertions must be present and non-empty.
inline bool is_valid_tag(const char *tag) { return tag != nullptr && tag[0] != '\0'; }

// The position of the first element whose tag matches (any name), storing
// it in *found when given; the count, storing null, when none does. The
// message must have a sequence.
int32_t find_tag(const movri_msg *msg, std::string_view tag, movri_element **found = nullptr);

}  // namespace movri
