#include "element.h"

#include "text.h"

#include <cstdint>

namespace movri {

movri_element *make_element(const char *tag, const char *name, const char *value) {
    movri_element *raw = nullptr;
    if (movri_element_init(&raw) != 0) return nullptr;
    OwnedElement element(raw);
    if (replace_text(&raw->tag, tag) != 0 || replace_text(&raw->name, name) != 0 ||
        replace_text(&raw->value, value) != 0)
        return nullptr;
    return element.release();
}

}  // namespace movri

extern "C" {

int32_t movri_element_init(movri_element **element) {
    if (element == nullptr) return -1;
    *element = static_cast<movri_element *>(movri_malloc(sizeof(movri_element)));
    if (*element == nullptr) return -1;
    **element = movri_element{nullptr, nullptr, nullptr};
    return 0;
}

void movri_element_free(movri_element *element) {
    if (element == nullptr) return;
    movri_free(element->tag);
    movri_free(element->name);
    movri_free(element->value);
    movri_free(element);
}

const char *movri_element_get_tag(const movri_element *element) {
    return element != nullptr ? element->tag : nullptr;
}

const char *movri_element_get_name(const movri_element *element) {
    return element != nullptr ? element->name : nullptr;
}

const char *movri_element_get_value(const movri_element *element) {
    return element != nullptr ? element->value : nullptr;
}

int32_t movri_element_set_tag(movri_element *element, const char *text) {
    return element != nullptr ? movri::replace_text(&element->tag, text) : -1;
}

int32_t movri_element_set_name(movri_element *element, const char *text) {
    return element != nullptr ? movri::replace_text(&element->name, text) : -1;
}

int32_t movri_element_set_value(movri_element *element, const char *text) {
    return element != nullptr ? movri::replace_text(&element->value, text) : -1;
}

}  // extern "C"

int32_t movri_element_append_value(movri_element *element, const char *bytes, size_t n) {
    if (element == nullptr) return -1;
    if (bytes == nullptr || n == 0) return 0;
    const size_t old_length = element->value != nullptr ? movri::text_length(element->value) : 0;
    if (n > SIZE_MAX - old_length - 1) return -1;
    auto *joined = static_cast<char *>(movri_malloc(old_length + n + 1));
    if (joined == nullptr) return -1;
    if (old_length > 0) std::memcpy(joined, element->value, old_length);
    movri_strncpy(joined + old_length, bytes, n);
    movri_free(element->value);
    element->value = joined;
    return 0;
}
