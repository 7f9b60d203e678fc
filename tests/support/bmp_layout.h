#pragma once
// BMP files built field by field, for what the project's writer
// (tools/bmp_writer.h) never makes: other header kinds, masks, gaps, stray
// padding, and broken or hostile files.

#include <cstdint>
#include <vector>

struct BmpLayout {
    bool fileHeader = true;
    uint32_t headerSize = 40; // 12, 40, or anything to write a refused header
    int32_t width = 1;
    int32_t height = 1;
    uint16_t bitCount = 24;
    uint32_t compression = 0;
    uint32_t colorsUsed = 0;
    std::vector<uint8_t> table; // masks and colour table, stored as given
    uint32_t gap = 0;           // bytes between the table and the pixels
    std::vector<uint8_t> pixels;
};

// The file: optional 14-byte header (bfOffBits pointing at the pixels), the DIB
// header, the table, the gap filled with 0xEE, then the pixels.
std::vector<uint8_t> buildBmp(const BmpLayout& layout);

// Colour-table entries (blue, green, red, 0) or core entries (blue, green, red).
void addColor(std::vector<uint8_t>& table, uint8_t red, uint8_t green, uint8_t blue,
              bool core = false);
