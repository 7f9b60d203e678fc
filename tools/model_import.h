#pragma once
// Models from the formats modelling tools write today (whatever Assimp reads:
// OBJ, glTF 2.0 / GLB, FBX, Collada, ...) made into an MS3D file the editor
// draws, with the textures it uses as BMP files beside it.

#include "contained_reader.h"

#include <cstddef>
#include <string>
#include <vector>

// The model's axis, as read, that becomes up (+y).
enum class UpAxis { plusY, minusY, plusZ, minusZ, plusX, minusX };

struct ModelImportOptions {
    float height = 0;          // scale the model to stand this tall; 0 keeps its size
    UpAxis up = UpAxis::plusY; // turned onto +y first
    float turn = 0;            // then degrees about +y, counter-clockwise seen from above
    ContainmentLimits limits = defaultReaderLimits(); // of the child that reads the model
};

// A model wider than this in the units it was read in is refused unless a
// height is asked for: no map could show it, and such sizes are mostly a
// broken file's garbage.
constexpr double maxUnfittedSpan = 1e6;

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
    std::vector<std::string> removed; // the earlier import's textures, now unused
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
// texture a material uses is written beside it as a new file
// <stem of outPath>-<n>.bmp, n from 0 but skipping every name that exists
// there and the names the model at `outPath` uses now, and the material names
// that file. A texture that cannot be read leaves its materials untextured,
// with a warning; one that is a FIFO or a device refuses the import, as does
// any other file the model names that is not a regular file. Assimp reads
// the model in a child process under `options.limits` that can read nothing
// outside the model's folder; the texture files are found and read here,
// wherever they are, and decoded in another such child. The model's
// replacement commits the import; the earlier import's textures go after it,
// but for those another model file in the folder names. Returns false with the
// reason in `error` when the model cannot be read, is refused, or a file
// cannot be written; then the files there are as they were.
bool importModel(const std::string& inPath, const std::string& outPath,
                 const ModelImportOptions& options, ModelImportSummary& summary,
                 std::string& error);

// The summary as `quillmark-tool model import` prints it.
std::string formatImportSummary(const ModelImportSummary& summary);
