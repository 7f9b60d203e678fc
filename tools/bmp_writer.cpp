#include "bmp_writer.h"

#include <fstream>

namespace {

void putU16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

void putU32(std::vector<uint8_t>& out, uint32_t value) {
    putU16(out, value & 0xFFFF);
    putU16(out, value >> 16);
}

} // namespace

bool encodeBmp24(int width, int height, const std::vector<uint8_t>& rgb,
                 std::vector<uint8_t>& out) {
    out.clear();
    if (width <= 0 || height <= 0 || width > 65535 || height > 65535)
        return false;
    const size_t rowSize = static_cast<size_t>(width) * 3;
    if (rgb.size() != rowSize * static_cast<size_t>(height))
        return false;
    const size_t paddedRow = (rowSize + 3) & ~static_cast<size_t>(3);
    const size_t pixelBytes = paddedRow * static_cast<size_t>(height);
    const uint32_t dataOffset = 14 + 40;

    out.reserve(dataOffset + pixelBytes);
    out.push_back('B');
    out.push_back('M');
    putU32(out, static_cast<uint32_t>(dataOffset + pixelBytes));
    putU32(out, 0); // reserved
    putU32(out, dataOffset);
    putU32(out, 40); // BITMAPINFOHEADER
    putU32(out, static_cast<uint32_t>(width));
    putU32(out, static_cast<uint32_t>(height)); // positive: bottom row first
    putU16(out, 1);                             // planes
    putU16(out, 24);                            // bits per pixel
    putU32(out, 0);                             // BI_RGB
    putU32(out, static_cast<uint32_t>(pixelBytes));
    putU32(out, 2835); // 72 dpi
    putU32(out, 2835);
    putU32(out, 0); // colours used
    putU32(out, 0); // important colours
    for (int row = 0; row < height; ++row) {
        const uint8_t* pixel = &rgb[static_cast<size_t>(row) * rowSize];
        for (int x = 0; x < width; ++x, pixel += 3) {
            out.push_back(pixel[2]); // stored blue, green, red
            out.push_back(pixel[1]);
            out.push_back(pixel[0]);
        }
        out.insert(out.end(), paddedRow - rowSize, 0);
    }
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

namespace {

bool palettedSizesFit(int width, int height, const std::vector<uint8_t>& indices,
                      const std::vector<uint8_t>& paletteRgb) {
    if (width <= 0 || height <= 0 || width > 65535 || height > 65535)
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

// File header and 40-byte info header; the caller appends the colour table
// and the pixels. `pixelBytes` is the size of the pixel data that follows.
void putInfoHeaders(std::vector<uint8_t>& out, int width, int height, int bitCount,
                    uint32_t compression, uint32_t colours, uint32_t pixelBytes) {
    const uint32_t dataOffset = 14 + 40 + 4 * colours;
    out.push_back('B');
    out.push_back('M');
    putU32(out, dataOffset + pixelBytes);
    putU32(out, 0);
    putU32(out, dataOffset);
    putU32(out, 40);
    putU32(out, static_cast<uint32_t>(width));
    putU32(out, static_cast<uint32_t>(height));
    putU16(out, 1);
    putU16(out, static_cast<uint32_t>(bitCount));
    putU32(out, compression);
    putU32(out, pixelBytes);
    putU32(out, 2835);
    putU32(out, 2835);
    putU32(out, colours);
    putU32(out, 0);
}

void putQuadPalette(std::vector<uint8_t>& out, const std::vector<uint8_t>& paletteRgb) {
    for (size_t i = 0; i + 2 < paletteRgb.size(); i += 3) {
        out.push_back(paletteRgb[i + 2]);
        out.push_back(paletteRgb[i + 1]);
        out.push_back(paletteRgb[i]);
        out.push_back(0);
    }
}

// One row of indices as RLE8: a run of 3 or more equal indices becomes an
// encoded run; everything else goes into literal stretches of 3 to 255
// pixels (shorter ones as runs of 1 or 2, since a literal needs 3).
void putRle8Row(std::vector<uint8_t>& out, const uint8_t* row, int width) {
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
            out.push_back(static_cast<uint8_t>(run));
            out.push_back(row[x]);
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
                out.push_back(1);
                out.push_back(row[i]);
            }
        } else {
            out.push_back(0);
            out.push_back(static_cast<uint8_t>(count));
            out.insert(out.end(), row + x, row + end);
            if (count & 1)
                out.push_back(0); // literals are padded to 16 bits
        }
        x = end;
    }
}

} // namespace

bool encodeBmp8(int width, int height, const std::vector<uint8_t>& indices,
                const std::vector<uint8_t>& paletteRgb, std::vector<uint8_t>& out) {
    out.clear();
    if (!palettedSizesFit(width, height, indices, paletteRgb))
        return false;
    const size_t rowSize = static_cast<size_t>(width);
    const size_t paddedRow = (rowSize + 3) & ~static_cast<size_t>(3);
    const uint32_t colours = static_cast<uint32_t>(paletteRgb.size() / 3);
    putInfoHeaders(out, width, height, 8, 0, colours,
                   static_cast<uint32_t>(paddedRow * static_cast<size_t>(height)));
    putQuadPalette(out, paletteRgb);
    for (int row = 0; row < height; ++row) {
        const auto begin = indices.begin() + static_cast<std::ptrdiff_t>(row * rowSize);
        out.insert(out.end(), begin, begin + static_cast<std::ptrdiff_t>(rowSize));
        out.insert(out.end(), paddedRow - rowSize, 0);
    }
    return true;
}

bool encodeBmpRle8(int width, int height, const std::vector<uint8_t>& indices,
                   const std::vector<uint8_t>& paletteRgb, std::vector<uint8_t>& out) {
    out.clear();
    if (!palettedSizesFit(width, height, indices, paletteRgb))
        return false;
    std::vector<uint8_t> pixels;
    for (int row = 0; row < height; ++row) {
        putRle8Row(pixels, &indices[static_cast<size_t>(row) * static_cast<size_t>(width)], width);
        pixels.push_back(0);
        pixels.push_back(row + 1 == height ? 1 : 0); // end of bitmap after the last row
    }
    const uint32_t colours = static_cast<uint32_t>(paletteRgb.size() / 3);
    putInfoHeaders(out, width, height, 8, 1, colours, static_cast<uint32_t>(pixels.size()));
    putQuadPalette(out, paletteRgb);
    out.insert(out.end(), pixels.begin(), pixels.end());
    return true;
}

bool encodeBmpCore8(int width, int height, const std::vector<uint8_t>& indices,
                    const std::vector<uint8_t>& paletteRgb, std::vector<uint8_t>& out) {
    out.clear();
    if (!palettedSizesFit(width, height, indices, paletteRgb))
        return false;
    const size_t rowSize = static_cast<size_t>(width);
    const size_t paddedRow = (rowSize + 3) & ~static_cast<size_t>(3);
    const uint32_t dataOffset = 14 + 12 + 3 * 256;
    const size_t pixelBytes = paddedRow * static_cast<size_t>(height);
    out.push_back('B');
    out.push_back('M');
    putU32(out, static_cast<uint32_t>(dataOffset + pixelBytes));
    putU32(out, 0);
    putU32(out, dataOffset);
    putU32(out, 12); // BITMAPCOREHEADER
    putU16(out, static_cast<uint32_t>(width));
    putU16(out, static_cast<uint32_t>(height));
    putU16(out, 1);
    putU16(out, 8);
    for (size_t entry = 0; entry < 256; ++entry) {
        const size_t i = entry * 3;
        const bool present = i + 2 < paletteRgb.size();
        out.push_back(present ? paletteRgb[i + 2] : 0);
        out.push_back(present ? paletteRgb[i + 1] : 0);
        out.push_back(present ? paletteRgb[i] : 0);
    }
    for (int row = 0; row < height; ++row) {
        const auto begin = indices.begin() + static_cast<std::ptrdiff_t>(row * rowSize);
        out.insert(out.end(), begin, begin + static_cast<std::ptrdiff_t>(rowSize));
        out.insert(out.end(), paddedRow - rowSize, 0);
    }
    return true;
}

bool encodeBmpCore24(int width, int height, const std::vector<uint8_t>& rgb,
                     std::vector<uint8_t>& out) {
    out.clear();
    if (width <= 0 || height <= 0 || width > 65535 || height > 65535)
        return false;
    const size_t rowSize = static_cast<size_t>(width) * 3;
    if (rgb.size() != rowSize * static_cast<size_t>(height))
        return false;
    const size_t paddedRow = (rowSize + 3) & ~static_cast<size_t>(3);
    const uint32_t dataOffset = 14 + 12;
    const size_t pixelBytes = paddedRow * static_cast<size_t>(height);
    out.push_back('B');
    out.push_back('M');
    putU32(out, static_cast<uint32_t>(dataOffset + pixelBytes));
    putU32(out, 0);
    putU32(out, dataOffset);
    putU32(out, 12);
    putU16(out, static_cast<uint32_t>(width));
    putU16(out, static_cast<uint32_t>(height));
    putU16(out, 1);
    putU16(out, 24);
    for (int row = 0; row < height; ++row) {
        const uint8_t* pixel = &rgb[static_cast<size_t>(row) * rowSize];
        for (int x = 0; x < width; ++x, pixel += 3) {
            out.push_back(pixel[2]);
            out.push_back(pixel[1]);
            out.push_back(pixel[0]);
        }
        out.insert(out.end(), paddedRow - rowSize, 0);
    }
    return true;
}

bool writeBmpBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}
