// Copies a message through its document: what the copy holds is exactly what
// survives rendering and parsing.
#include "movrimsg.h"

extern "C" int32_t movri_msg_clone(const movri_msg *src, movri_msg **copy) {
    if (copy == nullptr) return -1;
    *copy = nullptr;
    movri_msg *fresh = nullptr;
    if (movri_msg_init(&fresh) != 0) return -1;
    char *text = nullptr;
    const bool copied = movri_msg_to_str(src, &text) == 0 && movri_msg_parse(fresh, text) == 0;
    movri_free(text);
    if (!copied) {
        movri_msg_free(fresh);
        return -1;
    }
    *copy = fresh;
    return 0;
}
