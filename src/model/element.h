// Element records made and released inside the library.
#pragma once

#include "movrimsg.h"

#include "text.h"

namespace movri {

// A new element of a message, holding copies of the three texts (name and
// value may be absent), made in one block with the link that will hold it in
// the message's sequence; null when out of memory. Released with
// free_listed_element, never with movri_element_free.
movri_link *make_listed_element(TextSpan tag, TextSpan name, TextSpan value);

// The same from texts already laid out in one run of size bytes: the tag at
// the start, the name at name_at and the value at value_at, each with its
// terminator; the value is absent when value_at is size.
movri_link *make_listed_element(const char *texts, size_t size, size_t name_at, size_t value_at);

// Releases an element made by make_listed_element, its texts and its link.
void free_listed_element(movri_link *link);

// Replaces one text of an element the library made, listed or free-standing,
// as the movri_element_set_* functions do: 0, or -1 keeping the text.
int32_t set_element_text(movri_element *element, char *movri_element::*field, const char *text);

}  // namespace movri

// Appends n bytes to the element's value (making it when absent). 0, also
// for null bytes or n = 0; -1 for a null element or when out of memory, the
// value then kept as it was.
int32_t movri_element_append_value(movri_element *element, const char *bytes, size_t n);
