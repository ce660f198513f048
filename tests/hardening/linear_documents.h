// Documents that grow in one dimension: many elements, or one value of many
// pieces. Parsing one must cost work in proportion to its size.
#pragma once

#include <cstddef>
#include <string>

namespace linear {

inline std::string many_elements(size_t count) {
    std::string doc = "<?xml version='1.0'?><movrimsg><id>1</id><sn>2</sn>";
    for (size_t i = 0; i < count; ++i)
        doc += "<ele name='n" + std::to_string(i % 1000) + "'>value</ele>";
    return doc + "</movrimsg>";
}

inline std::string one_long_value(size_t count, const std::string &piece) {
    std::string doc = "<?xml version='1.0'?><movrimsg><ele name='v'>";
    for (size_t i = 0; i < count; ++i)
        doc += piece;
    return doc + "</ele></movrimsg>";
}

// The document of a shape with `units` of it, or "" for an unknown shape.
inline std::string document(const std::string &shape, size_t units) {
    if (shape == "elements") return many_elements(units);
    if (shape == "entity-references") return one_long_value(units, "&amp;");
    if (shape == "line-breaks") return one_long_value(units, "\n");
    if (shape == "character-references") return one_long_value(units, "a&#233;");
    return "";
}

}  // namespace linear
