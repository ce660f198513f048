/// @file movrimsg.hpp
/// A header-only C++ layer over the movrimsg C functions (C++17 or later).
///
/// Nothing here reimplements the library: every operation calls the functions
/// declared in movrimsg.h, most of them once. Failures come back as values (an
/// empty optional or false), never as exceptions. Texts come out as
/// std::optional<std::string_view>, where std::nullopt is an absent text and
/// differs from the empty text; they go in as a text_argument, for which
/// std::nullopt, nullptr and a null const char * are an absent text.
///
/// Texts handed out are borrowed from their message, exactly as in C: they stay
/// valid until that field is set again, the element is removed or the message
/// is destroyed. Texts passed in are copied; one holding a zero byte cannot be
/// stored in a C text and is refused.
#ifndef MOVRIMSG_HPP
#define MOVRIMSG_HPP

#if defined(_MSVC_LANG)
#define MOVRIMSG_HPP_LANGUAGE _MSVC_LANG
#else
#define MOVRIMSG_HPP_LANGUAGE __cplusplus
#endif
#if MOVRIMSG_HPP_LANGUAGE < 201703L
#error "movrimsg.hpp needs C++17 or later (-std=c++17); C++14 and older can use movrimsg.h"
#else

#include "movrimsg.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#if __has_include(<version>)
#include <version>
#endif
#ifdef __cpp_lib_ranges
#include <ranges>
#endif

namespace movrimsg {

/// A text as the library stores it: absent (std::nullopt) or its bytes.
using text = std::optional<std::string_view>;

/// A position in a message's element sequence, or std::nullopt for failure.
using position = std::optional<std::int32_t>;

/// A text given to the layer: absent (std::nullopt, nullptr, a null
/// const char *, an empty optional, {}) or the bytes of a zero-terminated
/// text, a string, a string_view or an optional holding one of them. It
/// views the text it is made from, so it is for parameters only.
class text_argument {
public:
    text_argument() = default;
    text_argument(std::nullopt_t) noexcept {}
    text_argument(std::nullptr_t) noexcept {}
    text_argument(const char *zero_terminated) noexcept {
        if (zero_terminated != nullptr) text_ = std::string_view(zero_terminated);
    }
    template <typename String,
              std::enable_if_t<std::is_convertible_v<const String &, std::string_view> &&
                                   !std::is_convertible_v<const String &, const char *>,
                               int> = 0>
    text_argument(const String &bytes) : text_(std::string_view(bytes)) {}
    template <typename String>
    text_argument(const std::optional<String> &maybe)
        : text_(maybe ? text_argument(*maybe).get() : std::nullopt) {}

    const text &get() const noexcept { return text_; }

private:
    text text_;
};

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
    explicit c_text(const text_argument &source) : present_(source.get().has_value()) {
        if (present_) copy_.assign(source.get()->data(), source.get()->size());
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
std::int32_t with_c_text(const text_argument &value, Setter set) {
    const c_text converted(value);
    return converted.storable() ? set(converted.get()) : -1;
}

/// Appends an element with the tag, name and value of from. The append
/// function refuses an absent or empty tag, which an element can have been
/// given since (movri_element_set_tag): such an element gets it afterwards.
inline bool append_copy(movri_msg *to, const movri_element *from) {
    const char *tag = movri_element_get_tag(from);
    const bool appendable = tag != nullptr && *tag != '\0';
    const std::int32_t pos = movri_msg_append_element(
        to, appendable ? tag : "t", movri_element_get_name(from), movri_element_get_value(from));
    if (pos < 0 || appendable) return pos >= 0;
    movri_element *copied = nullptr;
    return movri_msg_get_element_bypos(to, pos, &copied) >= 0 &&
           movri_element_set_tag(copied, tag) == 0;
}

/// Copies the properties and elements of from into to, a new message; false
/// when out of memory.
inline bool copy_into(movri_msg *to, const movri_msg *from) {
    if (movri_msg_set_version(to, movri_msg_get_version(from)) != 0 ||
        movri_msg_set_encoding(to, movri_msg_get_encoding(from)) != 0 ||
        movri_msg_set_dtd(to, movri_msg_get_dtd(from)) != 0)
        return false;
    movri_element *element = nullptr;
    for (std::int32_t pos = 0; movri_msg_get_element_bypos(from, pos, &element) >= 0; ++pos) {
        if (!append_copy(to, element)) return false;
    }
    return true;
}

}  // namespace detail

/// One element of a message, borrowed from it. Its texts are valid while the
/// element is in its message and that field is not set again; position() is
/// where the element stood when the view was made.
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

/// Walks a message's elements in position order. It is a forward iterator
/// for C++20 (iterator_concept) whose *it gives an element_view by value, so
/// for C++17's traits it is an input iterator. It holds the movri_msg and a
/// position: an insertion before that position moves another element to it.
class element_iterator {
public:
    /// What it-> points at: the element_view *it gives.
    class arrow {
    public:
        explicit arrow(element_view element) : element_(element) {}
        const element_view *operator->() const { return &element_; }

    private:
        element_view element_;
    };

    using iterator_concept = std::forward_iterator_tag;
    using iterator_category = std::input_iterator_tag;
    using value_type = element_view;
    using difference_type = std::ptrdiff_t;
    using pointer = arrow;
    using reference = element_view;

    element_iterator() = default;
    element_iterator(const movri_msg *msg, std::int32_t pos) : msg_(msg), pos_(pos) {}

    reference operator*() const {
        movri_element *element = nullptr;
        movri_msg_get_element_bypos(msg_, pos_, &element);
        return element_view(element, pos_);
    }
    pointer operator->() const { return arrow(**this); }
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

/// The elements of a message, from position 0 to the count it had when
/// message::elements() was called: elements appended later are not walked.
/// Its iterators do not refer to the range, only to the message, so they
/// outlive it (a borrowed range for std::ranges).
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

class optional_message;

/// A message that owns its movri_msg and releases it when destroyed.
/// Move-only; a moved-from message holds nothing and every call on it fails.
///
/// Threads: one thread at a time per message, reads included. Walking a
/// message (elements(), at(), find(), the header getters, render(), copy(),
/// clone()) moves a cursor kept inside its movri_msg, so two threads reading
/// one const message can read wrong elements or crash. Different messages
/// may be used by different threads at once.
///
/// Views, iterators and ranges refer to the movri_msg, not to this object:
/// moving the message keeps them valid, destroying or reset() ends them.
/// Positions are indexes: insert(), and a header setter or add_document()
/// that creates a header element, move every later element one position up,
/// so an iterator, a range's end or a position kept from before then names
/// another element. Appending and setting values move nothing.
class message {
public:
    /// An empty message with version "1.0", encoding "ISO-8859-1" and DTD
    /// "movrimsg.dtd"; empty when out of memory.
    static optional_message create();

    /// The message a document describes; empty when it fails to parse (the
    /// library then writes its diagnostic line to standard error), is absent
    /// or holds a zero byte.
    static optional_message parse(text_argument document);

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
    bool add_document(text_argument document) {
        return detail::with_c_text(document,
                                   [this](const char *c) { return movri_msg_parse(msg_, c); }) == 0;
    }

    /// An exact copy: the same version, encoding and DTD, and every element
    /// with the same tag, name and value (absent and empty kept apart), of any
    /// size. Empty when out of memory, or for a moved-from message.
    optional_message copy() const;

    /// A copy made as movri_msg_clone makes it, through the document: empty
    /// when the document would exceed MOVRI_TEXT_LIMIT bytes or not be
    /// well-formed. It has the default version, encoding and DTD, keeps only
    /// the header elements and the named "ele" elements, gives an empty value
    /// as absent, and holds what the parser reads back (each character above
    /// U+00FF becomes "?").
    optional_message clone() const;

    text version() const { return detail::view(movri_msg_get_version(msg_)); }
    text encoding() const { return detail::view(movri_msg_get_encoding(msg_)); }
    text dtd() const { return detail::view(movri_msg_get_dtd(msg_)); }
    bool set_version(text_argument value) { return store(value, movri_msg_set_version) == 0; }
    bool set_encoding(text_argument value) { return store(value, movri_msg_set_encoding) == 0; }
    bool set_dtd(text_argument value) { return store(value, movri_msg_set_dtd) == 0; }

    /// Header values: the first element with that tag, in any letter case.
    text id() const { return detail::view(movri_msg_get_id(msg_)); }
    text sn() const { return detail::view(movri_msg_get_sn(msg_)); }
    text total() const { return detail::view(movri_msg_get_total(msg_)); }
    text msgmode() const { return detail::view(movri_msg_get_msgmode(msg_)); }
    text msgname() const { return detail::view(movri_msg_get_msgname(msg_)); }
    /// Each sets the value, creating the element in its header place; its position.
    position set_id(text_argument value) {
        return detail::from_status(store(value, movri_msg_set_id));
    }
    position set_sn(text_argument value) {
        return detail::from_status(store(value, movri_msg_set_sn));
    }
    position set_total(text_argument value) {
        return detail::from_status(store(value, movri_msg_set_total));
    }
    position set_msgmode(text_argument value) {
        return detail::from_status(store(value, movri_msg_set_msgmode));
    }
    position set_msgname(text_argument value) {
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
    std::optional<element_view> find(text_argument tag, text_argument name = std::nullopt) const {
        const detail::c_text c_tag(tag), c_name(name);
        if (!c_tag.storable() || !c_name.storable()) return std::nullopt;
        return at(movri_msg_find_element(msg_, c_tag.get(), c_name.get()));
    }

    /// Appends an element; its position. An absent or empty tag is refused.
    position append(text_argument tag, text_argument name, text_argument value) {
        const detail::c_text c_tag(tag), c_name(name), c_value(value);
        if (!c_tag.storable() || !c_name.storable() || !c_value.storable()) return std::nullopt;
        return detail::from_status(
            movri_msg_append_element(msg_, c_tag.get(), c_name.get(), c_value.get()));
    }

    /// Inserts an element at pos (below size(), or 0); later elements move up.
    position insert(std::int32_t pos, text_argument tag, text_argument name, text_argument value) {
        const detail::c_text c_tag(tag), c_name(name), c_value(value);
        if (!c_tag.storable() || !c_name.storable() || !c_value.storable()) return std::nullopt;
        return detail::from_status(
            movri_msg_insert_element_bypos(msg_, pos, c_tag.get(), c_name.get(), c_value.get()));
    }

    /// Replaces the value of the element at pos; pos, or std::nullopt.
    position set_value(std::int32_t pos, text_argument value) {
        return detail::from_status(detail::with_c_text(
            value, [&](const char *c) { return movri_msg_set_element_value_bypos(msg_, pos, c); }));
    }

private:
    template <typename Setter>
    std::int32_t store(const text_argument &value, Setter set) {
        return detail::with_c_text(value, [&](const char *c) { return set(msg_, c); });
    }

    movri_msg *msg_;
};

/// What create, parse, copy and clone give: a message, or nothing when they
/// fail. It has the has_value(), bool, value(), * and -> of
/// std::optional<message>,
/// and converts to one, but refuses * and -> on a temporary, whose message
/// would be destroyed at the end of the statement while its texts or
/// elements are still in use:
///     for (auto e : message::parse(doc)->elements())   // does not compile
///     auto parsed = message::parse(doc);                // keep it instead,
///     for (auto e : parsed->elements())                 // then walk it
class optional_message {
public:
    optional_message() = default;
    optional_message(std::nullopt_t) noexcept {}
    optional_message(message &&msg) noexcept : held_(std::move(msg)) {}

    bool has_value() const noexcept { return held_.has_value(); }
    explicit operator bool() const noexcept { return held_.has_value(); }

    message &operator*() & { return *held_; }
    const message &operator*() const & { return *held_; }
    const message &operator*() const && = delete;
    message *operator->() & { return &*held_; }
    const message *operator->() const & { return &*held_; }
    const message *operator->() const && = delete;
    message &value() & { return held_.value(); }
    const message &value() const & { return held_.value(); }
    const message &value() const && = delete;

    operator std::optional<message>() && { return std::move(held_); }

    friend bool operator==(const optional_message &m, std::nullopt_t) { return !m.has_value(); }
    friend bool operator==(std::nullopt_t, const optional_message &m) { return !m.has_value(); }
    friend bool operator!=(const optional_message &m, std::nullopt_t) { return m.has_value(); }
    friend bool operator!=(std::nullopt_t, const optional_message &m) { return m.has_value(); }

private:
    std::optional<message> held_;
};

inline optional_message message::create() {
    movri_msg *msg = nullptr;
    if (movri_msg_init(&msg) != 0) return std::nullopt;
    return message(msg);
}

inline optional_message message::parse(text_argument document) {
    optional_message parsed = create();
    if (parsed && !parsed->add_document(document)) return std::nullopt;
    return parsed;
}

inline optional_message message::copy() const {
    if (msg_ == nullptr) return std::nullopt;
    optional_message copied = create();
    if (!copied || !detail::copy_into(copied->get(), msg_)) return std::nullopt;
    return copied;
}

inline optional_message message::clone() const {
    movri_msg *copied = nullptr;
    if (movri_msg_clone(msg_, &copied) != 0) return std::nullopt;
    return message(copied);
}

}  // namespace movrimsg

#ifdef __cpp_lib_ranges
template <>
inline constexpr bool std::ranges::enable_borrowed_range<movrimsg::element_range> = true;
#endif

#endif  // C++17 or later
#endif  // MOVRIMSG_HPP
