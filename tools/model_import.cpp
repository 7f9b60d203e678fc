#include "model_import.h"

#include "contained_reader.h"
#include "image/bmp_image.h"
#include "image_import.h"
#include "model/mesh_model.h"
#include "ms3d_writer.h"
#include "platform/atomic_file.h"
#include "platform/byte_io.h"
#include "platform/mapped_file.h"
#include "platform/regular_file.h"

#include <assimp/DefaultIOStream.h>
#include <assimp/DefaultIOSystem.h>
#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace fs = std::filesystem;

namespace {

// Group and material names fill 32 bytes; one stays for the terminator.
constexpr size_t maxNameLength = 31;
// Texture names fill 128 bytes; likewise.
constexpr size_t maxTextureNameLength = 127;

struct Corner {
    uint32_t vertex = 0;
    float normal[3] = {0, 0, 0};
    float s = 0;
    float t = 0; // as the file stores it
};

struct Triangle {
    Corner corners[3];
};

struct Group {
    std::string name;
    unsigned sourceMaterial = 0;
    size_t firstTriangle = 0;
    size_t triangleCount = 0;
};

// The model as read: positions shared by value, per-corner normals and
// texture coordinates, one group per placed mesh.
struct SourceModel {
    std::vector<aiVector3D> positions;
    std::vector<Triangle> triangles;
    std::vector<Group> groups;
};

struct PositionKey {
    uint32_t bits[3];
    bool operator==(const PositionKey& other) const {
        return std::memcmp(bits, other.bits, sizeof bits) == 0;
    }
};

struct PositionHash {
    size_t operator()(const PositionKey& key) const {
        return (size_t{key.bits[0]} * 73856093u) ^ (size_t{key.bits[1]} * 19349663u) ^
               (size_t{key.bits[2]} * 83492791u);
    }
};

// The quarter and half turns that bring the named axis onto +y. Each is a
// rotation, so the model keeps its handedness and its faces their winding.
aiMatrix3x3 upTurn(UpAxis up) {
    switch (up) {
    case UpAxis::minusY: // a half turn about x
        return aiMatrix3x3(1, 0, 0, 0, -1, 0, 0, 0, -1);
    case UpAxis::plusZ: // quarter turns about x
        return aiMatrix3x3(1, 0, 0, 0, 0, 1, 0, -1, 0);
    case UpAxis::minusZ:
        return aiMatrix3x3(1, 0, 0, 0, 0, -1, 0, 1, 0);
    case UpAxis::plusX: // quarter turns about z
        return aiMatrix3x3(0, -1, 0, 1, 0, 0, 0, 0, 1);
    case UpAxis::minusX:
        return aiMatrix3x3(0, 1, 0, -1, 0, 0, 0, 0, 1);
    case UpAxis::plusY:
        break;
    }
    return aiMatrix3x3();
}

// The turn about +y, counter-clockwise seen from above, as model preview's
// yaw turns; quarter turns exactly, so that a box turned by 90 degrees is
// not off by a rounding error.
aiMatrix3x3 yTurn(float degrees) {
    double s = std::sin(degrees * M_PI / 180), c = std::cos(degrees * M_PI / 180);
    const double quarters = degrees / 90.0;
    if (quarters == std::floor(quarters)) {
        static const int sines[] = {0, 1, 0, -1};
        const int q = static_cast<int>(std::fmod(quarters, 4.0) + 4) % 4;
        s = sines[q];
        c = sines[(q + 1) % 4];
    }
    const float fs = static_cast<float>(s), fc = static_cast<float>(c);
    return aiMatrix3x3(fc, 0, fs, 0, 1, 0, -fs, 0, fc);
}

// Corners that came without a normal (a file may have none, or give them
// for some faces only) take their own face's, so that the light falls on
// each face as flat as it is.
void faceNormalWhereNone(Triangle& triangle, const std::vector<aiVector3D>& positions) {
    const aiVector3D& p0 = positions[triangle.corners[0].vertex];
    aiVector3D face =
        (positions[triangle.corners[1].vertex] - p0) ^ (positions[triangle.corners[2].vertex] - p0);
    face.NormalizeSafe();
    for (Corner& corner : triangle.corners)
        if (corner.normal[0] == 0 && corner.normal[1] == 0 && corner.normal[2] == 0) {
            corner.normal[0] = face.x;
            corner.normal[1] = face.y;
            corner.normal[2] = face.z;
        }
}

// The texture type a material's picture is under (glTF's base colour, the
// others' diffuse); false when it has none.
bool diffuseTextureType(const aiMaterial& material, aiTextureType& type) {
    for (aiTextureType candidate : {aiTextureType_DIFFUSE, aiTextureType_BASE_COLOR})
        if (material.GetTextureCount(candidate) > 0) {
            type = candidate;
            return true;
        }
    return false;
}

// The texture-coordinate channel a mesh's picture is laid on: the one its
// material names (a projected mapping's generated channel among them), else
// the first. Some readers name a channel by the file's own numbering, which
// the mesh does not have: the first stands in for it too.
unsigned uvChannelOf(const aiScene& scene, const aiMesh& mesh) {
    aiTextureType type;
    int channel = 0;
    if (mesh.mMaterialIndex >= scene.mNumMaterials ||
        !diffuseTextureType(*scene.mMaterials[mesh.mMaterialIndex], type) ||
        scene.mMaterials[mesh.mMaterialIndex]->Get(AI_MATKEY_UVWSRC(type, 0), channel) !=
            aiReturn_SUCCESS ||
        channel < 0 || channel >= AI_MAX_NUMBER_OF_TEXTURECOORDS ||
        !mesh.HasTextureCoords(static_cast<unsigned>(channel)))
        return 0;
    return static_cast<unsigned>(channel);
}

// Collects every mesh placed under `node`, transformed into the scene's space.
class SceneWalker {
  public:
    SceneWalker(const aiScene& scene, SourceModel& model) : scene(scene), model(model) {}

    void walk(const aiNode& node, const aiMatrix4x4& parent) {
        const aiMatrix4x4 transform = parent * node.mTransformation;
        for (unsigned i = 0; i < node.mNumMeshes; ++i)
            if (node.mMeshes[i] < scene.mNumMeshes)
                addMesh(*scene.mMeshes[node.mMeshes[i]], node, transform);
        for (unsigned i = 0; i < node.mNumChildren; ++i)
            walk(*node.mChildren[i], transform);
    }

  private:
    uint32_t vertexAt(const aiVector3D& position) {
        PositionKey key;
        for (int axis = 0; axis < 3; ++axis) {
            const float value = position[axis] + 0.0f; // -0 and 0 are one place
            std::memcpy(&key.bits[axis], &value, sizeof value);
        }
        const auto found = vertexIndex.emplace(key, static_cast<uint32_t>(model.positions.size()));
        if (found.second)
            model.positions.push_back(position);
        return found.first->second;
    }

    void addMesh(const aiMesh& mesh, const aiNode& node, const aiMatrix4x4& transform) {
        aiMatrix3x3 normalTransform(transform);
        // A mirroring transform turns faces inside out: swap two corners back.
        const bool mirrored = normalTransform.Determinant() < 0;
        normalTransform.Inverse().Transpose();

        Group group;
        group.name = mesh.mName.length > 0 ? mesh.mName.C_Str() : node.mName.C_Str();
        group.sourceMaterial = mesh.mMaterialIndex;
        group.firstTriangle = model.triangles.size();
        const unsigned uv = uvChannelOf(scene, mesh);
        for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
            const aiFace& face = mesh.mFaces[f];
            if (face.mNumIndices != 3 || face.mIndices[0] >= mesh.mNumVertices ||
                face.mIndices[1] >= mesh.mNumVertices || face.mIndices[2] >= mesh.mNumVertices)
                continue;
            Triangle triangle;
            for (int c = 0; c < 3; ++c) {
                const unsigned index = face.mIndices[mirrored && c > 0 ? 3 - c : c];
                Corner& corner = triangle.corners[c];
                corner.vertex = vertexAt(transform * mesh.mVertices[index]);
                if (mesh.mNormals != nullptr) {
                    aiVector3D normal = normalTransform * mesh.mNormals[index];
                    normal.NormalizeSafe();
                    corner.normal[0] = normal.x;
                    corner.normal[1] = normal.y;
                    corner.normal[2] = normal.z;
                }
                if (mesh.HasTextureCoords(uv)) {
                    // Assimp counts v up from the picture's bottom row (it
                    // turns glTF's round), as the loader's t does; the file
                    // stores 1 - t.
                    corner.s = mesh.mTextureCoords[uv][index].x;
                    corner.t = 1.0f - mesh.mTextureCoords[uv][index].y;
                }
            }
            faceNormalWhereNone(triangle, model.positions);
            model.triangles.push_back(triangle);
        }
        group.triangleCount = model.triangles.size() - group.firstTriangle;
        if (group.triangleCount > 0)
            model.groups.push_back(group);
    }

    const aiScene& scene;
    SourceModel& model;
    std::unordered_map<PositionKey, uint32_t, PositionHash> vertexIndex;
};

ModelBounds boundsOf(const std::vector<aiVector3D>& positions) {
    ModelBounds bounds;
    for (int axis = 0; axis < 3; ++axis) {
        bounds.min[axis] = positions.empty() ? 0 : positions[0][axis];
        bounds.max[axis] = bounds.min[axis];
    }
    for (const aiVector3D& p : positions)
        for (int axis = 0; axis < 3; ++axis) {
            bounds.min[axis] = std::min(bounds.min[axis], p[axis]);
            bounds.max[axis] = std::max(bounds.max[axis], p[axis]);
        }
    return bounds;
}

// Cuts `name` to what its field holds, never inside a UTF-8 character, and
// says so.
std::string fitName(const std::string& name, const char* what, std::vector<std::string>& warnings) {
    if (name.size() <= maxNameLength)
        return name;
    size_t length = maxNameLength;
    while (length > 0 && (static_cast<unsigned char>(name[length]) & 0xC0) == 0x80)
        --length;
    const std::string cut = name.substr(0, length);
    warnings.push_back(std::string(what) + " name '" + name + "' cut to '" + cut + "' (" +
                       std::to_string(maxNameLength) + " bytes at most)");
    return cut;
}

void readColour(const aiMaterial& material, const char* key, unsigned type, unsigned index,
                float out[4]) {
    aiColor4D colour;
    if (material.Get(key, type, index, colour) == aiReturn_SUCCESS) {
        out[0] = colour.r;
        out[1] = colour.g;
        out[2] = colour.b;
    }
    out[3] = 1.0f;
}

bool sameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// `relative` below the folder `at`, each name in it matched without regard
// to letter case: of several matches the first in sorted order, and
// `several` set. Empty when a name matches nothing.
fs::path matchIgnoringCase(fs::path at, const fs::path& relative, bool& several) {
    for (const fs::path& part : relative) {
        const std::string name = part.string();
        if (name.empty() || name == "." || name == "..") {
            at /= part;
            continue;
        }
        std::vector<std::string> matches;
        std::error_code code;
        // An empty folder is the working one: a model named without one.
        for (fs::directory_iterator entry(at.empty() ? "." : at, code), end; !code && entry != end;
             entry.increment(code))
            if (sameIgnoringCase(entry->path().filename().string(), name))
                matches.push_back(entry->path().filename().string());
        if (matches.empty())
            return fs::path();
        std::sort(matches.begin(), matches.end());
        several = several || matches.size() > 1;
        at /= matches.front();
    }
    return at;
}

// A texture file found on the trusted side for the path a material names.
struct FoundTexture {
    std::string source; // the file's path
    std::string key;    // its device and inode: the same for every path to it
};

// Where the texture file `path` names is; false with why not. Files made
// elsewhere often name a folder that is not here, or the file in another
// letter case (Windows does not tell them apart): the named path comes
// first, then the file name beside the model, then both again matched
// without regard to case. Folders are passed over; a FIFO, a device or a
// socket sets `refused`, and nothing further is looked for.
bool findTextureFile(const std::string& path, const fs::path& modelFolder, FoundTexture& found,
                     std::vector<std::string>& warnings, std::string& error, bool& refused) {
    std::string portable = path;
    std::replace(portable.begin(), portable.end(), '\\', '/');
    const fs::path named(portable);
    const fs::path base = named.is_absolute() ? named.root_path() : modelFolder;
    const fs::path below = named.is_absolute() ? named.relative_path() : named;
    const std::pair<fs::path, fs::path> tries[] = {{base, below}, {modelFolder, named.filename()}};
    for (bool ignoreCase : {false, true})
        for (const auto& [from, relative] : tries) {
            bool several = false;
            const fs::path candidate =
                ignoreCase ? matchIgnoringCase(from, relative, several) : from / relative;
            struct stat info {};
            if (candidate.empty() || ::stat(candidate.c_str(), &info) != 0 || S_ISDIR(info.st_mode))
                continue;
            if (!S_ISREG(info.st_mode)) {
                error = "texture file " + candidate.string() + " is " + fileKindName(info.st_mode) +
                        ", not a regular file";
                refused = true;
                return false;
            }
            found.source = candidate.string();
            found.key = std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
            const std::string note =
                "texture " + path + " read from " + found.source +
                (several ? " (the first in sorted order of files whose names differ only in "
                           "letter case)"
                         : "");
            // Once, however many materials name it.
            if ((ignoreCase || relative != below) &&
                std::find(warnings.begin(), warnings.end(), note) == warnings.end())
                warnings.push_back(note);
            return true;
        }
    error = "texture file " + path + " not found beside the model";
    return false;
}

bool diffuseTexturePath(const aiMaterial& material, std::string& path) {
    aiTextureType type;
    aiString found;
    if (!diffuseTextureType(material, type) ||
        material.GetTexture(type, 0, &found) != aiReturn_SUCCESS || found.length == 0)
        return false;
    path = found.C_Str();
    return true;
}

// The source materials the groups use, in order of first use.
std::vector<unsigned> materialsInUse(const SourceModel& model, unsigned materialCount) {
    std::vector<unsigned> used;
    std::vector<bool> seen(materialCount);
    for (const Group& group : model.groups)
        if (group.sourceMaterial < materialCount && !seen[group.sourceMaterial]) {
            seen[group.sourceMaterial] = true;
            used.push_back(group.sourceMaterial);
        }
    return used;
}

// A texture as the model reader sends it: the picture the model embeds, or
// the path a material names, which the trusted side finds and reads.
enum class ReferenceKind : uint8_t { path, compressed, texels, unreadable };

struct TextureReference {
    ReferenceKind kind = ReferenceKind::path;
    std::string text;      // the path, or why the embedded picture cannot be read
    uint32_t embedded = 0; // the embedded picture's index
    int32_t width = 0;     // texels: width x height RGB in bytes
    int32_t height = 0;
    std::vector<uint8_t> bytes; // compressed: PNG, JPEG, ... as embedded
};

// Everything to be written, built in memory so that a refusal writes nothing.
struct ImportPlan {
    Ms3dFile file;                            // its materials name no texture yet
    std::vector<int32_t> materialTextures;    // each material's texture reference, or -1
    std::vector<TextureReference> references; // the textures, in order of first use
};

// The colours, shininess and name of a material; the texture comes later.
Ms3dFileMaterial convertMaterial(const aiMaterial& material, size_t index,
                                 std::vector<std::string>& warnings) {
    Ms3dFileMaterial out;
    aiString name;
    out.name = material.Get(AI_MATKEY_NAME, name) == aiReturn_SUCCESS && name.length > 0
                   ? name.C_Str()
                   : "material" + std::to_string(index);
    out.name = fitName(out.name, "material", warnings);
    readColour(material, AI_MATKEY_COLOR_AMBIENT, out.ambient);
    readColour(material, AI_MATKEY_COLOR_DIFFUSE, out.diffuse);
    readColour(material, AI_MATKEY_COLOR_SPECULAR, out.specular);
    readColour(material, AI_MATKEY_COLOR_EMISSIVE, out.emissive);
    float shininess = 0;
    if (material.Get(AI_MATKEY_SHININESS, shininess) == aiReturn_SUCCESS)
        out.shininess = std::clamp(shininess, 0.0f, 128.0f); // what GL takes
    out.transparency = 1.0f;
    return out;
}

std::string importedTextureName(const std::string& stem, size_t n) {
    return stem + "-" + std::to_string(n) + ".bmp";
}

// Whether `name` is one an import gives its textures: <stem>-<n>.bmp.
bool isImportedTextureName(const std::string& stem, const std::string& name) {
    const size_t head = stem.size() + 1, tail = 4;
    if (name.size() <= head + tail || name.compare(0, stem.size(), stem) != 0 ||
        name[stem.size()] != '-' || name.compare(name.size() - tail, tail, ".bmp") != 0)
        return false;
    const std::string number = name.substr(head, name.size() - head - tail);
    return std::all_of(number.begin(), number.end(),
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

// Gives each texture the materials use one reference, however many of them
// name it: the same embedded picture or the same path string.
class ReferencePlanner {
  public:
    ReferencePlanner(const aiScene& scene, std::vector<TextureReference>& references)
        : scene(scene), references(references) {}

    // The reference for the texture `path` names ("*N", or a file name an
    // FBX embeds, or a file for the trusted side to find).
    int32_t referenceFor(const std::string& path) {
        const auto embedded = scene.GetEmbeddedTextureAndIndex(path.c_str());
        const std::string key =
            embedded.first != nullptr ? "*" + std::to_string(embedded.second) : "?" + path;
        const auto known = indices.find(key);
        if (known != indices.end())
            return known->second;
        TextureReference& reference = references.emplace_back();
        if (embedded.first == nullptr) {
            reference.text = path;
        } else {
            reference.embedded = static_cast<uint32_t>(std::max(embedded.second, 0));
            describeEmbedded(*embedded.first, reference);
        }
        return indices[key] = static_cast<int32_t>(references.size() - 1);
    }

  private:
    static void describeEmbedded(const aiTexture& texture, TextureReference& reference) {
        reference.kind = ReferenceKind::unreadable;
        if (texture.pcData == nullptr) {
            reference.text = "embedded texture has no data";
            return;
        }
        const auto* data = reinterpret_cast<const uint8_t*>(texture.pcData);
        if (texture.mHeight == 0) { // compressed: PNG, JPEG, ... bytes, mWidth of them
            reference.kind = ReferenceKind::compressed;
            reference.bytes.assign(data, data + texture.mWidth);
            return;
        }
        if (texture.mWidth > static_cast<unsigned>(maxSourcePictureSide) ||
            texture.mHeight > static_cast<unsigned>(maxSourcePictureSide)) {
            reference.text = "embedded texture too large";
            return;
        }
        reference.kind = ReferenceKind::texels;
        reference.width = static_cast<int32_t>(texture.mWidth);
        reference.height = static_cast<int32_t>(texture.mHeight);
        const size_t count = size_t{texture.mWidth} * texture.mHeight;
        reference.bytes.resize(count * 3);
        for (size_t i = 0; i < count; ++i) {
            reference.bytes[3 * i] = texture.pcData[i].r;
            reference.bytes[3 * i + 1] = texture.pcData[i].g;
            reference.bytes[3 * i + 2] = texture.pcData[i].b;
        }
    }

    const aiScene& scene;
    std::vector<TextureReference>& references;
    std::map<std::string, int32_t> indices; // "*N" embedded, "?path" named
};

// The materials the groups use, in order of first use, with their textures.
void planMaterials(const aiScene& scene, const SourceModel& model, ImportPlan& plan,
                   ModelImportSummary& summary) {
    ReferencePlanner textures(scene, plan.references);
    std::map<unsigned, int> outputIndex;
    for (unsigned source : materialsInUse(model, scene.mNumMaterials)) {
        outputIndex[source] = static_cast<int>(plan.file.materials.size());
        const aiMaterial& material = *scene.mMaterials[source];
        Ms3dFileMaterial out =
            convertMaterial(material, plan.file.materials.size(), summary.warnings);
        std::string texturePath;
        plan.materialTextures.push_back(
            diffuseTexturePath(material, texturePath) ? textures.referenceFor(texturePath) : -1);
        plan.file.materials.push_back(out);
    }
    for (size_t g = 0; g < model.groups.size(); ++g) {
        const auto found = outputIndex.find(model.groups[g].sourceMaterial);
        plan.file.groups[g].materialIndex =
            found == outputIndex.end() ? -1 : static_cast<int8_t>(found->second);
    }
    summary.materials = plan.file.materials.size();
}

// Turns the model (its up axis onto +y, then `turn` about it), scales it to
// stand `height` tall (unless 0) and stands it on y = 0, centred on
// x = z = 0. In double, so that neither a model near the float range nor a
// tiny one scaled up overflows part-way; false when a result does not fit a
// float.
bool placeModel(SourceModel& model, UpAxis up, float turn, float height,
                std::vector<std::string>& warnings) {
    const aiMatrix3x3 rotation = yTurn(turn) * upTurn(up);
    std::vector<double> turned(model.positions.size() * 3);
    double min[3], max[3];
    for (size_t i = 0; i < model.positions.size(); ++i) {
        const aiVector3D& p = model.positions[i];
        for (int axis = 0; axis < 3; ++axis) {
            const double v = double(rotation[axis][0]) * p.x + double(rotation[axis][1]) * p.y +
                             double(rotation[axis][2]) * p.z;
            turned[3 * i + axis] = v;
            min[axis] = i == 0 ? v : std::min(min[axis], v);
            max[axis] = i == 0 ? v : std::max(max[axis], v);
        }
    }
    double scale = 1;
    if (height > 0) {
        if (max[1] > min[1])
            scale = height / (max[1] - min[1]);
        else
            warnings.push_back("the model is flat (no height): its size is kept");
    }
    const double centre[3] = {(min[0] + max[0]) / 2, min[1], (min[2] + max[2]) / 2};
    for (size_t i = 0; i < model.positions.size(); ++i)
        for (int axis = 0; axis < 3; ++axis) {
            const double v = (turned[3 * i + axis] - centre[axis]) * scale;
            if (!(std::fabs(v) <= FLT_MAX))
                return false;
            model.positions[i][axis] = static_cast<float>(v);
        }
    for (Triangle& triangle : model.triangles)
        for (Corner& corner : triangle.corners) {
            aiVector3D normal(corner.normal[0], corner.normal[1], corner.normal[2]);
            normal = rotation * normal;
            corner.normal[0] = normal.x;
            corner.normal[1] = normal.y;
            corner.normal[2] = normal.z;
        }
    return true;
}

bool allFinite(const SourceModel& model) {
    for (const aiVector3D& p : model.positions)
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
            return false;
    for (const Triangle& triangle : model.triangles)
        for (const Corner& corner : triangle.corners)
            for (float n : corner.normal)
                if (!std::isfinite(n))
                    return false;
    return true;
}

void buildFile(const SourceModel& model, Ms3dFile& file, std::vector<std::string>& warnings) {
    file.vertices.resize(model.positions.size());
    for (size_t i = 0; i < model.positions.size(); ++i)
        for (int axis = 0; axis < 3; ++axis)
            file.vertices[i].position[axis] = model.positions[i][axis];
    for (size_t g = 0; g < model.groups.size(); ++g) {
        const Group& source = model.groups[g];
        Ms3dFileGroup group;
        group.name = fitName(source.name.empty() ? "group" + std::to_string(g) : source.name,
                             "group", warnings);
        for (size_t i = 0; i < source.triangleCount; ++i) {
            const Triangle& from = model.triangles[source.firstTriangle + i];
            Ms3dFileTriangle triangle;
            for (int c = 0; c < 3; ++c) {
                const Corner& corner = from.corners[c];
                triangle.vertexIndices[c] = static_cast<uint16_t>(corner.vertex);
                std::copy(corner.normal, corner.normal + 3, triangle.vertexNormals[c]);
                triangle.s[c] = corner.s;
                triangle.t[c] = corner.t;
                Ms3dFileVertex& vertex = file.vertices[corner.vertex];
                if (vertex.referenceCount < 255)
                    ++vertex.referenceCount;
            }
            triangle.groupIndex = static_cast<uint8_t>(g);
            group.triangleIndices.push_back(static_cast<uint16_t>(file.triangles.size()));
            file.triangles.push_back(triangle);
        }
        file.groups.push_back(group);
    }
}

bool writeBytes(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error) {
    if (writeFileAtomically(path, bytes.data(), bytes.size()))
        return true;
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
}

std::string formatBounds(const ModelBounds& bounds) {
    char text[160];
    std::snprintf(text, sizeof text, "x %g to %g, y %g to %g, z %g to %g", bounds.min[0],
                  bounds.max[0], bounds.min[1], bounds.max[1], bounds.min[2], bounds.max[2]);
    return text;
}

// Faces of three corners or more, in a scene as its reader made it.
size_t countPolygons(const aiScene& scene) {
    size_t count = 0;
    for (unsigned m = 0; m < scene.mNumMeshes; ++m)
        if (scene.mMeshes[m] != nullptr && scene.mMeshes[m]->mFaces != nullptr)
            for (unsigned f = 0; f < scene.mMeshes[m]->mNumFaces; ++f)
                count += scene.mMeshes[m]->mFaces[f].mNumIndices >= 3;
    return count;
}

// What the reader hands back: a refusal, or everything to be written but
// the textures' names, which the parent gives when it writes them.
struct ImportResult {
    bool refused = true;
    std::string error;
    ModelImportSummary summary;                 // its textures not named yet
    std::vector<uint8_t> model;                 // MS3D bytes whose materials name no texture
    std::vector<int32_t> materialTextures;      // each material's reference; then its BMP; or -1
    std::vector<TextureReference> references;   // as the reader sent them
    std::vector<std::vector<uint8_t>> textures; // the BMPs, as summary.textures lists them
};

// Assimp opens the files a model names itself (an OBJ's MTL, a glTF's
// buffers): only regular files, so that a FIFO or a device named there is
// refused instead of read forever. The first refusal is kept, to refuse the
// import with.
class RegularFilesOnly : public Assimp::DefaultIOSystem {
  public:
    explicit RegularFilesOnly(std::string& refusal) : refusal(refusal) {}

    // Assimp's own check opens the file, and would wait on a FIFO.
    bool Exists(const char* path) const override {
        std::error_code code;
        return path != nullptr && fs::exists(path, code);
    }

    Assimp::IOStream* Open(const char* path, const char* mode) override {
        if (path == nullptr || mode == nullptr || std::strpbrk(mode, "wa+") != nullptr)
            return nullptr;
        std::string kind;
        std::FILE* stream = openRegularStream(path, &kind);
        if (stream == nullptr && !kind.empty() && kind != "a folder" && refusal.empty())
            refusal = std::string(path) + " is " + kind + ", not a regular file";
        return stream != nullptr ? new Stream(stream, path) : nullptr;
    }

  private:
    struct Stream : Assimp::DefaultIOStream {
        Stream(std::FILE* file, const std::string& name) : DefaultIOStream(file, name) {}
    };
    std::string& refusal;
};

// The whole import short of the textures and the writing, run in the
// contained child: Assimp's read and the conversion. The textures go back as
// the materials name them, for the trusted side to find, read and decode.
// Assimp opens `modelFile`, the model's own path; messages name `inPath`.
void readModel(const std::string& inPath, const std::string& modelFile,
               const ModelImportOptions& options, ImportResult& result) {
    const std::string nothing = "; nothing written";
    ModelImportSummary& summary = result.summary;
    Assimp::Importer importer;
    std::string refusal;
    importer.SetIOHandler(new RegularFilesOnly(refusal)); // the importer deletes it
    // No normals are generated here: Assimp would give a corner shared by
    // several faces one face's normal (or a smoothed one); a mesh without
    // them gets each face's own normal at its corners below, as glTF asks.
    // Points and lines stay, to be counted out below: a file of nothing else
    // is refused in words of our own.
    const unsigned steps = aiProcess_Triangulate | aiProcess_SortByPType |
                           aiProcess_JoinIdenticalVertices | aiProcess_ValidateDataStructure |
                           aiProcess_GenUVCoords | aiProcess_TransformUVCoords;
    const aiScene* scene = importer.ReadFile(modelFile, steps);
    if (!refusal.empty()) {
        result.error = "cannot read " + inPath + ": " + refusal + nothing;
        return;
    }
    if (scene == nullptr || scene->mRootNode == nullptr) {
        // An allocation that failed where the new handler does not see it
        // (malloc in a loader, a bad_alloc it caught) is the memory limit's.
        const std::string why = importer.GetErrorString();
        if (why.find("bad_alloc") != std::string::npos ||
            why.find("out of memory") != std::string::npos)
            endContainedIfOutOfMemory();
        result.error = "cannot read " + inPath + " as a model: " + why;
        // The check refuses meshes without faces, such as a cloud of points.
        const aiScene* bare = importer.ReadFile(modelFile, 0);
        if (bare != nullptr && countPolygons(*bare) == 0)
            result.error = inPath + " holds no triangles";
        result.error += nothing;
        return;
    }

    SourceModel model;
    SceneWalker(*scene, model).walk(*scene->mRootNode, aiMatrix4x4());
    if (model.triangles.empty()) {
        result.error = inPath + " holds no triangles" + nothing;
        return;
    }
    ModelCounts counts;
    counts.vertices = model.positions.size();
    counts.triangles = model.triangles.size();
    counts.groups = model.groups.size();
    counts.materials = materialsInUse(model, scene->mNumMaterials).size();
    if (!checkModelLimits(counts, result.error)) {
        result.error = inPath + " is " + result.error + nothing;
        return;
    }

    summary.before = boundsOf(model.positions);
    int flatAxes = 0;
    double span = 0;
    for (int axis = 0; axis < 3; ++axis) {
        const double extent = double(summary.before.max[axis]) - summary.before.min[axis];
        flatAxes += extent == 0;
        span = std::max(span, extent);
    }
    const std::string notFinite =
        inPath + " has coordinates or normals that are not finite numbers" + nothing;
    if (!allFinite(model)) {
        result.error = notFinite;
        return;
    }
    if (flatAxes >= 2) {
        result.error = inPath + " has no extent along " +
                       (flatAxes == 3 ? "any axis" : "two axes") + ": there is no surface to draw" +
                       nothing;
        return;
    }
    if (span > maxUnfittedSpan && options.height == 0) {
        char size[32];
        std::snprintf(size, sizeof size, "%g", span);
        result.error = inPath + " is " + size +
                       " units across, larger than any map could show (--height H scales it to "
                       "stand H tall)" +
                       nothing;
        return;
    }
    if (!placeModel(model, options.up, options.turn, options.height, summary.warnings) ||
        !allFinite(model)) {
        result.error = notFinite;
        return;
    }
    summary.after = boundsOf(model.positions);

    ImportPlan plan;
    buildFile(model, plan.file, summary.warnings);
    planMaterials(*scene, model, plan, summary);
    summary.groups = plan.file.groups.size();
    summary.triangles = plan.file.triangles.size();
    summary.vertices = plan.file.vertices.size();
    if (!encodeMs3d(plan.file, result.model)) {
        result.error = "cannot encode the model" + nothing;
        return;
    }
    result.materialTextures = std::move(plan.materialTextures);
    result.references = std::move(plan.references);
    result.refused = false;
}

void putBounds(ByteWriter& out, const ModelBounds& bounds) {
    out.f32s(bounds.min, 3);
    out.f32s(bounds.max, 3);
}

bool takeBounds(ByteReader& in, ModelBounds& bounds) {
    for (float* values : {bounds.min, bounds.max})
        for (int axis = 0; axis < 3; ++axis)
            if (!in.f32(values[axis]))
                return false;
    return true;
}

void encodeResult(const ImportResult& result, std::vector<uint8_t>& bytes) {
    ByteWriter out{bytes};
    const ModelImportSummary& summary = result.summary;
    out.u8(result.refused);
    putText(out, result.error);
    for (size_t count : {summary.groups, summary.triangles, summary.vertices, summary.materials})
        out.u32(static_cast<uint32_t>(count));
    putBounds(out, summary.before);
    putBounds(out, summary.after);
    out.u32(static_cast<uint32_t>(summary.warnings.size()));
    for (const std::string& warning : summary.warnings)
        putText(out, warning);
    out.u32(static_cast<uint32_t>(result.references.size()));
    for (const TextureReference& reference : result.references) {
        out.u8(static_cast<uint8_t>(reference.kind));
        putText(out, reference.text);
        out.u32(reference.embedded);
        out.i32(reference.width);
        out.i32(reference.height);
        putBlock(out, reference.bytes.data(), reference.bytes.size());
    }
    putBlock(out, result.model.data(), result.model.size());
    out.u32(static_cast<uint32_t>(result.materialTextures.size()));
    for (int32_t texture : result.materialTextures)
        out.i32(texture);
}

bool decodeResult(const std::vector<uint8_t>& bytes, ImportResult& result) {
    ByteReader in{bytes.data(), bytes.size()};
    ModelImportSummary& summary = result.summary;
    const uint8_t* refused = in.take(1);
    uint32_t counts[4], warnings = 0, textures = 0;
    if (refused == nullptr || !takeText(in, result.error))
        return false;
    for (uint32_t& count : counts)
        if (!in.u32(count))
            return false;
    if (!takeBounds(in, summary.before) || !takeBounds(in, summary.after) || !in.u32(warnings))
        return false;
    result.refused = *refused != 0;
    summary.groups = counts[0];
    summary.triangles = counts[1];
    summary.vertices = counts[2];
    summary.materials = counts[3];
    for (uint32_t i = 0; i < warnings; ++i)
        if (!takeText(in, summary.warnings.emplace_back()))
            return false;
    if (!in.u32(textures))
        return false;
    for (uint32_t i = 0; i < textures; ++i) {
        TextureReference& reference = result.references.emplace_back();
        const uint8_t* kind = in.take(1);
        if (kind == nullptr || *kind > static_cast<uint8_t>(ReferenceKind::unreadable) ||
            !takeText(in, reference.text) || !in.u32(reference.embedded) ||
            !in.i32(reference.width) || !in.i32(reference.height) ||
            !takeBlock(in, reference.bytes))
            return false;
        reference.kind = static_cast<ReferenceKind>(*kind);
    }
    uint32_t materials = 0;
    if (!takeBlock(in, result.model) || !in.u32(materials) || !in.has(size_t{materials} * 4))
        return false;
    result.materialTextures.resize(materials);
    for (int32_t& texture : result.materialTextures)
        in.i32(texture);
    return in.left() == 0;
}

// A child that was not crashed but led astray could still send what no
// reader should: the parent takes only a model the editor's own loader reads,
// every number finite, whose materials name no file yet, and texture
// references each of which a material uses, texels as many as their sides
// say. `file` is the model, to be finished.
bool wellFormed(const ImportResult& result, Ms3dFile& file) {
    if (result.refused)
        return true;
    Ms3dModel model;
    if (!decodeMs3d(result.model.data(), result.model.size(), file) || !file.trailer.empty() ||
        file.materials.size() != result.materialTextures.size() ||
        !parseMs3d(result.model.data(), result.model.size(), nullptr, model))
        return false;
    std::vector<bool> used(result.references.size());
    for (size_t m = 0; m < file.materials.size(); ++m) {
        const int32_t texture = result.materialTextures[m];
        if (!file.materials[m].textureName.empty() || !file.materials[m].alphaMapName.empty() ||
            texture < -1 || texture >= static_cast<int32_t>(used.size()))
            return false;
        if (texture >= 0)
            used[static_cast<size_t>(texture)] = true;
    }
    for (size_t i = 0; i < result.references.size(); ++i) {
        const TextureReference& reference = result.references[i];
        if (!used[i] ||
            (reference.kind == ReferenceKind::texels &&
             (reference.width < 1 || reference.width > maxSourcePictureSide ||
              reference.height < 1 || reference.height > maxSourcePictureSide ||
              reference.bytes.size() != size_t(reference.width) * reference.height * 3)))
            return false;
    }
    for (const MeshVertex& vertex : model.vertices)
        for (float value : vertex.position)
            if (!std::isfinite(value))
                return false;
    for (const MeshTriangle& triangle : model.triangles)
        for (const auto& normal : triangle.vertexNormals)
            for (float value : normal)
                if (!std::isfinite(value))
                    return false;
    return true;
}

// One picture the materials use, however many references come to it.
struct PictureSlot {
    std::string source;                   // the file's path, or "embedded texture N"
    std::string error;                    // why it has no BMP
    TextureReference* embedded = nullptr; // its bytes are handed on
    MappedFile file;                      // a texture file, read here
    int32_t bmp = -1;                     // its texture in the summary
    bool warned = false;
};

// What the picture reader is handed for `slot`; `texels` takes embedded texels.
PictureInput pictureInput(const PictureSlot& slot, Picture& texels) {
    if (slot.embedded == nullptr)
        return {slot.file.data, slot.file.size, nullptr};
    if (slot.embedded->kind == ReferenceKind::compressed)
        return {slot.embedded->bytes.data(), slot.embedded->bytes.size(), nullptr};
    texels.width = slot.embedded->width;
    texels.height = slot.embedded->height;
    texels.rgb = std::move(slot.embedded->bytes);
    return {nullptr, 0, &texels};
}

// Finds and reads here, on the trusted side, the texture files the model
// reader names (it can read nothing outside the model's folder, and real
// models keep their textures beside it), decodes all the pictures in the
// picture reader, and points each material at its BMP in `result.textures`
// and `summary.textures`. A picture that cannot be found or decoded leaves
// its materials untextured, with a warning. False with `error` when a
// texture is no regular file, or the picture reader failed.
bool readTextures(const fs::path& modelFolder, const ContainmentLimits& limits,
                  const Ms3dFile& file, ImportResult& result, ModelImportSummary& summary,
                  std::string& error) {
    std::vector<PictureSlot> slots;
    std::vector<size_t> slotOf(result.references.size());
    std::map<std::string, size_t> byFile; // by FoundTexture::key
    bool refused = false;
    for (size_t r = 0; r < result.references.size(); ++r) {
        TextureReference& reference = result.references[r];
        PictureSlot slot;
        FoundTexture found;
        if (reference.kind != ReferenceKind::path) {
            slot.source = "embedded texture " + std::to_string(reference.embedded);
            slot.embedded = &reference;
            if (reference.kind == ReferenceKind::unreadable)
                slot.error = reference.text;
        } else if (findTextureFile(reference.text, modelFolder, found, summary.warnings, slot.error,
                                   refused)) {
            const auto known = byFile.find(found.key);
            if (known != byFile.end()) {
                slotOf[r] = known->second;
                continue;
            }
            byFile[found.key] = slots.size();
            slot.source = found.source;
            errno = 0;
            // Only a regular file, should a FIFO have taken its name since.
            if (!openMappedRegularFile(found.source.c_str(), true, slot.file))
                slot.error = "cannot read " + found.source + ": " +
                             (errno == EINVAL ? "not a regular file"
                              : errno != 0    ? std::strerror(errno)
                                              : "not a readable file");
        } else if (refused) {
            error = slot.error;
            break;
        }
        slotOf[r] = slots.size();
        slots.push_back(slot);
    }
    std::vector<PictureInput> inputs;
    std::vector<size_t> inputSlots;
    std::vector<Picture> texels(slots.size());
    for (size_t i = 0; !refused && i < slots.size(); ++i)
        if (slots[i].error.empty()) {
            inputs.push_back(pictureInput(slots[i], texels[i]));
            inputSlots.push_back(i);
        }
    std::vector<DecodedPicture> decoded;
    const bool ran =
        !refused && (inputs.empty() || decodePicturesContained(inputs, 0, limits, decoded, error));
    for (PictureSlot& slot : slots)
        closeMappedFile(slot.file);
    if (!ran)
        return false;
    for (size_t i = 0; i < decoded.size(); ++i) {
        PictureSlot& slot = slots[inputSlots[i]];
        RgbImage image;
        if (!decoded[i].error.empty()) {
            slot.error = (slot.embedded == nullptr ? slot.source + ": " : "") + decoded[i].error;
            continue;
        }
        decodeDibBytes(decoded[i].bmp.data(), decoded[i].bmp.size(), image);
        slot.bmp = static_cast<int32_t>(result.textures.size());
        result.textures.push_back(std::move(decoded[i].bmp));
        summary.textures.push_back({slot.source, "", decoded[i].sourceWidth,
                                    decoded[i].sourceHeight, image.width, image.height});
    }
    for (size_t m = 0; m < file.materials.size(); ++m) {
        int32_t& texture = result.materialTextures[m];
        if (texture < 0)
            continue;
        PictureSlot& slot = slots[slotOf[static_cast<size_t>(texture)]];
        if (slot.bmp < 0 && !slot.warned) {
            summary.warnings.push_back("material '" + file.materials[m].name +
                                       "' left untextured: " + slot.error);
            slot.warned = true;
        }
        texture = slot.bmp;
    }
    return true;
}

// The texture names of the model file at `path`, as the editor's own loader
// reads them; none when it is not a regular file (nor, unless `followLinks`,
// a link) holding a model.
std::vector<std::string> textureNamesOf(const fs::path& path, bool followLinks) {
    std::vector<std::string> names;
    MappedFile file;
    if (!openMappedRegularFile(path.c_str(), followLinks, file))
        return names;
    Ms3dModel model;
    if (parseMs3d(file.data, file.size, nullptr, model))
        for (const MeshMaterial& material : model.materials)
            names.push_back(material.textureName);
    closeMappedFile(file);
    return names;
}

// The <stem>-<n>.bmp names the model at `outPath` gives its materials: the
// textures of an earlier import.
std::set<std::string> earlierTextureNames(const fs::path& outPath) {
    std::set<std::string> names;
    for (const std::string& name : textureNamesOf(outPath, true))
        if (isImportedTextureName(outPath.stem().string(), name))
            names.insert(name);
    return names;
}

// The file a texture name comes to in its folder, in one letter case: a
// model elsewhere may name it by another path or in other capitals, and a
// texture it may still use is kept rather than lost.
std::string textureKey(const std::string& name) {
    std::string key = name.substr(name.find_last_of("/\\") + 1);
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return key;
}

// Which model file in `folder` names each texture (by textureKey): the
// regular .ms3d files there, links not followed.
std::map<std::string, std::string> texturesNamedIn(const fs::path& folder) {
    std::map<std::string, std::string> users;
    std::error_code code;
    for (fs::directory_iterator entry(folder.empty() ? "." : folder, code), end;
         !code && entry != end; entry.increment(code)) {
        const std::string file = entry->path().filename().string();
        if (file.size() > 5 && textureKey(file.substr(file.size() - 5)) == ".ms3d")
            for (const std::string& name : textureNamesOf(entry->path(), false))
                users.emplace(textureKey(name), file);
    }
    return users;
}

// Writes each new texture beside the model under a name that nothing has
// (no file there, and no name the earlier import gives), then replaces the
// model: that commits the import. Only then go the earlier import's
// textures that no model in the folder names any more. A failure before the
// commit removes the files this import made, and only those.
bool commitImport(const fs::path& outPath, const ImportResult& result, Ms3dFile& file,
                  const std::set<std::string>& earlier, ModelImportSummary& summary,
                  std::string& error) {
    const fs::path folder = outPath.parent_path();
    const std::string stem = outPath.stem().string();
    size_t next = 0;
    bool tooLong = false;
    const auto nextName = [&](std::string& name) {
        do
            name = importedTextureName(stem, next++);
        while (earlier.count(name) > 0);
        tooLong = name.size() > maxTextureNameLength;
        return !tooLong;
    };
    std::vector<fs::path> made;
    std::vector<uint8_t> model;
    bool ok = true;
    for (size_t i = 0; ok && i < result.textures.size(); ++i) {
        std::string& name = summary.textures[i].name;
        ok = createNewFile(folder.string(), nextName, result.textures[i].data(),
                           result.textures[i].size(), name);
        if (!ok) {
            error = tooLong
                        ? "the output's name is too long to name its textures (" + name +
                              " is over " + std::to_string(maxTextureNameLength) +
                              " bytes); choose a shorter one"
                        : "cannot write " + (folder / name).string() + ": " + std::strerror(errno);
            break;
        }
        made.push_back(folder / name);
        for (size_t m = 0; m < file.materials.size(); ++m)
            if (result.materialTextures[m] == static_cast<int32_t>(i))
                file.materials[m].textureName = name;
    }
    if (ok && !encodeMs3d(file, model)) {
        error = "cannot encode the model";
        ok = false;
    }
    if (!ok || !writeBytes(outPath.string(), model, error)) {
        for (const fs::path& path : made)
            ::unlink(path.c_str());
        error += "; nothing written";
        return false;
    }
    const std::map<std::string, std::string> users = texturesNamedIn(folder);
    for (const std::string& name : earlier) {
        const auto user = users.find(textureKey(name));
        if (user != users.end())
            summary.warnings.push_back("kept the replaced model's " + name + ": " + user->second +
                                       " names it");
        else if (::unlink((folder / name).c_str()) == 0)
            summary.removed.push_back(name);
        else if (errno != ENOENT)
            summary.warnings.push_back("cannot remove the earlier import's " + name + ": " +
                                       std::strerror(errno));
    }
    return true;
}

} // namespace

bool checkModelLimits(const ModelCounts& counts, std::string& error) {
    std::string over;
    auto check = [&](size_t count, size_t limit, const char* what) {
        if (count > limit)
            over += (over.empty() ? "" : ", ") + std::to_string(count) + " " + what + " (at most " +
                    std::to_string(limit) + ")";
    };
    check(counts.vertices, maxImportVertices, "vertices");
    check(counts.triangles, maxImportTriangles, "triangles");
    check(counts.materials, maxImportMaterials, "materials");
    check(counts.groups, maxImportGroups, "groups");
    if (over.empty())
        return true;
    error = "too large for an MS3D file: " + over;
    return false;
}

bool importModel(const std::string& inPath, const std::string& outPath,
                 const ModelImportOptions& options, ModelImportSummary& summary,
                 std::string& error) {
    summary = ModelImportSummary();
    if (!checkReaderInput(inPath, error))
        return false;
    if (!std::ifstream(inPath)) {
        error = "cannot read " + inPath + ": not a readable file";
        return false;
    }
    const fs::path out(outPath);
    const std::set<std::string> earlier = earlierTextureNames(out);
    // The reader may read the folder that holds the model, and what is below
    // it: the files a model names there (an MTL, a glTF's buffers). Textures
    // are read here. A model named by a link is read where the link leads,
    // with the files beside it there: beside the link the reader could read
    // nothing.
    std::error_code code;
    const fs::path resolved = fs::canonical(inPath, code);
    const std::string modelFile =
        fs::is_symlink(inPath, code) && !resolved.empty() ? resolved.string() : inPath;
    const fs::path named = fs::path(modelFile).parent_path();
    const std::string modelFolder =
        resolved.empty()
            ? fs::absolute(named.empty() ? fs::path(".") : named).lexically_normal().string()
            : resolved.parent_path().string();
    std::vector<uint8_t> bytes;
    std::string why;
    if (!runContainedReader(
            "model reader", options.limits, modelFolder,
            [&](std::vector<uint8_t>& made) {
                ImportResult result;
                readModel(inPath, modelFile, options, result);
                encodeResult(result, made);
            },
            bytes, why)) {
        error = "cannot read " + inPath + ": " + why + "; nothing written";
        return false;
    }
    ImportResult result;
    Ms3dFile file;
    if (!decodeResult(bytes, result) || !wellFormed(result, file)) {
        error = "cannot read " + inPath + ": the model reader sent what no model gives" +
                "; nothing written";
        return false;
    }
    summary = result.summary;
    if (result.refused) {
        error = result.error;
        return false;
    }
    if (!readTextures(named, options.limits, file, result, summary, error)) {
        error = "cannot read " + inPath + ": " + error + "; nothing written";
        return false;
    }
    return commitImport(out, result, file, earlier, summary, error);
}

std::string formatImportSummary(const ModelImportSummary& summary) {
    std::string text;
    text += "groups: " + std::to_string(summary.groups) + "\n";
    text += "triangles: " + std::to_string(summary.triangles) + "\n";
    text += "vertices: " + std::to_string(summary.vertices) + "\n";
    text += "materials: " + std::to_string(summary.materials) + "\n";
    text += "textures written: " + std::to_string(summary.textures.size()) + "\n";
    for (const ImportedTexture& texture : summary.textures)
        text += "  " + texture.name + " (" + std::to_string(texture.width) + " x " +
                std::to_string(texture.height) + ") from " + texture.source + " (" +
                std::to_string(texture.sourceWidth) + " x " + std::to_string(texture.sourceHeight) +
                ")\n";
    text += "bounding box before fitting: " + formatBounds(summary.before) + "\n";
    text += "bounding box after fitting:  " + formatBounds(summary.after) + "\n";
    for (size_t i = 0; i < summary.removed.size(); ++i)
        text += (i == 0 ? "removed the replaced model's textures: " : ", ") + summary.removed[i] +
                (i + 1 == summary.removed.size() ? "\n" : "");
    return text;
}
