#include "model_import.h"

#include "image_import.h"
#include "ms3d_writer.h"
#include "platform/atomic_file.h"

#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
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

// Turning +z onto +y is a quarter turn about x, so the model keeps its
// handedness and its faces their winding.
void turnZUp(float v[3]) {
    const float y = v[1];
    v[1] = v[2];
    v[2] = -y;
}

void turnZUp(SourceModel& model) {
    for (aiVector3D& p : model.positions)
        p = aiVector3D(p.x, p.z, -p.y);
    for (Triangle& triangle : model.triangles)
        for (Corner& corner : triangle.corners)
            turnZUp(corner.normal);
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
                if (mesh.HasTextureCoords(0)) {
                    // Assimp counts v up from the picture's bottom row (it
                    // turns glTF's round), as the loader's t does; the file
                    // stores 1 - t.
                    corner.s = mesh.mTextureCoords[0][index].x;
                    corner.t = 1.0f - mesh.mTextureCoords[0][index].y;
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

// The picture a material's texture path names: a texture embedded in the
// scene ("*N", or a file name an FBX embeds), or a file found from the
// model's folder.
class TextureReader {
  public:
    TextureReader(const aiScene& scene, const fs::path& modelFolder)
        : scene(scene), modelFolder(modelFolder) {}

    // A key that is the same for every path naming the same picture.
    std::string keyOf(const std::string& path) const {
        const int embedded = scene.GetEmbeddedTextureAndIndex(path.c_str()).second;
        return embedded >= 0 ? "*" + std::to_string(embedded) : path;
    }

    bool read(const std::string& path, Picture& picture, std::string& source,
              std::string& error) const {
        const auto embedded = scene.GetEmbeddedTextureAndIndex(path.c_str());
        if (embedded.first != nullptr) {
            source = "embedded texture " + std::to_string(embedded.second);
            return readEmbedded(*embedded.first, picture, error);
        }
        std::string portable = path;
        std::replace(portable.begin(), portable.end(), '\\', '/');
        const fs::path named(portable);
        // Files made elsewhere often name a folder that is not here; the
        // picture beside the model is the next best guess.
        for (const fs::path& candidate :
             {named.is_absolute() ? named : modelFolder / named, modelFolder / named.filename()}) {
            std::error_code ignored;
            if (fs::is_regular_file(candidate, ignored)) {
                source = candidate.string();
                return readPictureFile(source, picture, error);
            }
        }
        source = path;
        error = "texture file " + path + " not found beside the model";
        return false;
    }

  private:
    static bool readEmbedded(const aiTexture& texture, Picture& picture, std::string& error) {
        if (texture.pcData == nullptr) {
            error = "embedded texture has no data";
            return false;
        }
        if (texture.mHeight == 0) // compressed: PNG, JPEG, ... bytes, mWidth of them
            return decodePicture(reinterpret_cast<const uint8_t*>(texture.pcData), texture.mWidth,
                                 picture, error);
        if (texture.mWidth > static_cast<unsigned>(maxSourcePictureSide) ||
            texture.mHeight > static_cast<unsigned>(maxSourcePictureSide)) {
            error = "embedded texture too large";
            return false;
        }
        picture.width = static_cast<int>(texture.mWidth);
        picture.height = static_cast<int>(texture.mHeight);
        const size_t count = size_t{texture.mWidth} * texture.mHeight;
        picture.rgb.resize(count * 3);
        for (size_t i = 0; i < count; ++i) {
            picture.rgb[3 * i] = texture.pcData[i].r;
            picture.rgb[3 * i + 1] = texture.pcData[i].g;
            picture.rgb[3 * i + 2] = texture.pcData[i].b;
        }
        return true;
    }

    const aiScene& scene;
    fs::path modelFolder;
};

bool diffuseTexturePath(const aiMaterial& material, std::string& path) {
    aiString found;
    for (aiTextureType type : {aiTextureType_DIFFUSE, aiTextureType_BASE_COLOR})
        if (material.GetTextureCount(type) > 0 &&
            material.GetTexture(type, 0, &found) == aiReturn_SUCCESS && found.length > 0) {
            path = found.C_Str();
            return true;
        }
    return false;
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

struct TextureFile {
    std::string path; // where it is written
    std::vector<uint8_t> bytes;
};

// Everything to be written, built in memory so that a refusal writes nothing.
struct ImportPlan {
    Ms3dFile file;
    std::vector<TextureFile> textures;
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

// Gives each picture the materials use its BMP, once however many use it.
class TexturePlanner {
  public:
    TexturePlanner(const aiScene& scene, const fs::path& inPath, const fs::path& outPath,
                   ImportPlan& plan, ModelImportSummary& summary)
        : reader(scene, inPath.parent_path()), outPath(outPath), plan(plan), summary(summary) {}

    // The BMP name for the picture at `path`, or empty (with a warning) when
    // it cannot be read. False when the name would not fit its field.
    bool nameFor(const std::string& path, const std::string& materialName, std::string& name,
                 std::string& error) {
        const std::string key = reader.keyOf(path);
        const auto known = names.find(key);
        if (known != names.end()) {
            name = known->second;
            return true;
        }
        ImportedTexture texture;
        Picture picture;
        std::string why;
        if (!reader.read(path, picture, texture.source, why)) {
            summary.warnings.push_back("material '" + materialName + "' left untextured: " + why);
            names[key] = name = std::string();
            return true;
        }
        texture.name =
            outPath.stem().string() + "-" + std::to_string(summary.textures.size()) + ".bmp";
        if (texture.name.size() > maxTextureNameLength) {
            error = "the output's name is too long to name its textures (" + texture.name +
                    " is over " + std::to_string(maxTextureNameLength) +
                    " bytes); choose a shorter one";
            return false;
        }
        const Picture sized = resizeToTexture(picture);
        texture.sourceWidth = picture.width;
        texture.sourceHeight = picture.height;
        texture.width = sized.width;
        texture.height = sized.height;
        TextureFile file;
        file.path = (outPath.parent_path() / texture.name).string();
        encodePictureBmp(sized, file.bytes);
        plan.textures.push_back(std::move(file));
        summary.textures.push_back(texture);
        names[key] = name = texture.name;
        return true;
    }

  private:
    TextureReader reader;
    fs::path outPath;
    ImportPlan& plan;
    ModelImportSummary& summary;
    std::map<std::string, std::string> names; // by TextureReader::keyOf
};

// The materials the groups use, in order of first use, with their textures.
bool planMaterials(const aiScene& scene, const SourceModel& model, const fs::path& inPath,
                   const fs::path& outPath, ImportPlan& plan, ModelImportSummary& summary,
                   std::string& error) {
    TexturePlanner textures(scene, inPath, outPath, plan, summary);
    std::map<unsigned, int> outputIndex;
    for (unsigned source : materialsInUse(model, scene.mNumMaterials)) {
        outputIndex[source] = static_cast<int>(plan.file.materials.size());
        const aiMaterial& material = *scene.mMaterials[source];
        Ms3dFileMaterial out =
            convertMaterial(material, plan.file.materials.size(), summary.warnings);
        std::string texturePath;
        if (diffuseTexturePath(material, texturePath) &&
            !textures.nameFor(texturePath, out.name, out.textureName, error))
            return false;
        plan.file.materials.push_back(out);
    }
    for (size_t g = 0; g < model.groups.size(); ++g) {
        const auto found = outputIndex.find(model.groups[g].sourceMaterial);
        plan.file.groups[g].materialIndex =
            found == outputIndex.end() ? -1 : static_cast<int8_t>(found->second);
    }
    summary.materials = plan.file.materials.size();
    return true;
}

// Scales the model to stand `height` tall (unless 0) and stands it on y = 0,
// centred on x = z = 0.
void fitModel(std::vector<aiVector3D>& positions, float height,
              std::vector<std::string>& warnings) {
    const ModelBounds bounds = boundsOf(positions);
    float scale = 1.0f;
    const float tall = bounds.max[1] - bounds.min[1];
    if (height > 0) {
        if (tall > 0)
            scale = height / tall;
        else
            warnings.push_back("the model is flat (no height): its size is kept");
    }
    const aiVector3D centre((bounds.min[0] + bounds.max[0]) / 2, bounds.min[1],
                            (bounds.min[2] + bounds.max[2]) / 2);
    for (aiVector3D& p : positions)
        p = (p - centre) * scale;
}

bool allFinite(const std::vector<aiVector3D>& positions) {
    for (const aiVector3D& p : positions)
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
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
    std::error_code code;
    if (!fs::is_regular_file(inPath, code) || !std::ifstream(inPath)) {
        error = "cannot read " + inPath + ": " +
                (fs::exists(inPath, code) ? "not a readable file" : "no such file");
        return false;
    }

    Assimp::Importer importer;
    // Points and lines have no faces to draw.
    importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE,
                                aiPrimitiveType_POINT | aiPrimitiveType_LINE);
    // No normals are generated here: Assimp would give a corner shared by
    // several faces one face's normal (or a smoothed one); a mesh without
    // them gets each face's own normal at its corners below, as glTF asks.
    const aiScene* scene = importer.ReadFile(inPath, aiProcess_Triangulate | aiProcess_SortByPType |
                                                         aiProcess_JoinIdenticalVertices |
                                                         aiProcess_ValidateDataStructure);
    if (scene == nullptr || scene->mRootNode == nullptr) {
        error = "cannot read " + inPath + " as a model: " + importer.GetErrorString();
        return false;
    }

    SourceModel model;
    SceneWalker(*scene, model).walk(*scene->mRootNode, aiMatrix4x4());
    if (model.triangles.empty()) {
        error = inPath + " holds no triangles";
        return false;
    }
    if (!allFinite(model.positions)) {
        error = inPath + " has vertex positions that are not finite numbers";
        return false;
    }

    ModelCounts counts;
    counts.vertices = model.positions.size();
    counts.triangles = model.triangles.size();
    counts.groups = model.groups.size();
    counts.materials = materialsInUse(model, scene->mNumMaterials).size();
    if (!checkModelLimits(counts, error)) {
        error = inPath + " is " + error + "; nothing written";
        return false;
    }

    summary.before = boundsOf(model.positions);
    if (options.up == UpAxis::z)
        turnZUp(model);
    fitModel(model.positions, options.height, summary.warnings);
    summary.after = boundsOf(model.positions);

    ImportPlan plan;
    buildFile(model, plan.file, summary.warnings);
    if (!planMaterials(*scene, model, inPath, outPath, plan, summary, error)) {
        error += "; nothing written";
        return false;
    }
    summary.groups = plan.file.groups.size();
    summary.triangles = plan.file.triangles.size();
    summary.vertices = plan.file.vertices.size();

    std::vector<uint8_t> modelBytes;
    if (!encodeMs3d(plan.file, modelBytes)) {
        error = "cannot encode the model";
        return false;
    }
    // Textures first, so that the model never names a file not yet there.
    for (const TextureFile& texture : plan.textures)
        if (!writeBytes(texture.path, texture.bytes, error))
            return false;
    return writeBytes(outPath, modelBytes, error);
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
    return text;
}
