// A growing scratch buffer for text gathered over many calls.
#pragma once

#include "movrimsg.h"

#include <cstddef>

namespace movri {

class TextBuilder {
public:
    TextBuilder() = default;
    TextBuilder(const TextBuilder &) = delete;
    TextBuilder &operator=(const TextBuilder &) = delete;
    ~TextBuilder() { movri_free(bytes_); }

    // Makes room for n more bytes and a terminator; false when out of memory.
    // Capacity doubles, so gathering a text costs time linear in its length.
    bool reserve_more(size_t n) { return has_room(n) || grow(n); }
    // Whether n more bytes and a terminator fit without growing.
    bool has_room(size_t n) const { return n < capacity_ - length_; }

    // Where the next bytes go, after reserve_more; commit counts them in.
    char *end() { return bytes_ + length_; }
    void commit(size_t n) {
        length_ += n;
        bytes_[length_] = '\0';
    }

    const char *c_str() const { return bytes_; }
    size_t size() const { return length_; }
    bool empty() const { return length_ == 0; }
    void clear() { length_ = 0; }

private:
    // reserve_more when the room is short: kept out of line, so that the
    // common case stays small where it is inlined.
    bool grow(size_t n);

    char *bytes_ = nullptr;
    size_t length_ = 0;
    size_t capacity_ = 0;
};

}  // namespace movri
