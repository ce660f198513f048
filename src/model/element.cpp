#include "element.h"

#include "text.h"

#include <cstdint>

namespace {

// An element of a message and its link, allocated together: one block fewer
// per element than a separate link.
struct ListedElement {
    movri_link link;
    movri_element element;
};

void free_texts(movri_element &element) {
    movri_free(element.tag);
    movri_free(element.name);
    movri_free(element.value);
}

}  // namespace

namespace movri {

movri_link *make_listed_element(TextSpan tag, TextSpan name, TextSpan value) {
    auto *block = static_cast<ListedElement *>(movri_malloc(sizeof(ListedElement)));
    if (block == nullptr) return nullptr;
    block->element = movri_element{copy_text(tag), copy_text(name), copy_text(value)};
    block->link = movri_link{nullptr, &block->element};
    const movri_element &made = block->element;
    if (copy_failed(tag, made.tag) || copy_failed(name, made.name) ||
        copy_failed(value, made.value)) {
        free_listed_element(&block->link);
        return nullptr;
    }
    return &block->link;
}

void free_listed_element(movri_link *link) {
    auto *block = reinterpret_cast<ListedElement *>(link);
    free_texts(block->element);
    movri_free(block);
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
    free_texts(*element);
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
