// Reading a document into a message.
#pragma once

#include "parse_arena.h"

#include <expat.h>

#include <cstddef>

namespace movri {

// The pieces a document is handed to expat in. expat copies each into a
// buffer that then fits the parse's arena with everything else it needs.
inline constexpr size_t kParsePiece = 4096;

// Hands length bytes of document to expat, the last piece marked final, in
// pieces of at most piece bytes while the arena (when given) has not spilled
// to the heap. A token longer than a piece is scanned again with each new
// piece, but it soon outgrows the arena; from then on the rest goes in as few
// pieces as XML_Parse takes (an int length each), so no text is scanned more
// than a few times. false as soon as expat reports an error.
bool feed_document(XML_Parser parser, const char *text, size_t length, size_t piece,
                   const ParseArena *arena = nullptr);

}  // namespace movri
