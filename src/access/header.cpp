// The five header elements, kept in canonical order at the front.
#include "header.h"

#include "../model/sequence.h"
#include "../model/element.h"
#include "../model/text.h"
#include "insertion.h"
#include "lookup.h"

namespace {

enum HeaderField : int { kId, kSn, kTotal, kMsgmode, kMsgname };

// Where a new header element goes: right behind the nearest earlier header
// element (found without a name), else at the front.
int32_t header_slot(const movri_msg *msg, int index) {
    for (int earlier = index - 1; earlier >= 0; --earlier) {
        const int32_t pos =
            movri_msg_find_element(msg, movri::kHeaderTags[earlier].data(), nullptr);
        if (pos < msg->elements->count) return pos + 1;
    }
    return 0;
}

}  // namespace

namespace movri {

const char *get_header(const movri_msg *msg, int index) {
    if (!has_sequence(msg)) return nullptr;
    movri_element *element = nullptr;
    find_tag(msg, kHeaderTags[index], &element);
    return element != nullptr ? element->value : nullptr;
}

int32_t set_header(movri_msg *msg, int index, const char *value) {
    if (!has_sequence(msg)) return -1;
    movri_element *element = nullptr;
    const int32_t found = find_tag(msg, kHeaderTags[index], &element);
    if (element != nullptr)
        return set_element_text(element, &movri_element::value, value) == 0 ? found : -1;
    return insert_new_element(msg, header_slot(msg, index), kHeaderTags[index].data(), nullptr,
                              value);
}

}  // namespace movri

extern "C" {

const char *movri_msg_get_id(const movri_msg *msg) { return movri::get_header(msg, kId); }
const char *movri_msg_get_sn(const movri_msg *msg) { return movri::get_header(msg, kSn); }
const char *movri_msg_get_total(const movri_msg *msg) { return movri::get_header(msg, kTotal); }
const char *movri_msg_get_msgmode(const movri_msg *msg) { return movri::get_header(msg, kMsgmode); }
const char *movri_msg_get_msgname(const movri_msg *msg) { return movri::get_header(msg, kMsgname); }

int32_t movri_msg_set_id(movri_msg *msg, const char *value) {
    return movri::set_header(msg, kId, value);
}
int32_t movri_msg_set_sn(movri_msg *msg, const char *value) {
    return movri::set_header(msg, kSn, value);
}
int32_t movri_msg_set_total(movri_msg *msg, const char *value) {
    return movri::set_header(msg, kTotal, value);
}
int32_t movri_msg_set_msgmode(movri_msg *msg, const char *value) {
    return movri::set_header(msg, kMsgmode, value);
}
int32_t movri_msg_set_msgname(movri_msg *msg, const char *value) {
    return movri::set_header(msg, kMsgname, value);
}

}  // extern "C"
