// Placing new elements in a message.
#pragma once

#include "movrimsg.h"

#include "../model/text.h"

namespace movri {

// Makes an element from copies of the texts and puts it at pos (pos equal to
// the count appends). pos on success; -1 when out of memory, leaving the
// message unchanged. The message must have a sequence and tag be non-empty.
int32_t insert_new_element(movri_msg *msg, int32_t pos, const char *tag, const char *name,
                           const char *value);

// Makes an element from copies of the spans and appends it. The new element,
// or null when out of memory, leaving the message unchanged. The message
// must have a sequence and tag be non-empty.
movri_element *append_new_element(movri_msg *msg, TextSpan tag, TextSpan name, TextSpan value);

}  // namespace movri
