// Reading a document into a message.
#pragma once

#include <expat.h>

#include <climits>
#include <cstddef>

namespace movri {

// Hands length bytes of document to expat in pieces of at most piece bytes
// (one XML_Parse call takes an int length), the last marked final. false as
// soon as expat reports an error.
bool feed_document(XML_Parser parser, const char *text, size_t length, size_t piece = INT_MAX);

}  // namespace movri
