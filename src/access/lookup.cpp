#include "lookup.h"

#include "../model/sequence.h"
#include "../model/text.h"

namespace {

bool element_matches(const movri_element &element, const char *tag, const char *name) {
    if (!movri::texts_match(element.tag, tag)) return false;
    return name != nullptr ? movri::texts_match(element.name, name) : element.name == nullptr;
}

}  // namespace

namespace movri {

int32_t find_tag(const movri_msg *msg, const char *tag) {
    const int32_t count = msg->elements->count;
    for (int32_t pos = 0; pos < count; ++pos) {
        if (texts_match(movri_list_at(msg->elements, pos)->tag, tag)) return pos;
    }
    return count;
}

}  // namespace movri

extern "C" {

int32_t movri_msg_find_element(const movri_msg *msg, const char *tag, const char *name) {
    if (!movri::has_sequence(msg) || !movri::is_valid_tag(tag)) return -1;
    const int32_t count = msg->elements->count;
    for (int32_t pos = 0; pos < count; ++pos) {
        if (element_matches(*movri_list_at(msg->elements, pos), tag, name)) return pos;
    }
    return count;
}

int32_t movri_msg_get_element_bypos(const movri_msg *msg, int32_t pos, movri_element **element) {
    if (element == nullptr) return -1;
    *element = movri::has_sequence(msg) ? movri_list_at(msg->elements, pos) : nullptr;
    return *element != nullptr ? pos : -1;
}

int32_t movri_msg_get_element_byname(const movri_msg *msg, const char *tag, const char *name,
                                     movri_element **element) {
    if (element == nullptr) return -1;
    const int32_t pos = movri_msg_find_element(msg, tag, name);
    *element = pos >= 0 ? movri_list_at(msg->elements, pos) : nullptr;
    return pos;
}

int32_t movri_msg_set_element_value_byname(movri_msg *msg, const char *tag, const char *name,
                                           const char *value) {
    movri_element *element = nullptr;
    const int32_t pos = movri_msg_get_element_byname(msg, tag, name, &element);
    if (element == nullptr) return -1;
    return movri::replace_text(&element->value, value) == 0 ? pos : -1;
}

int32_t movri_msg_set_element_value_bypos(movri_msg *msg, int32_t pos, const char *value) {
    movri_element *element = nullptr;
    if (movri_msg_get_element_bypos(msg, pos, &element) < 0) return -1;
    return movri::replace_text(&element->value, value) == 0 ? pos : -1;
}

}  // extern "C"
