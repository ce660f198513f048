// Salts for expat's hash tables. expat draws one from the kernel for every
// new parser, which costs more than parsing a small document, and aborts the
// process where a sandbox refuses it the kernel's random source; these come
// from a keyed hash instead, under a secret the process draws once.
#pragma once

#include <cstdint>

namespace movri {

// A salt for one parser, never 0 on Linux: SipHash-2-4 of a process-wide
// counter under a secret drawn on first use and drawn again in every child
// process, so salts differ between parses and between processes, and one
// that leaks reveals neither the secret nor any other salt. While no drawn
// secret is at hand, a weaker standby salt. Elsewhere 0, which leaves expat
// to draw each parser's salt itself.
unsigned long next_hash_salt();

// SipHash-2-4 of one 64-bit word (as its 8 little-endian bytes) under the
// key {k0, k1}.
uint64_t siphash24(uint64_t k0, uint64_t k1, uint64_t word);

// Called, when set, between drawing the secret and keeping it: the tests
// fork there, as a signal handler might.
extern void (*draw_pause_for_tests)();

}  // namespace movri
