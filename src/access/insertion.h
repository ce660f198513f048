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

}  // namespace movri
