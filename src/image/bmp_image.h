#pragma once
// Decoding BMP files (Windows DIBs, with or without the 14-byte file header)
// into tightly packed 8-bit RGB pixels.

#include <cstdint>
#include <memory>
#include <vector>

// A decoded picture: width x height pixels, each red, green, blue, rows one
// after another with no padding; the first row is the bottom row of the
// picture.
struct RgbImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> data;
};

// Null for a null path or a file that cannot be opened (silently); otherwise
// the result of decodeDibFile.
std::unique_ptr<RgbImage> loadBmpImage(const char* path);

// Decodes the file, or shows the failure in a message box captioned "Error"
// and returns null.
std::unique_ptr<RgbImage> decodeDibFile(const char* path);

// Number of colour-table entries of the DIB header at `header`, which holds
// `available` readable bytes (0 when too few to tell).
uint16_t dibColorCount(const uint8_t* header, size_t available);
