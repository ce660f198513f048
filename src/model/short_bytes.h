// Word-at-a-time work on the short byte runs most texts are: inline, so a
// twenty-byte name or value costs a few moves instead of a library call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace movri {

// Runs up to this long are handled here; longer ones go to the C library.
inline constexpr size_t kShortRun = 32;

template <typename Word>
inline Word load(const char *at) {
    Word word;
    std::memcpy(&word, at, sizeof word);
    return word;
}

template <typename Word>
inline void store(char *at, Word word) {
    std::memcpy(at, &word, sizeof word);
}

// Copies n (at most kShortRun) bytes between runs that do not overlap and
// gives the bitwise or of them, folded into one word (the bytes' positions
// are lost, their bits are not). Whole words, the last one overlapping the
// one before when n is not a multiple of its size.
template <typename Word>
inline uint64_t copy_words(char *to, const char *from, size_t n) {
    uint64_t bits = 0;
    for (size_t i = 0; i + sizeof(Word) < n; i += sizeof(Word)) {
        const Word word = load<Word>(from + i);
        bits |= word;
        store(to + i, word);
    }
    const Word last = load<Word>(from + n - sizeof(Word));
    store(to + n - sizeof(Word), last);
    return bits | last;
}

inline uint64_t copy_short(char *to, const char *from, size_t n) {
    if (n >= 8) return copy_words<uint64_t>(to, from, n);
    if (n >= 4) return copy_words<uint32_t>(to, from, n);
    if (n >= 2) return copy_words<uint16_t>(to, from, n);
    if (n == 0) return 0;
    *to = *from;
    return static_cast<unsigned char>(*from);
}

// Copies n bytes between runs that do not overlap.
inline void copy_bytes(char *to, const char *from, size_t n) {
    if (n > kShortRun) {
        std::memcpy(to, from, n);
        return;
    }
    copy_short(to, from, n);
}

// Whether bits, or-ed from bytes by copy_short, come from ASCII bytes only.
constexpr bool all_ascii(uint64_t bits) { return (bits & 0x8080808080808080) == 0; }

}  // namespace movri
