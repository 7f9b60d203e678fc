#include "bmp_writer.h"

#include "platform/byte_io.h"

#include <fstream>

namespace {

bool sidesFit(int width, int height) {
    return width > 0 && height > 0 && width <= 65535 && height <= 65535;
}

// Stored rows are padded to whole 32-bit words.
size_t paddedRowSize(size_t rowSize) {
    return (rowSize + 3) & ~static_cast<size_t>(3);
}

// The pixel data of `height` stored rows of `rowSize` bytes each.
size_t storedPixelBytes(size_t rowSize, int height) {
    return paddedRowSize(rowSize) * static_cast<size_t>(height);
}

bool rgbSizesFit(int width, int height, const std::vector<uint8_t>& rgb) {
    return sidesFit(width, height) &&
           rgb.size() == static_cast<size_t>(width) * 3 * static_cast<size_t>(height);
}

bool palettedSizesFit(int width, int height, const std::vector<uint8_t>& indices,
                      const std::vector<uint8_t>& paletteRgb) {
    if (!sidesFit(width, height))
        return false;
    if (indices.size() != static_cast<size_t>(width) * static_cast<size_t>(height))
        return false;
    const size_t entries = paletteRgb.size() / 3;
    if (entries == 0 || entries > 256 || paletteRgb.size() % 3 != 0)
        return false;
    for (uint8_t index : indices)
        if (index >= entries)
            return false;
    return true;
}

// The 14-byte file header: `pixelBytes` of pixel data at `dataOffset`.
void putFileHeader(ByteWriter& put, uint32_t dataOffset, size_t pixelBytes) {
    put.u8('B');
    put.u8('M');
    put.u32(static_cast<uint32_t>(dataOffset + pixelBytes));
    put.u32(0); // reserved
    put.u32(dataOffset);
}

// File header and 40-byte info header; the caller appends the colour table
// and the pixels. `pixelBytes` is the size of the pixel data that follows.
void putInfoHeaders(ByteWriter& put, int width, int height, uint16_t bitCount, uint32_t compression,
                    uint32_t colours, uint32_t pixelBytes) {
    putFileHeader(put, 14 + 40 + 4 * colours, pixelBytes);
    put.u32(40); // BITMAPINFOHEADER
    put.u32(static_cast<uint32_t>(width));
    put.u32(static_cast<uint32_t>(height)); // positive: bottom row first
    put.u16(1);                             // planes
    put.u16(bitCount);
    put.u32(compression);
    put.u32(pixelBytes);
    put.u32(2835); // 72 dpi
    put.u32(2835);
    put.u32(colours);
    put.u32(0); // important colours
}

// File header and 12-byte core header, whose colour table (if any) takes
// `tableBytes`.
void putCoreHeaders(ByteWriter& put, int width, int height, uint16_t bitCount, uint32_t tableBytes,
                    size_t pixelBytes) {
    putFileHeader(put, 14 + 12 + tableBytes, pixelBytes);
    put.u32(12); // BITMAPCOREHEADER
    put.u16(static_cast<uint16_t>(width));
    put.u16(static_cast<uint16_t>(height));
    put.u16(1);
    put.u16(bitCount);
}

void putQuadPalette(ByteWriter& put, const std::vector<uint8_t>& paletteRgb) {
    for (size_t i = 0; i + 2 < paletteRgb.size(); i += 3) {
        put.u8(paletteRgb[i + 2]);
        put.u8(paletteRgb[i + 1]);
        put.u8(paletteRgb[i]);
        put.u8(0);
    }
}

// 24-bit rows from bottom-first red, green, blue: stored blue, green, red,
// each row padded.
void putBgrRows(ByteWriter& put, int width, int height, const std::vector<uint8_t>& rgb) {
    const size_t rowSize = static_cast<size_t>(width) * 3;
    for (int row = 0; row < height; ++row) {
        const uint8_t* pixel = &rgb[static_cast<size_t>(row) * rowSize];
        for (int x = 0; x < width; ++x, pixel += 3) {
            put.u8(pixel[2]);
            put.u8(pixel[1]);
            put.u8(pixel[0]);
        }
        put.fill(paddedRowSize(rowSize) - rowSize);
    }
}

// 8-bit rows of indices, each padded.
void putIndexRows(ByteWriter& put, int width, int height, const std::vector<uint8_t>& indices) {
    const size_t rowSize = static_cast<size_t>(width);
    for (int row = 0; row < height; ++row) {
        put.raw(&indices[static_cast<size_t>(row) * rowSize], rowSize);
        put.fill(paddedRowSize(rowSize) - rowSize);
    }
}

// One row of indices as RLE8: a run of 3 or more equal indices becomes an
// encoded run; everything else goes into literal stretches of 3 to 255
// pixels (shorter ones as runs of 1 or 2, since a literal needs 3).
void putRle8Row(ByteWriter& put, const uint8_t* row, int width) {
    int x = 0;
    auto runLength = [&](int at) {
        int n = 1;
        while (at + n < width && n < 255 && row[at + n] == row[at])
            ++n;
        return n;
    };
    while (x < width) {
        const int run = runLength(x);
        if (run >= 3) {
            put.u8(static_cast<uint8_t>(run));
            put.u8(row[x]);
            x += run;
            continue;
        }
        // Gather a literal stretch until the next run of 3 or more.
        int end = x;
        while (end < width && end - x < 255 && runLength(end) < 3)
            end += runLength(end);
        if (end - x > 255)
            end = x + 255;
        const int count = end - x;
        if (count < 3) {
            for (int i = x; i < end; ++i) {
                put.u8(1);
                put.u8(row[i]);
            }
        } else {
            put.u8(0);
            put.u8(static_cast<uint8_t>(count));
            put.raw(row + x, static_cast<size_t>(count));
            if (count & 1)
                put.u8(0); // literals are padded to 16 bits
        }
        x = end;
    }
}

} // namespace

bool encodeBmp24(int width, int height, const std::vector<uint8_t>& rgb,
                 std::vector<uint8_t>& out) {
    out.clear();
    if (!rgbSizesFit(width, height, rgb))
        return false;
    const size_t pixelBytes = storedPixelBytes(static_cast<size_t>(width) * 3, height);
    out.reserve(14 + 40 + pixelBytes);
    ByteWriter put{out};
    putInfoHeaders(put, width, height, 24, 0, 0, static_cast<uint32_t>(pixelBytes));
    putBgrRows(put, width, height, rgb);
    return true;
}

bool writeBmp24(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb) {
    std::vector<uint8_t> bytes;
    if (!encodeBmp24(width, height, rgb, bytes))
        return false;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

bool encodeBmp8(int width, int height, const std::vector<uint8_t>& indices,
                const std::vector<uint8_t>& paletteRgb, std::vector<uint8_t>& out) {
    out.clear();
    if (!palettedSizesFit(width, height, indices, paletteRgb))
        return false;
    const size_t pixelBytes = storedPixelBytes(static_cast<size_t>(width), height);
    const uint32_t colours = static_cast<uint32_t>(paletteRgb.size() / 3);
    ByteWriter put{out};
    putInfoHeaders(put, width, height, 8, 0, colours, static_cast<uint32_t>(pixelBytes));
    putQuadPalette(put, paletteRgb);
    putIndexRows(put, width, height, indices);
    return true;
}

bool encodeBmpRle8(int width, int height, const std::vector<uint8_t>& indices,
                   const std::vector<uint8_t>& paletteRgb, std::vector<uint8_t>& out) {
    out.clear();
    if (!palettedSizesFit(width, height, indices, paletteRgb))
        return false;
    std::vector<uint8_t> pixels;
    ByteWriter putPixels{pixels};
    for (int row = 0; row < height; ++row) {
        putRle8Row(putPixels, &indices[static_cast<size_t>(row) * static_cast<size_t>(width)],
                   width);
        putPixels.u8(0);
        putPixels.u8(row + 1 == height ? 1 : 0); // end of bitmap after the last row
    }
    const uint32_t colours = static_cast<uint32_t>(paletteRgb.size() / 3);
    ByteWriter put{out};
    putInfoHeaders(put, width, height, 8, 1, colours, static_cast<uint32_t>(pixels.size()));
    putQuadPalette(put, paletteRgb);
    put.raw(pixels.data(), pixels.size());
    return true;
}

bool encodeBmpCore8(int width, int height, const std::vector<uint8_t>& indices,
                    const std::vector<uint8_t>& paletteRgb, std::vector<uint8_t>& out) {
    out.clear();
    if (!palettedSizesFit(width, height, indices, paletteRgb))
        return false;
    const size_t pixelBytes = storedPixelBytes(static_cast<size_t>(width), height);
    ByteWriter put{out};
    putCoreHeaders(put, width, height, 8, 3 * 256, pixelBytes);
    for (size_t entry = 0; entry < 256; ++entry) {
        const size_t i = entry * 3;
        const bool present = i + 2 < paletteRgb.size();
        put.u8(present ? paletteRgb[i + 2] : 0);
        put.u8(present ? paletteRgb[i + 1] : 0);
        put.u8(present ? paletteRgb[i] : 0);
    }
    putIndexRows(put, width, height, indices);
    return true;
}

bool encodeBmpCore24(int width, int height, const std::vector<uint8_t>& rgb,
                     std::vector<uint8_t>& out) {
    out.clear();
    if (!rgbSizesFit(width, height, rgb))
        return false;
    const size_t pixelBytes = storedPixelBytes(static_cast<size_t>(width) * 3, height);
    ByteWriter put{out};
    putCoreHeaders(put, width, height, 24, 0, pixelBytes);
    putBgrRows(put, width, height, rgb);
    return true;
}
