// The length is measured with the library's own writer, on messages short
// enough for it: the empty document, each element written alone with an
// empty name and no value, and what its name and its value add, measured in
// halves when too long to write whole. Escaping goes byte by byte, so halves
// add up to the whole in a single-byte encoding, which is what a parsed
// message has.
#include "render_length.h"

#include <functional>
#include <string_view>

namespace inspect {
namespace {

using movrimsg::message;
using movrimsg::text;
using Length = std::optional<std::size_t>;

// The document's length for a message with like's version and encoding
// holding nothing, or one element.
Length written_alone(const message &like, text tag = {}, text name = {}, text value = {}) {
    auto alone = message::create();
    if (!alone || !alone->set_version(like.version()) || !alone->set_encoding(like.encoding()))
        return std::nullopt;
    if (tag && !alone->append(tag, name, value)) return std::nullopt;
    const auto document = alone->render();
    if (!document) return std::nullopt;
    return document->size();
}

// What piece adds to a document of `without` characters that holds the empty
// text in its place; written(piece) gives the document with piece there.
Length added_length(std::string_view piece, std::size_t without,
                    const std::function<Length(std::string_view)> &written) {
    if (const Length whole = written(piece)) return *whole - without;
    if (piece.size() < 2) return std::nullopt;
    const std::size_t half = piece.size() / 2;
    const Length first = added_length(piece.substr(0, half), without, written);
    const Length second = added_length(piece.substr(half), without, written);
    if (!first || !second) return std::nullopt;
    return *first + *second;
}

Length element_length(const message &like, const movrimsg::element_view &element,
                      std::size_t empty) {
    const text tag = element.tag(), name = element.name(), value = element.value();
    const text empty_name = name ? text("") : std::nullopt;
    const Length bare = written_alone(like, tag, empty_name);
    if (!tag || !bare) return std::nullopt;
    Length name_adds = 0, value_adds = 0;
    if (name) {
        name_adds = added_length(
            *name, *bare, [&](std::string_view part) { return written_alone(like, tag, part); });
    }
    if (value) {
        value_adds = added_length(*value, *bare, [&](std::string_view part) {
            return written_alone(like, tag, empty_name, part);
        });
    }
    if (!name_adds || !value_adds) return std::nullopt;
    return *bare - empty + *name_adds + *value_adds;
}

}  // namespace

std::optional<std::size_t> rendered_length(const message &msg) {
    const Length empty = written_alone(msg);
    if (!empty) return std::nullopt;
    std::size_t length = *empty;
    for (const movrimsg::element_view element : msg.elements()) {
        const Length added = element_length(msg, element, *empty);
        if (!added) return std::nullopt;
        length += *added;
    }
    return length;
}

}  // namespace inspect
