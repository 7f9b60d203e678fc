#include "bmp_layout.h"

#include "platform/byte_io.h"

#include <algorithm>

std::vector<uint8_t> buildBmp(const BmpLayout& layout) {
    std::vector<uint8_t> header;
    ByteWriter h{header};
    h.u32(layout.headerSize);
    if (layout.headerSize == 12) {
        h.u16(static_cast<uint16_t>(layout.width));
        h.u16(static_cast<uint16_t>(layout.height));
        h.u16(1);
        h.u16(layout.bitCount);
    } else {
        h.u32(static_cast<uint32_t>(layout.width));
        h.u32(static_cast<uint32_t>(layout.height));
        h.u16(1);
        h.u16(layout.bitCount);
        h.u32(layout.compression);
        h.u32(0); // image size
        h.u32(2835);
        h.u32(2835);
        h.u32(layout.colorsUsed);
        h.u32(0);
        header.resize(std::max<size_t>(header.size(), layout.headerSize), 0);
    }
    std::vector<uint8_t> out;
    ByteWriter o{out};
    const uint32_t offBits = (layout.fileHeader ? 14 : 0) + static_cast<uint32_t>(header.size()) +
                             static_cast<uint32_t>(layout.table.size()) + layout.gap;
    if (layout.fileHeader) {
        o.u8('B');
        o.u8('M');
        o.u32(offBits + static_cast<uint32_t>(layout.pixels.size()));
        o.u32(0);
        o.u32(offBits);
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
