// The document that takes the parser deepest into its stack among those it
// accepts: the longest chain of entities it allows (64), each referring to
// the next, expanded in an attribute default, an attribute value and
// content, inside 10,000 nested elements. Parsed, it holds two "ele"
// elements, each named "x", the first with the value "x".
#pragma once

#include <string>

namespace deepest {

inline std::string document() {
    constexpr int kChain = 64;
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

}  // namespace deepest
