#include "element.h"

#include "text.h"

#include <cstddef>
#include <cstdint>

namespace {

// Every element the library makes is one block: the link that holds it in a
// message (unused while it stands free), the record, and the texts it was
// made with, right behind. A text set later that is longer than the one it
// replaces gets a block of its own.
struct ElementBlock {
    movri_link link;
    movri_element element;
    size_t room;  // bytes of texts behind the block
};

ElementBlock &block_of(movri_element *element) {
    return *reinterpret_cast<ElementBlock *>(reinterpret_cast<char *>(element) -
                                             offsetof(ElementBlock, element));
}

movri::InlineRoom room_of(const ElementBlock &block) {
    return {reinterpret_cast<const char *>(&block + 1), block.room};
}

// A new block holding copies of the texts, or null when out of memory. Each
// present span lies in memory, so its size with the terminator cannot wrap;
// their sum is checked.
ElementBlock *make_block(movri::TextSpan tag, movri::TextSpan name, movri::TextSpan value) {
    const size_t texts = movri::inline_size(tag) + movri::inline_size(name);
    const size_t value_size = movri::inline_size(value);
    if (texts < movri::inline_size(tag) || value_size > SIZE_MAX - sizeof(ElementBlock) - texts)
        return nullptr;
    const size_t room = texts + value_size;
    auto *block = static_cast<ElementBlock *>(movri_malloc(sizeof(ElementBlock) + room));
    if (block == nullptr) return nullptr;
    auto *at = reinterpret_cast<char *>(block + 1);
    char *tag_copy = movri::place_text(at, tag);
    char *name_copy = movri::place_text(at, name);
    block->element = movri_element{tag_copy, name_copy, movri::place_text(at, value)};
    block->link = movri_link{nullptr, &block->element};
    block->room = room;
    return block;
}

// A new block holding a copy of a run of texts laid out as make_listed_element
// takes them, or null when out of memory.
ElementBlock *make_block(const char *texts, size_t size, size_t name_at, size_t value_at) {
    if (size > SIZE_MAX - sizeof(ElementBlock)) return nullptr;
    auto *block = static_cast<ElementBlock *>(movri_malloc(sizeof(ElementBlock) + size));
    if (block == nullptr) return nullptr;
    auto *at = reinterpret_cast<char *>(block + 1);
    movri::copy_bytes(at, texts, size);
    block->element = movri_element{at, at + name_at, value_at < size ? at + value_at : nullptr};
    block->link = movri_link{nullptr, &block->element};
    block->room = size;
    return block;
}

void free_block(ElementBlock &block) {
    const movri::InlineRoom room = room_of(block);
    movri::release_text(block.element.tag, room);
    movri::release_text(block.element.name, room);
    movri::release_text(block.element.value, room);
    movri_free(&block);
}

}  // namespace

namespace movri {

movri_link *make_listed_element(TextSpan tag, TextSpan name, TextSpan value) {
    ElementBlock *block = make_block(tag, name, value);
    return block != nullptr ? &block->link : nullptr;
}

movri_link *make_listed_element(const char *texts, size_t size, size_t name_at, size_t value_at) {
    ElementBlock *block = make_block(texts, size, name_at, value_at);
    return block != nullptr ? &block->link : nullptr;
}

void free_listed_element(movri_link *link) { free_block(*reinterpret_cast<ElementBlock *>(link)); }

int32_t set_element_text(movri_element *element, char *movri_element::*field, const char *text) {
    if (element == nullptr) return -1;
    return replace_text(&(element->*field), text, room_of(block_of(element)));
}

}  // namespace movri

extern "C" {

int32_t movri_element_init(movri_element **element) {
    if (element == nullptr) return -1;
    ElementBlock *block = make_block({}, {}, {});
    *element = block != nullptr ? &block->element : nullptr;
    return block != nullptr ? 0 : -1;
}

void movri_element_free(movri_element *element) {
    if (element != nullptr) free_block(block_of(element));
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
    return movri::set_element_text(element, &movri_element::tag, text);
}

int32_t movri_element_set_name(movri_element *element, const char *text) {
    return movri::set_element_text(element, &movri_element::name, text);
}

int32_t movri_element_set_value(movri_element *element, const char *text) {
    return movri::set_element_text(element, &movri_element::value, text);
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
    movri::release_text(element->value, room_of(block_of(element)));
    element->value = joined;
    return 0;
}
