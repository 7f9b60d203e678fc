#pragma once
// The land and water textures, painted procedurally.
//
// The hex tile maps its top face to the texture by position: s = z / 1.74,
// t = x / 3.0. Neighbours lie (0, 1.74) and (1.5, 0.87) apart on (x, z), which
// moves the texture by (1, 0) and (0.5, 0.5); every texture repeats with
// exactly those steps, so tiles of one kind join without seams.

#include "map/hex_grid.h"

#include <cstdint>
#include <string>
#include <vector>

constexpr float textureSpanS = hexColumnStep;  // world units along z per texture repeat
constexpr float textureSpanT = 2 * hexRowStep; // world units along x per texture repeat

// How a texture file is stored: the BMP forms the program decodes.
enum class BmpForm {
    rgb24,    // 40-byte header, 24 bits per pixel
    palette8, // 40-byte header, 8-bit indices into a colour table
    rle8,     // 40-byte header, 8-bit indices, run-length encoded
    core8,    // 12-byte header, 8-bit indices, 3-byte colour entries
    core24,   // 12-byte header, 24 bits per pixel
};

const char* bmpFormName(BmpForm form);

struct TextureAsset {
    std::string fileName; // e.g. "land0.bmp"
    std::string title;    // what it shows, e.g. "sand"
    BmpForm form = BmpForm::rgb24;
    int size = 0;               // width and height in pixels
    std::vector<uint8_t> bytes; // the encoded file
};

// land0.bmp .. land6.bmp (heights 0 to 3), water.bmp and paving.bmp (the
// road's top), encoded.
std::vector<TextureAsset> makeTextureAssets();
