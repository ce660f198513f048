// A growing scratch buffer for text gathered over many calls.
#pragma once

#include "movrimsg.h"

#include <cstdint>
#include <cstring>
#include <string_view>

namespace movri {

class TextBuilder {
public:
    TextBuilder() = default;
    TextBuilder(const TextBuilder &) = delete;
    TextBuilder &operator=(const TextBuilder &) = delete;
    ~TextBuilder() { movri_free(bytes_); }

    // Makes room for n more bytes and a terminator; false when out of memory.
    // Capacity doubles, so gathering a text costs time linear in its length.
    bool reserve_more(size_t n) {
        if (n > SIZE_MAX / 2 - length_) return false;
        const size_t needed = length_ + n + 1;
        if (needed <= capacity_) return true;
        size_t capacity = capacity_ < 64 ? 64 : capacity_;
        while (capacity < needed)
            capacity *= 2;
        auto *bytes = static_cast<char *>(movri_malloc(capacity));
        if (bytes == nullptr) return false;
        if (length_ > 0) std::memcpy(bytes, bytes_, length_);
        movri_free(bytes_);
        bytes_ = bytes;
        capacity_ = capacity;
        return true;
    }

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
    char *bytes_ = nullptr;
    size_t length_ = 0;
    size_t capacity_ = 0;
};

}  // namespace movri
