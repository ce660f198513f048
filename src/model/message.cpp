#include "element.h"
#include "sequence.h"
#include "text.h"

namespace {

constexpr const char *kDefaultVersion = "1.0";
constexpr const char *kDefaultEncoding = "ISO-8859-1";
constexpr const char *kDefaultDtd = "movrimsg.dtd";

}  // namespace

extern "C" {

int32_t movri_msg_init(movri_msg **msg) {
    if (msg == nullptr) return -1;
    *msg = static_cast<movri_msg *>(movri_malloc(sizeof(movri_msg)));
    if (*msg == nullptr) return -1;
    movri_msg &m = **msg;
    m = movri_msg{movri_strdup(kDefaultVersion), movri_strdup(kDefaultEncoding),
                  movri_strdup(kDefaultDtd), movri_list_new()};
    if (m.version == nullptr || m.encoding == nullptr || m.dtd == nullptr ||
        m.elements == nullptr) {
        movri_msg_free(*msg);
        *msg = nullptr;
        return -1;
    }
    return 0;
}

void movri_msg_free(movri_msg *msg) {
    if (msg == nullptr) return;
    movri_free(msg->version);
    movri_free(msg->encoding);
    movri_free(msg->dtd);
    movri_list_free(msg->elements, movri::free_listed_element);
    movri_free(msg);
}

const char *movri_msg_get_version(const movri_msg *msg) {
    return msg != nullptr ? msg->version : nullptr;
}

const char *movri_msg_get_encoding(const movri_msg *msg) {
    return msg != nullptr ? msg->encoding : nullptr;
}

const char *movri_msg_get_dtd(const movri_msg *msg) { return msg != nullptr ? msg->dtd : nullptr; }

int32_t movri_msg_set_version(movri_msg *msg, const char *text) {
    return msg != nullptr ? movri::replace_text(&msg->version, text) : -1;
}

int32_t movri_msg_set_encoding(movri_msg *msg, const char *text) {
    return msg != nullptr ? movri::replace_text(&msg->encoding, text) : -1;
}

int32_t movri_msg_set_dtd(movri_msg *msg, const char *text) {
    return msg != nullptr ? movri::replace_text(&msg->dtd, text) : -1;
}

int32_t movri_msg_eol(const movri_msg *msg, int32_t pos) {
    if (msg == nullptr || msg->elements == nullptr) return -1;
    return pos >= msg->elements->count ? 1 : 0;
}

}  // extern "C"
