#pragma once
// Pictures in the formats artists use (PNG, JPEG, and the others stb_image
// reads) made into textures the editor can draw: 24-bit BMPs whose sides are
// powers of two, as OpenGL 1.1 needs.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// width x height pixels of red, green, blue, tightly packed, the TOP row
// first (as PNG and JPEG store them).
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};

// A source picture with a longer side is refused before it is decoded.
constexpr int maxSourcePictureSide = 8192;
// The largest side the tools give a texture on their own.
constexpr int maxTextureSide = 1024;

// Decodes a picture held in memory; any alpha is dropped. False with the
// reason in `error` for bytes that do not decode.
bool decodePicture(const uint8_t* bytes, size_t size, Picture& out, std::string& error);
// Reads and decodes the file at `path`.
bool readPictureFile(const std::string& path, Picture& out, std::string& error);

bool isPowerOfTwo(int n);
// The power of two nearest to `side` (the larger on a tie), from 1 to
// maxTextureSide.
int nearestPowerOfTwo(int side);

// `picture` scaled to width x height (each at least 1).
Picture resizePicture(const Picture& picture, int width, int height);
// `picture` scaled so that each side is its nearest power of two.
Picture resizeToTexture(const Picture& picture);

// The 24-bit BMP file of `picture`, whose top row stays the top row of the
// BMP. False when the picture is empty or too large for a BMP.
bool encodePictureBmp(const Picture& picture, std::vector<uint8_t>& out);
