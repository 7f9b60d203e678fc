#pragma once
// Writing MS3D model files from a plain description, byte for byte as the
// loader reads them. Used to build test models and the program's own assets.
// Nothing is validated: indices may point anywhere and names may fill their
// fields with no terminator, so tests can also write broken files.

#include <cstdint>
#include <string>
#include <vector>

struct Ms3dFileVertex {
    uint8_t flags = 0;
    float position[3] = {0, 0, 0};
    uint8_t boneId = 0xFF; // no bone
    uint8_t referenceCount = 0;
};

struct Ms3dFileTriangle {
    uint16_t flags = 0;
    uint16_t vertexIndices[3] = {0, 0, 0};
    float vertexNormals[3][3] = {};
    float s[3] = {0, 0, 0};
    float t[3] = {0, 0, 0}; // as stored in the file (the loader flips it)
    uint8_t smoothingGroup = 1;
    uint8_t groupIndex = 0;
};

struct Ms3dFileGroup {
    uint8_t flags = 0;
    std::string name; // at most 32 bytes are written
    std::vector<uint16_t> triangleIndices;
    int8_t materialIndex = -1;
};

struct Ms3dFileMaterial {
    std::string name; // at most 32 bytes are written
    float ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    float diffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    float specular[4] = {0, 0, 0, 1.0f};
    float emissive[4] = {0, 0, 0, 1.0f};
    float shininess = 0;
    float transparency = 1.0f;
    uint8_t mode = 0;
    std::string textureName;  // 128 bytes: a 128-byte name has no terminator
    std::string alphaMapName; // likewise
};

struct Ms3dFile {
    char identifier[10] = {'M', 'S', '3', 'D', '0', '0', '0', '0', '0', '0'};
    int32_t version = 4;
    std::vector<Ms3dFileVertex> vertices;
    std::vector<Ms3dFileTriangle> triangles;
    std::vector<Ms3dFileGroup> groups;
    std::vector<Ms3dFileMaterial> materials;
    std::vector<uint8_t> trailer; // written after the material section
};

// The file's bytes. Returns false (and leaves `out` empty) when a section or
// a group has more than 65535 entries, which the format cannot count.
bool encodeMs3d(const Ms3dFile& file, std::vector<uint8_t>& out);

// The file that `size` bytes at `data` encode, read back as encodeMs3d wrote
// it: what follows the materials becomes the trailer. False (with `file`
// unchanged) when the bytes end before the materials do.
bool decodeMs3d(const uint8_t* data, size_t size, Ms3dFile& file);

// Encodes and writes the file; false when it cannot be encoded or written.
bool writeMs3dFile(const Ms3dFile& file, const std::string& path);

// Appends a flat quad (two triangles) in the plane z = `z`, from (x0, y0) to
// (x1, y1), facing +z, with texture coordinates s = 0..1 left to right and
// file t = 1 at the bottom edge, 0 at the top (so the loader's t runs 0 at
// the bottom to 1 at the top), to `group` of `file`.
void appendMs3dQuad(Ms3dFile& file, size_t group, float x0, float y0, float x1, float y1, float z);
