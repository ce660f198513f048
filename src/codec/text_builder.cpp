#include "text_builder.h"

#include <cstdint>
#include <cstring>

namespace movri {

bool TextBuilder::grow(size_t n) {
    if (n > SIZE_MAX / 2 - length_) return false;
    const size_t needed = length_ + n + 1;
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

}  // namespace movri
