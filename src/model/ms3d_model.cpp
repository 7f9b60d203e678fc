// Reading MS3D files: the header and the vertex, triangle, group and
// material sections. Everything after the material section is ignored.

#include "model/mesh_model.h"
#include "platform/byte_io.h"

#include <cstring>
#include <fstream>
#include <utility>

namespace {

constexpr size_t headerSize = 14;
constexpr size_t vertexRecordSize = 15;
constexpr size_t triangleRecordSize = 70;
constexpr size_t groupFixedSize = 36; // plus 2 bytes per triangle index
constexpr size_t materialRecordSize = 361;
constexpr size_t textureNameOffset = 105;
constexpr size_t textureNameSize = 128;

void loadF32s(const uint8_t* p, float* out, int count) {
    for (int i = 0; i < count; ++i)
        out[i] = loadF32(p + 4 * i);
}

// Reads a section's 16-bit count and checks that `count` records of at least
// `minRecordSize` bytes fit in what is left, so that taking each fixed-size
// record after it cannot fail.
bool readCount(ByteReader& reader, size_t minRecordSize, uint16_t& count) {
    return reader.u16(count) && reader.has(count * minRecordSize);
}

bool parseVertices(ByteReader& reader, MeshModel& model) {
    uint16_t count;
    if (!readCount(reader, vertexRecordSize, count))
        return false;
    model.vertices.resize(count);
    model.vertexCount = count;
    for (MeshVertex& vertex : model.vertices) {
        const uint8_t* record = reader.take(vertexRecordSize);
        loadF32s(record + 1, vertex.position, 3);
        vertex.boneId = record[13];
    }
    return true;
}

bool parseTriangles(ByteReader& reader, MeshModel& model) {
    uint16_t count;
    if (!readCount(reader, triangleRecordSize, count))
        return false;
    model.triangles.resize(count);
    model.triangleCount = count;
    for (MeshTriangle& triangle : model.triangles) {
        const uint8_t* record = reader.take(triangleRecordSize);
        for (int corner = 0; corner < 3; ++corner) {
            triangle.vertexIndices[corner] = loadU16(record + 2 + 2 * corner);
            loadF32s(record + 8 + 12 * corner, triangle.vertexNormals[corner], 3);
            triangle.s[corner] = loadF32(record + 44 + 4 * corner);
            triangle.t[corner] = 1.0f - loadF32(record + 56 + 4 * corner);
        }
    }
    return true;
}

bool parseGroups(ByteReader& reader, MeshModel& model) {
    uint16_t count;
    if (!readCount(reader, groupFixedSize, count))
        return false;
    model.groups.resize(count);
    model.groupCount = count;
    for (MeshGroup& group : model.groups) {
        const uint8_t* head = reader.take(35); // flags, name, index count
        if (head == nullptr)
            return false;
        const uint16_t indexCount = loadU16(head + 33);
        const uint8_t* indices = reader.take(2u * indexCount + 1);
        if (indices == nullptr)
            return false;
        group.triangleIndices.resize(indexCount);
        group.triangleCount = indexCount;
        for (uint16_t i = 0; i < indexCount; ++i)
            group.triangleIndices[i] = loadU16(indices + 2 * i);
        group.materialIndex = static_cast<int8_t>(indices[2 * indexCount]);
    }
    return true;
}

bool parseMaterials(ByteReader& reader, const char* textureName, MeshModel& model) {
    uint16_t count;
    if (!readCount(reader, materialRecordSize, count))
        return false;
    model.materials.resize(count);
    model.materialCount = count;
    for (MeshMaterial& material : model.materials) {
        const uint8_t* record = reader.take(materialRecordSize);
        loadF32s(record + 32, material.ambient, 4);
        loadF32s(record + 48, material.diffuse, 4);
        loadF32s(record + 64, material.specular, 4);
        loadF32s(record + 80, material.emissive, 4);
        material.shininess = loadF32(record + 96);
        if (textureName) {
            material.textureName = textureName;
        } else {
            // A name that fills its field with no terminator keeps all 128 bytes.
            const char* name = reinterpret_cast<const char*>(record + textureNameOffset);
            const void* nul = std::memchr(name, 0, textureNameSize);
            const size_t length =
                nul ? static_cast<size_t>(static_cast<const char*>(nul) - name) : textureNameSize;
            material.textureName.assign(name, length);
        }
    }
    return true;
}

bool fail(Ms3dParseResult* result, Ms3dFailure failure) {
    if (result)
        result->failure = failure;
    return false;
}

} // namespace

MeshModel::~MeshModel() {
    clearModel(*this);
}

void clearModel(MeshModel& model) {
    for (MeshGroup& group : model.groups) {
        group.triangleIndices = std::vector<uint32_t>();
        group.triangleCount = 0;
    }
    for (MeshMaterial& material : model.materials)
        material.textureName = std::string();
    model.groups = std::vector<MeshGroup>();
    model.groupCount = 0;
    model.materials = std::vector<MeshMaterial>();
    model.materialCount = 0;
    model.triangles = std::vector<MeshTriangle>();
    model.triangleCount = 0;
    model.vertices = std::vector<MeshVertex>();
    model.vertexCount = 0;
}

const char* describeMs3dFailure(Ms3dFailure failure) {
    switch (failure) {
    case Ms3dFailure::none:
        return "no error";
    case Ms3dFailure::truncatedHeader:
        return "file shorter than the 14-byte header";
    case Ms3dFailure::badIdentifier:
        return "identifier is not MS3D000000";
    case Ms3dFailure::badVersion:
        return "unsupported version (only 3 and 4 are read)";
    case Ms3dFailure::truncatedVertices:
        return "truncated in the vertex section";
    case Ms3dFailure::truncatedTriangles:
        return "truncated in the triangle section";
    case Ms3dFailure::truncatedGroups:
        return "truncated in the group section";
    case Ms3dFailure::truncatedMaterials:
        return "truncated in the material section";
    }
    return "unknown error";
}

bool parseMs3d(const uint8_t* data, size_t size, const char* textureName, MeshModel& out,
               Ms3dParseResult* result) {
    if (result)
        *result = Ms3dParseResult();
    ByteReader reader{data, size};
    const uint8_t* header = data ? reader.take(headerSize) : nullptr;
    if (header == nullptr)
        return fail(result, Ms3dFailure::truncatedHeader);
    if (std::memcmp(header, "MS3D000000", 10) != 0)
        return fail(result, Ms3dFailure::badIdentifier);
    const int32_t version = loadI32(header + 10);
    if (result)
        result->version = version;
    if (version < 3 || version > 4)
        return fail(result, Ms3dFailure::badVersion);

    // Parse into a scratch model so that a refused buffer leaves `out` as it was.
    struct ScratchModel : MeshModel {
        bool loadModel(const char*, const char*) override { return false; }
    } parsed;
    if (!parseVertices(reader, parsed))
        return fail(result, Ms3dFailure::truncatedVertices);
    if (!parseTriangles(reader, parsed))
        return fail(result, Ms3dFailure::truncatedTriangles);
    if (!parseGroups(reader, parsed))
        return fail(result, Ms3dFailure::truncatedGroups);
    if (!parseMaterials(reader, textureName, parsed))
        return fail(result, Ms3dFailure::truncatedMaterials);

    clearModel(out);
    out.groups = std::move(parsed.groups);
    out.groupCount = parsed.groupCount;
    out.materials = std::move(parsed.materials);
    out.materialCount = parsed.materialCount;
    out.triangles = std::move(parsed.triangles);
    out.triangleCount = parsed.triangleCount;
    out.vertices = std::move(parsed.vertices);
    out.vertexCount = parsed.vertexCount;
    clearModel(parsed);
    return true;
}

bool Ms3dModel::loadModel(const char* path, const char* textureName) {
    clearModel(*this);
    if (!path)
        return false;
    std::vector<uint8_t> buffer;
    {
        std::ifstream in(path, std::ios::binary);
        if (!in)
            return false;
        in.seekg(0, std::ios::end);
        const std::streamoff end = in.tellg();
        if (end < 0 || static_cast<unsigned long long>(end) > maxModelFileSize)
            return false;
        in.seekg(0, std::ios::beg);
        buffer.resize(static_cast<size_t>(end));
        in.read(reinterpret_cast<char*>(buffer.data()), end);
        if (in.gcount() != end)
            return false;
    } // the stream is closed before the parse
    const bool parsed = parseMs3d(buffer.data(), buffer.size(), textureName, *this);
    buffer = std::vector<uint8_t>();
    if (!parsed)
        return false;
    reloadTextures();
    return true;
}
