// Salts for expat's hash tables. expat draws one from the kernel for every
// new parser, which costs more than parsing a small document; these come
// from a keyed hash instead, under a secret the process draws once.
#pragma once

#include <cstdint>

namespace movri {

// A salt for one parser: SipHash-2-4 of a process-wide counter under a
// secret drawn from the kernel on first use and drawn again in every child
// process, so salts differ between parses and between processes, and one
// that leaks reveals neither the secret nor any other salt. 0 while no secret
// is available (another thread is drawing it, or the kernel gave none or
// cannot keep it from children): expat then draws its own.
unsigned long next_hash_salt();

// SipHash-2-4 of one 64-bit word (as its 8 little-endian bytes) under the
// key {k0, k1}.
uint64_t siphash24(uint64_t k0, uint64_t k1, uint64_t word);

}  // namespace movri
