// The library's heap: every block it hands out or takes back goes through
// these two functions. The test build swaps this file for a counting heap.
#include "movrimsg.h"

#include <cstdlib>

extern "C" {

void *movri_malloc(size_t size) { return std::malloc(size); }

void movri_free(void *block) { std::free(block); }

}  // extern "C"
