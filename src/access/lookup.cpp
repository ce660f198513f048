#include "lookup.h"

#include "../model/sequence.h"
#include "../model/element.h"
#include "../model/text.h"

namespace {

// The position of the first element that matches, storing it in *found
// (when given); the count, storing null, when none does. The message must
// have a sequence.
template <typename Match>
int32_t find_first(const movri_msg *msg, Match match, movri_element **found) {
    const movri_list &list = *msg->elements;
    const movri_link *link = list.head;
    for (int32_t pos = 0; pos < list.count; ++pos) {
        if (pos > 0) link = link->next;
        if (match(*link->element)) {
            if (found != nullptr) *found = link->element;
            return pos;
        }
    }
    if (found != nullptr) *found = nullptr;
    return list.count;
}

}  // namespace

namespace movri {

int32_t find_tag(const movri_msg *msg, std::string_view tag, movri_element **found) {
    const TextMatcher wanted(TextSpan{tag.data(), tag.size()});
    return find_first(
        msg, [&](const movri_element &element) { return wanted.matches(element.tag); }, found);
}

}  // namespace movri

extern "C" {

int32_t movri_msg_find_element(const movri_msg *msg, const char *tag, const char *name) {
    if (!movri::has_sequence(msg) || !movri::is_valid_tag(tag)) return -1;
    const movri::TextMatcher wanted_tag(tag);
    const movri::TextMatcher wanted_name(name);
    return find_first(
        msg,
        [&](const movri_element &element) {
            return wanted_tag.matches(element.tag) &&
                   (name != nullptr ? wanted_name.matches(element.name) : element.name == nullptr);
        },
        nullptr);
}

int32_t movri_msg_get_element_bypos(const movri_msg *msg, int32_t pos, movri_element **element) {
    if (element == nullptr) return -1;
    movri_element *found = movri::has_sequence(msg) ? movri_list_at(msg->elements, pos) : nullptr;
    *element = found;
    return found != nullptr ? pos : -1;
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
    return movri::set_element_text(element, &movri_element::value, value) == 0 ? pos : -1;
}

int32_t movri_msg_set_element_value_bypos(movri_msg *msg, int32_t pos, const char *value) {
    movri_element *element = nullptr;
    if (movri_msg_get_element_bypos(msg, pos, &element) < 0) return -1;
    return movri::set_element_text(element, &movri_element::value, value) == 0 ? pos : -1;
}

}  // extern "C"
