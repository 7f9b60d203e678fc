#pragma once
// Decoding BMP files (Windows DIBs, with or without the 14-byte file header)
// into tightly packed 8-bit RGB pixels.

#include <cstddef>
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

// What went wrong in a decode; each failure has its message for the user.
enum class DibStatus { ok, outOfMemory, unknownFormat, conversionError };

// "Out of memory.", "Unknown DIB file format." or "Image file conversion
// error."; empty for ok.
const char* dibStatusMessage(DibStatus status);

// The largest decoded picture accepted, in bytes of RGB pixels.
constexpr uint64_t maxDibPixelBytes = uint64_t{64} << 20;

// The headers of a DIB, normalised to the 40-byte form whatever the file
// holds, with the colour table and where the pixel data lies.
struct DibDescription {
    bool hasFileHeader = false;
    uint32_t headerSize = 0; // as stored; 0 when the file is too short to hold it
    int32_t width = 0;
    int32_t height = 0; // negative: rows stored top-down
    uint16_t planes = 0;
    uint16_t bitCount = 0;
    uint32_t compression = 0;
    uint32_t imageSize = 0;   // as stored, or whole bytes per row x rows when 0
    uint32_t colorsUsed = 0;  // as stored, or colorCount when 0
    uint16_t colorCount = 0;  // entries in the colour table (dibColorCount)
    uint64_t pixelOffset = 0; // from the start of the file
    bool hasMasks = false;    // BI_BITFIELDS masks follow the 40-byte header
    uint32_t redMask = 0;
    uint32_t greenMask = 0;
    uint32_t blueMask = 0;
    // The first 256 colour-table entries as red, green, blue, 0; entries the
    // table lacks are black.
    uint8_t palette[256][4] = {};
};

// Reads the file and DIB headers and the colour table from the `size` bytes at
// `bytes`. unknownFormat when the header size is neither 12 nor 40 or the bytes
// end before the headers, masks or colour table they claim; the fields read so
// far are filled in either way.
DibStatus readDibDescription(const uint8_t* bytes, size_t size, DibDescription& dib);

// Converts the pixel data that `dib` locates in the same bytes into `image`,
// bottom row first whatever the stored row order. conversionError for any form
// not decoded here, for a size of 0, a negative width, a picture of more than
// maxDibPixelBytes, or pixel data that does not hold every row it implies.
DibStatus convertDibPixels(const uint8_t* bytes, size_t size, const DibDescription& dib,
                           RgbImage& image);

// readDibDescription followed by convertDibPixels. `image` is changed only on
// success.
DibStatus decodeDibBytes(const uint8_t* bytes, size_t size, RgbImage& image);
