#pragma once
// Writing uncompressed 24-bit BMP files, for test textures and the program's
// own texture assets.

#include <cstdint>
#include <string>
#include <vector>

// `rgb` holds width x height red, green, blue triples, tightly packed, the
// BOTTOM row first (as RgbImage holds them and as BMP stores them). Returns
// false when the sizes don't match the data or the file cannot be written.
bool encodeBmp24(int width, int height, const std::vector<uint8_t>& rgb, std::vector<uint8_t>& out);
bool writeBmp24(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb);

// Palettised 8-bit forms. `indices` holds width x height palette indices, the
// BOTTOM row first; `paletteRgb` holds up to 256 red, green, blue triples
// (every index must name one of them). Each returns false when the sizes
// don't fit.
//
// 40-byte header, uncompressed, with a colour table of exactly the palette's
// entries (colours used = their number).
bool encodeBmp8(int width, int height, const std::vector<uint8_t>& indices,
                const std::vector<uint8_t>& paletteRgb, std::vector<uint8_t>& out);
// 40-byte header, run-length encoded (BI_RLE8): runs of equal indices, and
// literal stretches where the indices vary.
bool encodeBmpRle8(int width, int height, const std::vector<uint8_t>& indices,
                   const std::vector<uint8_t>& paletteRgb, std::vector<uint8_t>& out);
// 12-byte core header with its 3-byte colour table, which always has 256
// entries for 8 bits (the palette is padded with black).
bool encodeBmpCore8(int width, int height, const std::vector<uint8_t>& indices,
                    const std::vector<uint8_t>& paletteRgb, std::vector<uint8_t>& out);
// 12-byte core header, 24 bits per pixel, no colour table. `rgb` as for
// encodeBmp24.
bool encodeBmpCore24(int width, int height, const std::vector<uint8_t>& rgb,
                     std::vector<uint8_t>& out);
