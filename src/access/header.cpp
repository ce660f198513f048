// The five header elements, kept in canonical order at the front.
#include "../model/sequence.h"
#include "../model/text.h"
#include "insertion.h"
#include "lookup.h"

namespace {

enum HeaderField : int { kId, kSn, kTotal, kMsgmode, kMsgname };

constexpr const char *kHeaderTags[] = {"id", "sn", "total", "msgmode", "msgname"};

template <HeaderField field>
const char *get_header(const movri_msg *msg) {
    if (!movri::has_sequence(msg)) return nullptr;
    const char *tag = kHeaderTags[field];
    movri_element *element = movri_list_at(msg->elements, movri::find_tag(msg, tag));
    return element != nullptr ? element->value : nullptr;
}

// Where a new header element goes: right behind the nearest earlier header
// element (found without a name), else at the front.
int32_t header_slot(const movri_msg *msg, HeaderField field) {
    for (int earlier = field - 1; earlier >= 0; --earlier) {
        const int32_t pos = movri_msg_find_element(msg, kHeaderTags[earlier], nullptr);
        if (pos < msg->elements->count) return pos + 1;
    }
    return 0;
}

template <HeaderField field>
int32_t set_header(movri_msg *msg, const char *value) {
    if (!movri::has_sequence(msg)) return -1;
    const char *tag = kHeaderTags[field];
    const int32_t found = movri::find_tag(msg, tag);
    if (movri_element *element = movri_list_at(msg->elements, found))
        return movri::replace_text(&element->value, value) == 0 ? found : -1;
    return movri::insert_new_element(msg, header_slot(msg, field), tag, nullptr, value);
}

}  // namespace

extern "C" {

const char *movri_msg_get_id(const movri_msg *msg) { return get_header<kId>(msg); }
const char *movri_msg_get_sn(const movri_msg *msg) { return get_header<kSn>(msg); }
const char *movri_msg_get_total(const movri_msg *msg) { return get_header<kTotal>(msg); }
const char *movri_msg_get_msgmode(const movri_msg *msg) { return get_header<kMsgmode>(msg); }
const char *movri_msg_get_msgname(const movri_msg *msg) { return get_header<kMsgname>(msg); }

int32_t movri_msg_set_id(movri_msg *msg, const char *value) { return set_header<kId>(msg, value); }
int32_t movri_msg_set_sn(movri_msg *msg, const char *value) { return set_header<kSn>(msg, value); }
int32_t movri_msg_set_total(movri_msg *msg, const char *value) {
    return set_header<kTotal>(msg, value);
}
int32_t movri_msg_set_msgmode(movri_msg *msg, const char *value) {
    return set_header<kMsgmode>(msg, value);
}
int32_t movri_msg_set_msgname(movri_msg *msg, const char *value) {
    return set_header<kMsgname>(msg, value);
}

}  // extern "C"
