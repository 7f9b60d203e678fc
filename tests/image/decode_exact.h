#pragma once
// Decoding from a heap block of exactly the file's size (or the first
// `length` bytes of it), so that AddressSanitizer sees any read past its end.

#include "image/bmp_image.h"

#include <algorithm>
#include <memory>
#include <vector>

inline DibStatus decodeExact(const std::vector<uint8_t>& bytes, size_t length, RgbImage& image) {
    std::unique_ptr<uint8_t[]> block(new uint8_t[length == 0 ? 1 : length]);
    std::copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length), block.get());
    return decodeDibBytes(block.get(), length, image);
}

inline DibStatus decodeExact(const std::vector<uint8_t>& bytes, RgbImage& image) {
    return decodeExact(bytes, bytes.size(), image);
}
