#include "image/bmp_image.h"

#include "platform/byte_io.h"
#include "platform/mapped_file.h"
#include "platform/message_box.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

namespace {

constexpr uint32_t biRgb = 0;
constexpr uint32_t biRle8 = 1;
constexpr uint32_t biRle4 = 2;
constexpr uint32_t biBitfields = 3;

constexpr size_t fileHeaderSize = 14;
constexpr size_t coreHeaderSize = 12;
constexpr size_t infoHeaderSize = 40;
constexpr size_t maskBytes = 12;

// One channel of a 16- or 32-bit pixel: its bits are cut out with the mask and
// widened (or narrowed) to 8 bits with rounding, so that 5-bit 31 gives 255.
struct Channel {
    uint32_t mask = 0;
    unsigned shift = 0;
    uint32_t maxValue = 0;
    bool tabled = false;
    uint8_t table[256] = {};
};

void setUpChannel(Channel& channel, uint32_t mask) {
    channel.mask = mask;
    channel.shift = 0;
    if (mask == 0) {
        channel.maxValue = 0;
        channel.tabled = true; // all zero
        return;
    }
    while (((mask >> channel.shift) & 1u) == 0)
        ++channel.shift;
    channel.maxValue = mask >> channel.shift;
    channel.tabled = channel.maxValue < 256;
    if (channel.tabled)
        for (uint32_t v = 0; v <= channel.maxValue; ++v)
            channel.table[v] =
                static_cast<uint8_t>((v * 255 + channel.maxValue / 2) / channel.maxValue);
}

inline uint8_t channelValue(const Channel& channel, uint32_t pixel) {
    const uint32_t v = (pixel & channel.mask) >> channel.shift;
    if (channel.tabled)
        return channel.table[v];
    return static_cast<uint8_t>((uint64_t{v} * 255 + channel.maxValue / 2) / channel.maxValue);
}

// Writes palette colours of a row; every pixel but the last is stored as four
// bytes, the fourth overwritten by the next pixel.
template <typename IndexAt>
inline void writePaletteRow(uint8_t* out, int32_t width, const uint8_t (*palette)[4],
                            IndexAt indexAt) {
    int32_t x = 0;
    for (; x + 1 < width; ++x, out += 3)
        std::memcpy(out, palette[indexAt(x)], 4);
    std::memcpy(out, palette[indexAt(x)], 3);
}

void convertRow(const uint8_t* row, uint8_t* out, const DibDescription& dib,
                const Channel* channels) {
    const int32_t width = dib.width;
    switch (dib.bitCount) {
    case 1:
        writePaletteRow(out, width, dib.palette,
                        [row](int32_t x) { return (row[x >> 3] >> (7 - (x & 7))) & 1; });
        break;
    case 4:
        writePaletteRow(out, width, dib.palette, [row](int32_t x) {
            return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
        });
        break;
    case 8:
        writePaletteRow(out, width, dib.palette, [row](int32_t x) { return row[x]; });
        break;
    case 24:
        for (int32_t x = 0; x < width; ++x, row += 3, out += 3) {
            out[0] = row[2];
            out[1] = row[1];
            out[2] = row[0];
        }
        break;
    case 16:
        for (int32_t x = 0; x < width; ++x, row += 2, out += 3) {
            const uint32_t pixel = loadU16(row);
            out[0] = channelValue(channels[0], pixel);
            out[1] = channelValue(channels[1], pixel);
            out[2] = channelValue(channels[2], pixel);
        }
        break;
    case 32:
        if (dib.compression == biRgb) {
            for (int32_t x = 0; x < width; ++x, row += 4, out += 3) {
                out[0] = row[2];
                out[1] = row[1];
                out[2] = row[0];
            }
        } else {
            for (int32_t x = 0; x < width; ++x, row += 4, out += 3) {
                const uint32_t pixel = loadU32(row);
                out[0] = channelValue(channels[0], pixel);
                out[1] = channelValue(channels[1], pixel);
                out[2] = channelValue(channels[2], pixel);
            }
        }
        break;
    default:
        break;
    }
}

// Stored rows are padded to whole 32-bit words.
uint64_t uncompressedStride(const DibDescription& dib) {
    return (uint64_t{static_cast<uint32_t>(dib.width)} * dib.bitCount + 31) / 32 * 4;
}

bool uncompressedDataFits(size_t size, const DibDescription& dib, uint32_t rows) {
    return dib.pixelOffset <= size && uncompressedStride(dib) * rows <= size - dib.pixelOffset;
}

DibStatus convertUncompressed(const uint8_t* bytes, size_t size, const DibDescription& dib,
                              uint32_t rows, uint8_t* out) {
    const uint64_t stride = uncompressedStride(dib);
    if (!uncompressedDataFits(size, dib, rows))
        return DibStatus::conversionError;
    Channel channels[3];
    if (dib.bitCount == 16 || dib.bitCount == 32) {
        const bool masked = dib.compression == biBitfields;
        setUpChannel(channels[0],
                     masked ? dib.redMask : (dib.bitCount == 16 ? 0x7C00u : 0xFF0000u));
        setUpChannel(channels[1],
                     masked ? dib.greenMask : (dib.bitCount == 16 ? 0x03E0u : 0xFF00u));
        setUpChannel(channels[2], masked ? dib.blueMask : (dib.bitCount == 16 ? 0x001Fu : 0xFFu));
    }
    const uint8_t* pixels = bytes + dib.pixelOffset;
    const bool topDown = dib.height < 0;
    const size_t outStride = static_cast<size_t>(dib.width) * 3;
    for (uint32_t y = 0; y < rows; ++y) {
        const uint32_t sourceRow = topDown ? rows - 1 - y : y;
        convertRow(pixels + sourceRow * stride, out + y * outStride, dib, channels);
    }
    return DibStatus::ok;
}

// Run-length data: pairs of (count, index) runs, or an escape 0 followed by 0
// (end of line), 1 (end of bitmap), 2 (delta: move right and up) or a count of
// literal pixels padded to 16 bits. Pixels never written stay black. A stream
// that ends before its end-of-bitmap escape or writes outside the picture is
// refused.
DibStatus convertRunLength(const uint8_t* bytes, size_t size, const DibDescription& dib,
                           uint32_t rows, uint8_t* out) {
    if (dib.pixelOffset > size)
        return DibStatus::conversionError;
    ByteReader stream{bytes + dib.pixelOffset, size - static_cast<size_t>(dib.pixelOffset)};
    const bool fourBit = dib.compression == biRle4;
    const uint32_t width = static_cast<uint32_t>(dib.width);
    const size_t outStride = static_cast<size_t>(width) * 3;
    uint32_t x = 0;
    uint32_t y = 0;
    for (;;) {
        const uint8_t* pair = stream.take(2);
        if (pair == nullptr)
            return DibStatus::conversionError;
        const uint32_t first = pair[0];
        const uint32_t second = pair[1];
        if (first > 0) {
            if (y >= rows || first > width - x)
                return DibStatus::conversionError;
            uint8_t* target = out + y * outStride + size_t{x} * 3;
            if (fourBit) {
                const uint8_t* colours[2] = {dib.palette[second >> 4], dib.palette[second & 0x0F]};
                for (uint32_t i = 0; i < first; ++i, target += 3)
                    std::memcpy(target, colours[i & 1], 3);
            } else {
                // Four-byte stores, the spare byte overwritten by the next pixel.
                const uint8_t* colour = dib.palette[second];
                for (uint32_t i = 1; i < first; ++i, target += 3)
                    std::memcpy(target, colour, 4);
                std::memcpy(target, colour, 3);
            }
            x += first;
            continue;
        }
        switch (second) {
        case 0: // end of line
            x = 0;
            if (++y > rows)
                return DibStatus::conversionError;
            break;
        case 1: // end of bitmap
            return DibStatus::ok;
        case 2: { // delta
            const uint8_t* move = stream.take(2);
            if (move == nullptr)
                return DibStatus::conversionError;
            const uint32_t dx = move[0];
            const uint32_t dy = move[1];
            if (dx > width - x || dy > rows - y)
                return DibStatus::conversionError;
            x += dx;
            y += dy;
            break;
        }
        default: { // literal pixels
            const uint32_t count = second;
            size_t stored = fourBit ? (count + 1) / 2 : count;
            stored += stored & 1;
            const uint8_t* literal = stream.take(stored);
            if (literal == nullptr || y >= rows || count > width - x)
                return DibStatus::conversionError;
            uint8_t* target = out + y * outStride + size_t{x} * 3;
            if (fourBit) {
                for (uint32_t i = 0; i < count; ++i, target += 3)
                    std::memcpy(
                        target,
                        dib.palette[(i & 1) ? (literal[i >> 1] & 0x0F) : (literal[i >> 1] >> 4)],
                        3);
            } else {
                writePaletteRow(target, static_cast<int32_t>(count), dib.palette,
                                [literal](int32_t i) { return literal[i]; });
            }
            x += count;
            break;
        }
        }
    }
}

// Which compression and bit-count pairs are decoded.
bool isDecodedForm(const DibDescription& dib) {
    switch (dib.compression) {
    case biRgb:
        return dib.bitCount == 1 || dib.bitCount == 4 || dib.bitCount == 8 || dib.bitCount == 16 ||
               dib.bitCount == 24 || dib.bitCount == 32;
    case biRle8:
        return dib.bitCount == 8 && dib.height > 0;
    case biRle4:
        return dib.bitCount == 4 && dib.height > 0;
    case biBitfields:
        return dib.hasMasks && (dib.bitCount == 16 || dib.bitCount == 32);
    default:
        return false;
    }
}

} // namespace

const char* dibStatusMessage(DibStatus status) {
    switch (status) {
    case DibStatus::ok:
        return "";
    case DibStatus::outOfMemory:
        return "Out of memory.";
    case DibStatus::unknownFormat:
        return "Unknown DIB file format.";
    case DibStatus::conversionError:
        return "Image file conversion error.";
    }
    return "";
}

uint16_t dibColorCount(const uint8_t* header, size_t available) {
    if (header == nullptr)
        return 0;
    ByteReader reader{header, available};
    uint32_t headerSize = 0;
    uint16_t bitCount = 0;
    if (!reader.u32(headerSize))
        return 0;
    if (headerSize == coreHeaderSize) {
        if (!reader.skip(6) || !reader.u16(bitCount)) // bit count at 10
            return 0;
    } else {
        ByteReader colours = reader;
        uint32_t colorsUsed = 0;
        if (colours.skip(28) && colours.u32(colorsUsed) && colorsUsed != 0) // colours used at 32
            return static_cast<uint16_t>(colorsUsed & 0xFFFF);
        if (!reader.skip(10) || !reader.u16(bitCount)) // bit count at 14
            return 0;
    }
    switch (bitCount) {
    case 1:
        return 2;
    case 4:
        return 16;
    case 8:
        return 256;
    default:
        return 0;
    }
}

DibStatus readDibDescription(const uint8_t* bytes, size_t size, DibDescription& dib) {
    dib = DibDescription{};
    ByteReader reader{bytes, size};
    if (size >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
        dib.hasFileHeader = true;
        const uint8_t* fileHeader = reader.take(fileHeaderSize);
        if (fileHeader == nullptr)
            return DibStatus::unknownFormat;
        dib.pixelOffset = loadU32(fileHeader + 10);
    }
    const uint8_t* header = reader.at();
    const size_t available = reader.left();
    if (!reader.u32(dib.headerSize))
        return DibStatus::unknownFormat;
    if (dib.headerSize != coreHeaderSize && dib.headerSize != infoHeaderSize)
        return DibStatus::unknownFormat;
    if (!reader.skip(dib.headerSize - 4))
        return DibStatus::unknownFormat;

    const uint16_t n = dibColorCount(header, available);
    dib.colorCount = n;
    size_t entrySize = 4;
    if (dib.headerSize == coreHeaderSize) {
        // Core dimensions are unsigned and so never negative.
        dib.width = loadU16(header + 4);
        dib.height = loadU16(header + 6);
        dib.planes = loadU16(header + 8);
        dib.bitCount = loadU16(header + 10);
        dib.compression = biRgb;
        dib.colorsUsed = n;
        entrySize = 3;
    } else {
        dib.width = loadI32(header + 4);
        dib.height = loadI32(header + 8);
        dib.planes = loadU16(header + 12);
        dib.bitCount = loadU16(header + 14);
        dib.compression = loadU32(header + 16);
        dib.imageSize = loadU32(header + 20);
        dib.colorsUsed = loadU32(header + 32);
        if (dib.compression == biBitfields) {
            // The three masks come before any colour table.
            const uint8_t* masks = reader.take(maskBytes);
            if (masks == nullptr)
                return DibStatus::unknownFormat;
            dib.hasMasks = true;
            dib.redMask = loadU32(masks);
            dib.greenMask = loadU32(masks + 4);
            dib.blueMask = loadU32(masks + 8);
        }
    }
    const uint8_t* table = reader.take(size_t{n} * entrySize);
    if (table == nullptr)
        return DibStatus::unknownFormat;
    for (size_t i = 0; i < n && i < 256; ++i) {
        const uint8_t* entry = table + i * entrySize;
        dib.palette[i][0] = entry[2];
        dib.palette[i][1] = entry[1];
        dib.palette[i][2] = entry[0];
    }
    if (!dib.hasFileHeader)
        dib.pixelOffset = reader.offset;
    if (dib.imageSize == 0) {
        // Whole bytes per row, rows not padded; kept for reporting only, so
        // the 32-bit wrap of a huge picture does no harm.
        const uint64_t rowBytes =
            (uint64_t{static_cast<uint32_t>(dib.width)} * dib.bitCount + 7) / 8;
        dib.imageSize = static_cast<uint32_t>(rowBytes * static_cast<uint32_t>(dib.height));
    }
    if (dib.colorsUsed == 0)
        dib.colorsUsed = n;
    return DibStatus::ok;
}

DibStatus convertDibPixels(const uint8_t* bytes, size_t size, const DibDescription& dib,
                           RgbImage& image) {
    if (dib.width <= 0 || dib.height == 0 || !isDecodedForm(dib))
        return DibStatus::conversionError;
    const uint32_t rows =
        dib.height < 0 ? 0u - static_cast<uint32_t>(dib.height) : static_cast<uint32_t>(dib.height);
    const uint64_t pixelBytes = uint64_t{static_cast<uint32_t>(dib.width)} * rows * 3;
    if (pixelBytes > maxDibPixelBytes)
        return DibStatus::conversionError;
    const bool runLength = dib.compression == biRle8 || dib.compression == biRle4;
    // Refused before the output is allocated: a tiny file must not cost the
    // memory of the picture it merely claims to be.
    if (!runLength && !uncompressedDataFits(size, dib, rows))
        return DibStatus::conversionError;
    RgbImage result;
    try {
        result.data.resize(static_cast<size_t>(pixelBytes));
    } catch (const std::bad_alloc&) {
        return DibStatus::outOfMemory;
    }
    const DibStatus status = runLength
                                 ? convertRunLength(bytes, size, dib, rows, result.data.data())
                                 : convertUncompressed(bytes, size, dib, rows, result.data.data());
    if (status != DibStatus::ok)
        return status;
    result.width = dib.width;
    result.height = static_cast<int32_t>(rows);
    image = std::move(result);
    return DibStatus::ok;
}

DibStatus decodeDibBytes(const uint8_t* bytes, size_t size, RgbImage& image) {
    DibDescription dib;
    const DibStatus status = readDibDescription(bytes, size, dib);
    if (status != DibStatus::ok)
        return status;
    return convertDibPixels(bytes, size, dib, image);
}

std::unique_ptr<RgbImage> decodeDibFile(const char* path) {
    MappedFile file;
    if (!openMappedFile(path, file)) {
        // A fixed buffer: an overlong path is cut rather than written past it.
        char text[512];
        std::snprintf(text, sizeof text, "Failed to open DIB file %s.\n",
                      path != nullptr ? path : "(null)");
        showMessageBox("Error", text, MessageIcon::error);
        return nullptr;
    }
    std::unique_ptr<RgbImage> image(new (std::nothrow) RgbImage);
    const DibStatus status =
        image == nullptr ? DibStatus::outOfMemory : decodeDibBytes(file.data, file.size, *image);
    closeMappedFile(file);
    if (status != DibStatus::ok) {
        showMessageBox("Error", dibStatusMessage(status), MessageIcon::error);
        return nullptr;
    }
    return image;
}

std::unique_ptr<RgbImage> loadBmpImage(const char* path) {
    if (path == nullptr)
        return nullptr;
    // A file that does not open gives no picture and no message; a bad one is reported.
    std::FILE* probe = std::fopen(path, "r");
    if (probe == nullptr)
        return nullptr;
    std::fclose(probe);
    return decodeDibFile(path);
}
