#include "ms3d_writer.h"

#include "platform/byte_io.h"

#include <algorithm>
#include <fstream>

namespace {

constexpr size_t maxCount = 65535;

bool takeFloats(ByteReader& in, float* values, size_t count) {
    for (size_t i = 0; i < count; ++i)
        if (!in.f32(values[i]))
            return false;
    return true;
}

bool takeField(ByteReader& in, size_t size, std::string& text) {
    const uint8_t* field = in.take(size);
    if (field == nullptr)
        return false;
    size_t length = 0;
    while (length < size && field[length] != 0)
        ++length;
    text.assign(reinterpret_cast<const char*>(field), length);
    return true;
}

bool takeByte(ByteReader& in, uint8_t& value) {
    const uint8_t* byte = in.take(1);
    if (byte != nullptr)
        value = *byte;
    return byte != nullptr;
}

// A count, then that many records, each read by `take`.
template <typename T, typename Take>
bool takeRecords(ByteReader& in, std::vector<T>& records, Take take) {
    uint16_t count = 0;
    if (!in.u16(count))
        return false;
    records.resize(count);
    for (T& record : records)
        if (!take(record))
            return false;
    return true;
}

} // namespace

bool encodeMs3d(const Ms3dFile& file, std::vector<uint8_t>& out) {
    out.clear();
    if (file.vertices.size() > maxCount || file.triangles.size() > maxCount ||
        file.groups.size() > maxCount || file.materials.size() > maxCount)
        return false;
    for (const Ms3dFileGroup& group : file.groups)
        if (group.triangleIndices.size() > maxCount)
            return false;

    ByteWriter put{out};
    put.raw(file.identifier, 10);
    put.i32(file.version);

    put.u16(static_cast<uint16_t>(file.vertices.size()));
    for (const Ms3dFileVertex& vertex : file.vertices) {
        put.u8(vertex.flags);
        put.f32s(vertex.position, 3);
        put.u8(vertex.boneId);
        put.u8(vertex.referenceCount);
    }

    put.u16(static_cast<uint16_t>(file.triangles.size()));
    for (const Ms3dFileTriangle& triangle : file.triangles) {
        put.u16(triangle.flags);
        for (uint16_t index : triangle.vertexIndices)
            put.u16(index);
        for (const float* normal : triangle.vertexNormals)
            put.f32s(normal, 3);
        put.f32s(triangle.s, 3);
        put.f32s(triangle.t, 3);
        put.u8(triangle.smoothingGroup);
        put.u8(triangle.groupIndex);
    }

    put.u16(static_cast<uint16_t>(file.groups.size()));
    for (const Ms3dFileGroup& group : file.groups) {
        put.u8(group.flags);
        put.text(group.name, 32);
        put.u16(static_cast<uint16_t>(group.triangleIndices.size()));
        for (uint16_t index : group.triangleIndices)
            put.u16(index);
        put.u8(static_cast<uint8_t>(group.materialIndex));
    }

    put.u16(static_cast<uint16_t>(file.materials.size()));
    for (const Ms3dFileMaterial& material : file.materials) {
        put.text(material.name, 32);
        put.f32s(material.ambient, 4);
        put.f32s(material.diffuse, 4);
        put.f32s(material.specular, 4);
        put.f32s(material.emissive, 4);
        put.f32(material.shininess);
        put.f32(material.transparency);
        put.u8(material.mode);
        put.text(material.textureName, 128);
        put.text(material.alphaMapName, 128);
    }

    put.raw(file.trailer.data(), file.trailer.size());
    return true;
}

bool decodeMs3d(const uint8_t* data, size_t size, Ms3dFile& file) {
    ByteReader in{data, size};
    Ms3dFile read;
    const uint8_t* identifier = in.take(sizeof read.identifier);
    if (identifier == nullptr || !in.i32(read.version))
        return false;
    std::copy(identifier, identifier + sizeof read.identifier, read.identifier);
    const bool whole =
        takeRecords(in, read.vertices,
                    [&](Ms3dFileVertex& vertex) {
                        return takeByte(in, vertex.flags) && takeFloats(in, vertex.position, 3) &&
                               takeByte(in, vertex.boneId) && takeByte(in, vertex.referenceCount);
                    }) &&
        takeRecords(in, read.triangles,
                    [&](Ms3dFileTriangle& triangle) {
                        bool ok = in.u16(triangle.flags);
                        for (uint16_t& index : triangle.vertexIndices)
                            ok = ok && in.u16(index);
                        for (float* normal : triangle.vertexNormals)
                            ok = ok && takeFloats(in, normal, 3);
                        return ok && takeFloats(in, triangle.s, 3) &&
                               takeFloats(in, triangle.t, 3) &&
                               takeByte(in, triangle.smoothingGroup) &&
                               takeByte(in, triangle.groupIndex);
                    }) &&
        takeRecords(in, read.groups,
                    [&](Ms3dFileGroup& group) {
                        uint8_t material = 0;
                        const bool ok =
                            takeByte(in, group.flags) && takeField(in, 32, group.name) &&
                            takeRecords(in, group.triangleIndices,
                                        [&](uint16_t& index) { return in.u16(index); }) &&
                            takeByte(in, material);
                        group.materialIndex = static_cast<int8_t>(material);
                        return ok;
                    }) &&
        takeRecords(in, read.materials, [&](Ms3dFileMaterial& material) {
            return takeField(in, 32, material.name) && takeFloats(in, material.ambient, 4) &&
                   takeFloats(in, material.diffuse, 4) && takeFloats(in, material.specular, 4) &&
                   takeFloats(in, material.emissive, 4) && in.f32(material.shininess) &&
                   in.f32(material.transparency) && takeByte(in, material.mode) &&
                   takeField(in, 128, material.textureName) &&
                   takeField(in, 128, material.alphaMapName);
        });
    if (!whole)
        return false;
    read.trailer.assign(in.at(), in.at() + in.left());
    file = std::move(read);
    return true;
}

bool writeMs3dFile(const Ms3dFile& file, const std::string& path) {
    std::vector<uint8_t> bytes;
    if (!encodeMs3d(file, bytes))
        return false;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

void appendMs3dQuad(Ms3dFile& file, size_t group, float x0, float y0, float x1, float y1, float z) {
    const uint16_t base = static_cast<uint16_t>(file.vertices.size());
    const float corners[4][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
    for (const auto& corner : corners) {
        Ms3dFileVertex vertex;
        vertex.position[0] = corner[0];
        vertex.position[1] = corner[1];
        vertex.position[2] = z;
        file.vertices.push_back(vertex);
    }
    // Texture coordinates of the four corners: s, and t as the file stores it.
    const float cornerS[4] = {0, 1, 1, 0};
    const float cornerT[4] = {1, 1, 0, 0};
    const int triangleCorners[2][3] = {{0, 1, 2}, {0, 2, 3}};
    if (file.groups.size() <= group)
        file.groups.resize(group + 1);
    for (const auto& corners3 : triangleCorners) {
        Ms3dFileTriangle triangle;
        for (int j = 0; j < 3; ++j) {
            const int c = corners3[j];
            triangle.vertexIndices[j] = static_cast<uint16_t>(base + c);
            triangle.vertexNormals[j][2] = 1.0f;
            triangle.s[j] = cornerS[c];
            triangle.t[j] = cornerT[c];
        }
        triangle.groupIndex = static_cast<uint8_t>(group);
        file.groups[group].triangleIndices.push_back(static_cast<uint16_t>(file.triangles.size()));
        file.triangles.push_back(triangle);
    }
}
