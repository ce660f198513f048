// The jobs through the library's public functions, as an application does them.
#include "contenders.h"
#include "movrimsg.h"

namespace bench {

namespace {

using HeaderSetter = int32_t (*)(movri_msg *, const char *);
constexpr HeaderSetter kSetters[] = {movri_msg_set_id, movri_msg_set_sn, movri_msg_set_total,
                                     movri_msg_set_msgmode, movri_msg_set_msgname};
using HeaderGetter = const char *(*)(const movri_msg *);
constexpr HeaderGetter kGetters[] = {movri_msg_get_id, movri_msg_get_sn, movri_msg_get_total,
                                     movri_msg_get_msgmode, movri_msg_get_msgname};

bool fill(movri_msg *msg, const Message &content) {
    for (size_t i = 0; i < 5; ++i) {
        if (kSetters[i](msg, content.header[i].c_str()) < 0) return false;
    }
    for (const BodyElement &element : content.body) {
        if (movri_msg_append_element(msg, "ele", element.name.c_str(), element.value.c_str()) < 0)
            return false;
    }
    return true;
}

bool read_all(const movri_msg *msg, Message *out) {
    for (size_t i = 0; i < 5; ++i) {
        const char *value = kGetters[i](msg);
        keep(value);
        if (out != nullptr) out->header[i] = value != nullptr ? value : "";
    }
    movri_element *element = nullptr;
    for (int32_t pos = 0; movri_msg_eol(msg, pos) == 0; ++pos) {
        if (movri_msg_get_element_bypos(msg, pos, &element) < 0) return false;
        const char *tag = element->tag;
        const char *name = element->name;
        const char *value = element->value;
        keep(tag);
        keep(name);
        keep(value);
        if (out != nullptr && pos >= 5 && !collect(*out, tag, name, value ? value : ""))
            return false;
    }
    return true;
}

}  // namespace

bool movrimsg_send(const Message &msg, std::string *out) {
    movri_msg *message = nullptr;
    if (movri_msg_init(&message) != 0) return false;
    char *text = nullptr;
    const bool sent = fill(message, msg) && movri_msg_to_str(message, &text) == 0;
    if (sent && out != nullptr) *out = text;
    keep(text);
    movri_free(text);
    movri_msg_free(message);
    return sent;
}

bool movrimsg_receive(const std::string &doc, Message *out) {
    movri_msg *message = nullptr;
    if (movri_msg_init(&message) != 0) return false;
    const bool received = movri_msg_parse(message, doc.c_str()) == 0 && read_all(message, out);
    movri_msg_free(message);
    return received;
}

}  // namespace bench
