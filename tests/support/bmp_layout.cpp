#include "bmp_layout.h"

#include <algorithm>

namespace {

void putU16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void putU32(std::vector<uint8_t>& out, uint32_t v) {
    putU16(out, v & 0xFFFF);
    putU16(out, v >> 16);
}

} // namespace

std::vector<uint8_t> buildBmp(const BmpLayout& layout) {
    std::vector<uint8_t> header;
    putU32(header, layout.headerSize);
    if (layout.headerSize == 12) {
        putU16(header, static_cast<uint32_t>(layout.width));
        putU16(header, static_cast<uint32_t>(layout.height));
        putU16(header, 1);
        putU16(header, layout.bitCount);
    } else {
        putU32(header, static_cast<uint32_t>(layout.width));
        putU32(header, static_cast<uint32_t>(layout.height));
        putU16(header, 1);
        putU16(header, layout.bitCount);
        putU32(header, layout.compression);
        putU32(header, 0); // image size
        putU32(header, 2835);
        putU32(header, 2835);
        putU32(header, layout.colorsUsed);
        putU32(header, 0);
        header.resize(std::max<size_t>(header.size(), layout.headerSize), 0);
    }
    std::vector<uint8_t> out;
    const uint32_t offBits = (layout.fileHeader ? 14 : 0) + static_cast<uint32_t>(header.size()) +
                             static_cast<uint32_t>(layout.table.size()) + layout.gap;
    if (layout.fileHeader) {
        out.push_back('B');
        out.push_back('M');
        putU32(out, offBits + static_cast<uint32_t>(layout.pixels.size()));
        putU32(out, 0);
        putU32(out, offBits);
    }
    out.insert(out.end(), header.begin(), header.end());
    out.insert(out.end(), layout.table.begin(), layout.table.end());
    out.insert(out.end(), layout.gap, 0xEE);
    out.insert(out.end(), layout.pixels.begin(), layout.pixels.end());
    return out;
}

void addColor(std::vector<uint8_t>& table, uint8_t red, uint8_t green, uint8_t blue, bool core) {
    table.push_back(blue);
    table.push_back(green);
    table.push_back(red);
    if (!core)
        table.push_back(0);
}
