/// @file movrimsg.hpp
/// A header-only C++ layer over the movrimsg C functions (C++17 or later).
///
/// Nothing here reimplements the library: every operation is one call of a
/// function declared in movrimsg.h. Failures come back as values (an empty
/// std::optional or false), never as exceptions. Texts go in as
/// std::string_view and come out as std::optional<std::string_view>, where
/// std::nullopt is an absent text and differs from the empty text.
///
/// Texts handed out are borrowed from their message, exactly as in C: they stay
/// valid until that field is set again, the element is removed or the message
/// is destroyed. Texts passed in are copied; one holding a zero byte cannot be
/// stored in a C text and is refused.
#ifndef MOVRIMSG_HPP
#define MOVRIMSG_HPP

#include "movrimsg.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace movrimsg {

/// A text as the library stores it: absent (std::nullopt) or its bytes.
using text = std::optional<std::string_view>;

/// A position in a message's element sequence, or std::nullopt for failure.
using position = std::optional<std::int32_t>;

namespace detail {

inline text view(const char *stored) {
    if (stored == nullptr) return std::nullopt;
    return std::string_view(stored);
}

inline position from_status(std::int32_t status) {
    if (status < 0) return std::nullopt;
    return status;
}

/// A zero-terminated copy of a text for the C functions.
class c_text {
public:
    explicit c_text(text source) : present_(source.has_value()) {
        if (present_) copy_.assign(source->data(), source->size());
    }
    /// False when the text holds a zero byte, which a C text would cut short.
    bool storable() const { return copy_.find('\0') == std::string::npos; }
    const char *get() const { return present_ ? copy_.c_str() : nullptr; }

private:
    bool present_;
    std::string copy_;
};

struct library_deleter {
    void operator()(char *block) const { movri_free(block); }
};

/// Calls set with the C form of value, or gives -1 when value cannot be stored.
template <typename Setter>
std::int32_t with_c_text(text value, Setter set) {
    const c_text converted(value);
    return converted.storable() ? set(converted.get()) : -1;
}

}  // namespace detail

/// One element of a message, borrowed from it.
class element_view {
public:
    element_view(const movri_element *element, std::int32_t pos) : element_(element), pos_(pos) {}

    std::int32_t position() const { return pos_; }
    text tag() const { return detail::view(movri_element_get_tag(element_)); }
    text name() const { return detail::view(movri_element_get_name(element_)); }
    text value() const { return detail::view(movri_element_get_value(element_)); }
    const movri_element *get() const { return element_; }

private:
    const movri_element *element_;
    std::int32_t pos_;
};

/// Walks a message's elements in position order, one O(1) step at a time.
class element_iterator {
public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = element_view;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = element_view;

    element_iterator() = default;
    element_iterator(const movri_msg *msg, std::int32_t pos) : msg_(msg), pos_(pos) {}

    element_view operator*() const {
        movri_element *element = nullptr;
        movri_msg_get_element_bypos(msg_, pos_, &element);
        return element_view(element, pos_);
    }
    element_iterator &operator++() {
        ++pos_;
        return *this;
    }
    element_iterator operator++(int) {
        element_iterator before = *this;
        ++pos_;
        return before;
    }
    friend bool operator==(const element_iterator &a, const element_iterator &b) {
        return a.msg_ == b.msg_ && a.pos_ == b.pos_;
    }
    friend bool operator!=(const element_iterator &a, const element_iterator &b) {
        return !(a == b);
    }

private:
    const movri_msg *msg_ = nullptr;
    std::int32_t pos_ = 0;
};

/// The elements of a message, for range-for.
class element_range {
public:
    element_range(const movri_msg *msg, std::int32_t count) : msg_(msg), count_(count) {}
    element_iterator begin() const { return element_iterator(msg_, 0); }
    element_iterator end() const { return element_iterator(msg_, count_); }
    std::int32_t size() const { return count_; }
    bool empty() const { return count_ == 0; }

private:
    const movri_msg *msg_;
    std::int32_t count_;
};

/// A message that owns its movri_msg and releases it when destroyed.
/// Move-only; a moved-from message holds nothing and every call on it fails.
class message {
public:
    /// An empty message with version "1.0", encoding "ISO-8859-1" and DTD
    /// "movrimsg.dtd"; std::nullopt when out of memory.
    static std::optional<message> create() {
        movri_msg *msg = nullptr;
        if (movri_msg_init(&msg) != 0) return std::nullopt;
        return message(msg);
    }

    /// The message a document describes; std::nullopt when it fails to parse
    /// (the library then writes its diagnostic line to standard error) or
    /// holds a zero byte.
    static std::optional<message> parse(std::string_view document) {
        std::optional<message> parsed = create();
        if (parsed && !parsed->add_document(document)) return std::nullopt;
        return parsed;
    }

    /// Takes ownership of msg, which may be null.
    explicit message(movri_msg *msg) noexcept : msg_(msg) {}
    message(message &&other) noexcept : msg_(other.release()) {}
    message &operator=(message &&other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    message(const message &) = delete;
    message &operator=(const message &) = delete;
    ~message() { movri_msg_free(msg_); }

    movri_msg *get() const noexcept { return msg_; }
    /// Gives up ownership: the caller releases the result with movri_msg_free.
    movri_msg *release() noexcept { return std::exchange(msg_, nullptr); }
    void reset(movri_msg *msg = nullptr) noexcept { movri_msg_free(std::exchange(msg_, msg)); }

    /// The document, or std::nullopt when it would exceed MOVRI_TEXT_LIMIT
    /// bytes or would not be well-formed.
    std::optional<std::string> render() const {
        char *raw = nullptr;
        if (movri_msg_to_str(msg_, &raw) != 0) return std::nullopt;
        const std::unique_ptr<char, detail::library_deleter> owned(raw);
        return std::string(owned.get());
    }

    /// Adds the elements of document to this message (it is not emptied first).
    /// False when it fails to parse; the elements added before the failure stay.
    bool add_document(std::string_view document) {
        return detail::with_c_text(document,
                                   [this](const char *c) { return movri_msg_parse(msg_, c); }) == 0;
    }

    /// A copy made through the document; it has the default document properties.
    std::optional<message> clone() const {
        movri_msg *copy = nullptr;
        if (movri_msg_clone(msg_, &copy) != 0) return std::nullopt;
        return message(copy);
    }

    text version() const { return detail::view(movri_msg_get_version(msg_)); }
    text encoding() const { return detail::view(movri_msg_get_encoding(msg_)); }
    text dtd() const { return detail::view(movri_msg_get_dtd(msg_)); }
    bool set_version(text value) { return store(value, movri_msg_set_version) == 0; }
    bool set_encoding(text value) { return store(value, movri_msg_set_encoding) == 0; }
    bool set_dtd(text value) { return store(value, movri_msg_set_dtd) == 0; }

    /// Header values: the first element with that tag, in any letter case.
    text id() const { return detail::view(movri_msg_get_id(msg_)); }
    text sn() const { return detail::view(movri_msg_get_sn(msg_)); }
    text total() const { return detail::view(movri_msg_get_total(msg_)); }
    text msgmode() const { return detail::view(movri_msg_get_msgmode(msg_)); }
    text msgname() const { return detail::view(movri_msg_get_msgname(msg_)); }
    /// Each sets the value, creating the element in its header place; its position.
    position set_id(text value) { return detail::from_status(store(value, movri_msg_set_id)); }
    position set_sn(text value) { return detail::from_status(store(value, movri_msg_set_sn)); }
    position set_total(text value) {
        return detail::from_status(store(value, movri_msg_set_total));
    }
    position set_msgmode(text value) {
        return detail::from_status(store(value, movri_msg_set_msgmode));
    }
    position set_msgname(text value) {
        return detail::from_status(store(value, movri_msg_set_msgname));
    }

    /// The number of elements; 0 for a moved-from message.
    std::int32_t size() const {
        return msg_ != nullptr && msg_->elements != nullptr ? msg_->elements->count : 0;
    }
    element_range elements() const { return element_range(msg_, size()); }

    /// The element at pos, or std::nullopt outside 0 .. size() - 1.
    std::optional<element_view> at(std::int32_t pos) const {
        movri_element *element = nullptr;
        if (movri_msg_get_element_bypos(msg_, pos, &element) < 0) return std::nullopt;
        return element_view(element, pos);
    }

    /// The first element whose tag and name match ignoring ASCII case; an
    /// absent name matches only elements without a name.
    std::optional<element_view> find(std::string_view tag, text name = std::nullopt) const {
        const detail::c_text c_tag(tag), c_name(name);
        if (!c_tag.storable() || !c_name.storable()) return std::nullopt;
        return at(movri_msg_find_element(msg_, c_tag.get(), c_name.get()));
    }

    /// Appends an element; its position.
    position append(std::string_view tag, text name, text value) {
        const detail::c_text c_tag(tag), c_name(name), c_value(value);
        if (!c_tag.storable() || !c_name.storable() || !c_value.storable()) return std::nullopt;
        return detail::from_status(
            movri_msg_append_element(msg_, c_tag.get(), c_name.get(), c_value.get()));
    }

    /// Inserts an element at pos (below size(), or 0); later elements move up.
    position insert(std::int32_t pos, std::string_view tag, text name, text value) {
        const detail::c_text c_tag(tag), c_name(name), c_value(value);
        if (!c_tag.storable() || !c_name.storable() || !c_value.storable()) return std::nullopt;
        return detail::from_status(
            movri_msg_insert_element_bypos(msg_, pos, c_tag.get(), c_name.get(), c_value.get()));
    }

    /// Replaces the value of the element at pos; pos, or std::nullopt.
    position set_value(std::int32_t pos, text value) {
        return detail::from_status(detail::with_c_text(
            value, [&](const char *c) { return movri_msg_set_element_value_bypos(msg_, pos, c); }));
    }

private:
    template <typename Setter>
    std::int32_t store(text value, Setter set) {
        return detail::with_c_text(value, [&](const char *c) { return set(msg_, c); });
    }

    movri_msg *msg_;
};

}  // namespace movrimsg

#endif  // MOVRIMSG_HPP
