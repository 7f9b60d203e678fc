#pragma once
// Pictures in the formats artists use (PNG, JPEG, and the others stb_image
// reads) made into textures the editor can draw: 24-bit BMPs whose sides are
// powers of two, as OpenGL 1.1 needs.

#include "platform/contained_run.h"

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

// A picture for the picture reader: encoded bytes (PNG, JPEG, ...) held in
// memory, or pixels decoded already (texels a model embeds).
struct PictureInput {
    const uint8_t* bytes = nullptr;
    size_t size = 0;
    const Picture* pixels = nullptr;
};

// What came back for one picture: its BMP and the source's size, or why not.
struct DecodedPicture {
    std::string error;
    int sourceWidth = 0;
    int sourceHeight = 0;
    std::vector<uint8_t> bmp; // one the editor's own decoder reads
};

// Decodes each picture and resizes it (to side x side; with `side` 0 to the
// nearest powers of two) in the picture reader: a contained child in a
// sandbox that may open no file at all. True with one DecodedPicture per
// input (a picture that does not decode has its own error); false with
// `error` when the reader itself failed: it crashed, was stopped, went over
// a limit, or sent what no picture gives.
bool decodePicturesContained(const std::vector<PictureInput>& inputs, int side,
                             const ContainmentLimits& limits, std::vector<DecodedPicture>& out,
                             std::string& error);
