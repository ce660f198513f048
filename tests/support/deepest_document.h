// The documents that take the parser deepest into its stack among those it
// accepts: the longest chains of entities it allows (64).
#pragma once

#include <string>

namespace deepest {

constexpr int kChain = 64;

// Each entity of the chain refers to the next, expanded in an attribute
// default, an attribute value and content, inside 10,000 nested elements.
// Parsed, it holds two "ele" elements, each named "x" with the value "x".
inline std::string document() {
    constexpr int kDepth = 10000;
    std::string doc = "<!DOCTYPE movrimsg [<!ENTITY e" + std::to_string(kChain) + " 'x'>";
    for (int i = 0; i < kChain; ++i) {
        const std::string next = std::to_string(i + 1);
        doc += "<!ENTITY e" + std::to_string(i) + " '&e" + next + ";'>";
    }
    doc += "<!ATTLIST ele name CDATA '&e0;'>]><movrimsg>";
    for (int i = 0; i < kDepth; ++i)
        doc += "<a>";
    doc += "<ele name='&e0;'>&e0;</ele><ele>&e0;</ele>";
    for (int i = 0; i < kDepth; ++i)
        doc += "</a>";
    return doc + "</movrimsg>";
}

// Each entity of the chain holds an element around a reference to the next,
// the last an "ele" element. Parsed, it holds one "ele" element named "x"
// with the value "x".
inline std::string markup_chain() {
    std::string doc =
        "<!DOCTYPE movrimsg [<!ENTITY e" + std::to_string(kChain) + " '<ele name=\"x\">x</ele>'>";
    for (int i = 0; i < kChain; ++i)
        doc += "<!ENTITY e" + std::to_string(i) + " '<a>&e" + std::to_string(i + 1) + ";</a>'>";
    return doc + "]><movrimsg>&e0;</movrimsg>";
}

}  // namespace deepest
