// Element records made and released inside the library.
#pragma once

#include "movrimsg.h"

namespace movri {

// A new element holding copies of the three texts (name and value may be
// null), or null when out of memory.
movri_element *make_element(const char *tag, const char *name, const char *value);

// An element the current scope owns until it is handed to a message.
class OwnedElement {
public:
    explicit OwnedElement(movri_element *element) : element_(element) {}
    OwnedElement(const OwnedElement &) = delete;
    OwnedElement &operator=(const OwnedElement &) = delete;
    ~OwnedElement() { movri_element_free(element_); }

    movri_element *get() const { return element_; }
    movri_element *release() {
        movri_element *element = element_;
        element_ = nullptr;
        return element;
    }

private:
    movri_element *element_;
};

}  // namespace movri

// Appends n bytes to the element's value (making it when absent). 0, also
// for null bytes or n = 0; -1 for a null element or when out of memory, the
// value then kept as it was.
int32_t movri_element_append_value(movri_element *element, const char *bytes, size_t n);
