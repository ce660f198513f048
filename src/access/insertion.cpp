#include "insertion.h"

#include "../model/element.h"
#include "../model/sequence.h"
#include "lookup.h"

namespace {

// The position of the reference element, or -1 when the arguments are bad or
// no element matches.
int32_t find_reference(const movri_msg *msg, const char *ref_tag, const char *ref_name,
                       const char *tag) {
    if (!movri::has_sequence(msg) || !movri::is_valid_tag(ref_tag) || !movri::is_valid_tag(tag))
        return -1;
    const int32_t pos = movri_msg_find_element(msg, ref_tag, ref_name);
    return pos < msg->elements->count ? pos : -1;
}

// Makes the element and chains it in at pos; its link, or null when out of
// memory.
movri_link *place_new_element(movri_msg *msg, int32_t pos, movri::TextSpan tag,
                              movri::TextSpan name, movri::TextSpan value) {
    movri_link *link = movri::make_listed_element(tag, name, value);
    if (link != nullptr) movri_list_insert(msg->elements, link, pos);
    return link;
}

}  // namespace

namespace movri {

int32_t insert_new_element(movri_msg *msg, int32_t pos, const char *tag, const char *name,
                           const char *value) {
    return place_new_element(msg, pos, span_of(tag), span_of(name), span_of(value)) != nullptr ? pos
                                                                                               : -1;
}

}  // namespace movri

extern "C" {

int32_t movri_msg_append_element(movri_msg *msg, const char *tag, const char *name,
                                 const char *value) {
    if (!movri::has_sequence(msg) || !movri::is_valid_tag(tag)) return -1;
    return movri::insert_new_element(msg, msg->elements->count, tag, name, value);
}

int32_t movri_msg_insert_element_before_name(movri_msg *msg, const char *ref_tag,
                                             const char *ref_name, const char *tag,
                                             const char *name, const char *value) {
    const int32_t ref = find_reference(msg, ref_tag, ref_name, tag);
    return ref < 0 ? -1 : movri::insert_new_element(msg, ref, tag, name, value);
}

int32_t movri_msg_insert_element_after_name(movri_msg *msg, const char *ref_tag,
                                            const char *ref_name, const char *tag, const char *name,
                                            const char *value) {
    const int32_t ref = find_reference(msg, ref_tag, ref_name, tag);
    return ref < 0 ? -1 : movri::insert_new_element(msg, ref + 1, tag, name, value);
}

int32_t movri_msg_insert_element_bypos(movri_msg *msg, int32_t pos, const char *tag,
                                       const char *name, const char *value) {
    if (!movri::has_sequence(msg) || !movri::is_valid_tag(tag) || pos < 0) return -1;
    if (pos != 0 && pos >= msg->elements->count) return -1;
    return movri::insert_new_element(msg, pos, tag, name, value);
}

}  // extern "C"
