#pragma once
// The in-memory model: vertices, triangles, drawing groups and materials, as
// read from an MS3D file, plus drawing them with OpenGL and creating their
// textures.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct MeshVertex {
    uint8_t boneId = 0; // copied from the file; nothing reads it
    float position[3] = {0, 0, 0};
};

struct MeshTriangle {
    float vertexNormals[3][3] = {};
    float s[3] = {};
    float t[3] = {}; // 1 - the file's t, so t = 0 is the texture's first row
    uint32_t vertexIndices[3] = {};
};

struct MeshGroup {
    int32_t materialIndex = -1; // negative: the group has no material
    int32_t triangleCount = 0;  // == triangleIndices.size()
    std::vector<uint32_t> triangleIndices;
};

struct MeshMaterial {
    float ambient[4] = {};
    float diffuse[4] = {};
    float specular[4] = {};
    float emissive[4] = {};
    float shininess = 0;
    uint32_t textureId = 0;  // GL texture name; 0 means none. Not owned.
    std::string textureName; // relative to data/; may be empty
};

// Each count always equals the size of its container. Drawing still bounds
// every access by both, so a hand-built model with mismatched counts is
// drawn in part rather than read out of bounds.
class MeshModel {
  public:
    MeshModel() = default;
    virtual ~MeshModel();

    // Reads the model file at `path`. A non-null `textureName` replaces the
    // texture name of every material (an empty one too). On failure the model
    // is left empty.
    virtual bool loadModel(const char* path, const char* textureName = nullptr) = 0;

    // Sends every group to GL with its material and texture. Only the enable
    // state of GL_TEXTURE_2D is restored afterwards; the last group's material
    // and texture binding stay in force.
    void drawModel() const;

    // Creates a new texture for every material that names one (textureId 0
    // for the others and for files that do not decode). With no current GL
    // context the files are still decoded but every textureId becomes 0.
    void reloadTextures();

    int32_t groupCount = 0;
    std::vector<MeshGroup> groups;
    int32_t materialCount = 0;
    std::vector<MeshMaterial> materials;
    int32_t triangleCount = 0;
    std::vector<MeshTriangle> triangles;
    int32_t vertexCount = 0;
    std::vector<MeshVertex> vertices;
};

class Ms3dModel : public MeshModel {
  public:
    bool loadModel(const char* path, const char* textureName = nullptr) override;
};

// Releases the model's arrays and strings (group indices and texture names
// first, then groups, materials, triangles, vertices) and zeroes the counts.
// GL textures are not deleted.
void clearModel(MeshModel& model);

// Why an MS3D buffer was refused.
enum class Ms3dFailure {
    none,
    truncatedHeader,
    badIdentifier,
    badVersion,
    truncatedVertices,
    truncatedTriangles,
    truncatedGroups,
    truncatedMaterials,
};

struct Ms3dParseResult {
    Ms3dFailure failure = Ms3dFailure::none;
    int32_t version = 0; // as read, once the header was long enough
};

// Short English description of a failure, e.g. "unsupported version".
const char* describeMs3dFailure(Ms3dFailure failure);

// Parses an MS3D file held in memory into `out`, without touching any file or
// GL. Every read is checked against `size`. On success `out` holds exactly the
// parsed model (its previous contents are released) and texture ids are 0; on
// failure `out` is left unchanged. Indices are not checked against the counts.
bool parseMs3d(const uint8_t* data, size_t size, const char* textureName, MeshModel& out,
               Ms3dParseResult* result = nullptr);

// Files larger than this are refused before any buffer is allocated.
constexpr size_t maxModelFileSize = 256u * 1024u * 1024u;

// Decodes data/<name> and uploads it as a new GL texture with linear
// filtering; returns its name, or 0 when the file does not decode or no GL
// context is current (the file is decoded either way). The new texture stays
// bound.
uint32_t loadTexture(const char* name);
