#pragma once
// Models from the formats modelling tools write today (whatever Assimp reads:
// OBJ, glTF 2.0 / GLB, FBX, Collada, ...) made into an MS3D file the editor
// draws, with the textures it uses as BMP files beside it.

#include <cstddef>
#include <string>
#include <vector>

enum class UpAxis { y, z };

struct ModelImportOptions {
    float height = 0;      // scale the model to stand this tall; 0 keeps its size
    UpAxis up = UpAxis::y; // the source's up axis, which becomes +y
};

struct ModelBounds {
    float min[3] = {0, 0, 0};
    float max[3] = {0, 0, 0};
};

struct ImportedTexture {
    std::string source; // the file it came from, or "embedded texture N"
    std::string name;   // the BMP's file name beside the model, as materials name it
    int sourceWidth = 0;
    int sourceHeight = 0;
    int width = 0; // as written
    int height = 0;
};

struct ModelImportSummary {
    size_t groups = 0;
    size_t triangles = 0;
    size_t vertices = 0;
    size_t materials = 0;
    std::vector<ImportedTexture> textures;
    ModelBounds before; // as read, in the source's axes
    ModelBounds after;  // as written
    std::vector<std::string> warnings;
};

// What an MS3D file can hold: 16-bit vertex and triangle counts, a signed
// byte for a group's material index and a byte for a triangle's group index.
constexpr size_t maxImportVertices = 65535;
constexpr size_t maxImportTriangles = 65535;
constexpr size_t maxImportMaterials = 127;
constexpr size_t maxImportGroups = 255;

struct ModelCounts {
    size_t vertices = 0;
    size_t triangles = 0;
    size_t groups = 0;
    size_t materials = 0;
};

// False, with a message that gives the counts, when a count is over its limit.
bool checkModelLimits(const ModelCounts& counts, std::string& error);

// Reads the model at `inPath` and writes the MS3D file `outPath`. Each
// texture a material uses is written beside it as <stem of outPath>-<n>.bmp,
// n from 0, and the material names that file. A texture that cannot be read
// leaves its materials untextured, with a warning. Returns false with the
// reason in `error` when the model cannot be read, is over a limit, or a file
// cannot be written; on a refusal nothing is written.
bool importModel(const std::string& inPath, const std::string& outPath,
                 const ModelImportOptions& options, ModelImportSummary& summary,
                 std::string& error);

// The summary as `quillmark-tool model import` prints it.
std::string formatImportSummary(const ModelImportSummary& summary);
