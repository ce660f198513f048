#include "element.h"
#include "sequence.h"
#include "text.h"

namespace {

// A message's record and its default texts are one block; a text set later
// that is longer than the one it replaces gets a block of its own.
struct DefaultTexts {
    char version[4] = "1.0";
    char encoding[11] = "ISO-8859-1";
    char dtd[13] = "movrimsg.dtd";
};

struct MessageBlock {
    movri_msg msg;
    DefaultTexts texts;
};

movri::InlineRoom room_of(const movri_msg *msg) {
    const auto &block = *reinterpret_cast<const MessageBlock *>(msg);
    return {reinterpret_cast<const char *>(&block.texts), sizeof block.texts};
}

}  // namespace

extern "C" {

int32_t movri_msg_init(movri_msg **msg) {
    if (msg == nullptr) return -1;
    auto *block = static_cast<MessageBlock *>(movri_malloc(sizeof(MessageBlock)));
    movri_list *elements = block != nullptr ? movri_list_new() : nullptr;
    if (elements == nullptr) {
        movri_free(block);
        *msg = nullptr;
        return -1;
    }
    block->texts = DefaultTexts{};
    DefaultTexts &texts = block->texts;
    block->msg = movri_msg{texts.version, texts.encoding, texts.dtd, elements};
    *msg = &block->msg;
    return 0;
}

void movri_msg_free(movri_msg *msg) {
    if (msg == nullptr) return;
    const movri::InlineRoom room = room_of(msg);
    movri::release_text(msg->version, room);
    movri::release_text(msg->encoding, room);
    movri::release_text(msg->dtd, room);
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
    return msg != nullptr ? movri::replace_text(&msg->version, text, room_of(msg)) : -1;
}

int32_t movri_msg_set_encoding(movri_msg *msg, const char *text) {
    return msg != nullptr ? movri::replace_text(&msg->encoding, text, room_of(msg)) : -1;
}

int32_t movri_msg_set_dtd(movri_msg *msg, const char *text) {
    return msg != nullptr ? movri::replace_text(&msg->dtd, text, room_of(msg)) : -1;
}

int32_t movri_msg_eol(const movri_msg *msg, int32_t pos) {
    if (msg == nullptr || msg->elements == nullptr) return -1;
    return pos >= msg->elements->count ? 1 : 0;
}

}  // extern "C"
