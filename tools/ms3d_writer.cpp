#include "ms3d_writer.h"

#include <cstring>
#include <fstream>

namespace {

constexpr size_t maxCount = 65535;

void putU8(std::vector<uint8_t>& out, uint8_t value) {
    out.push_back(value);
}

void putU16(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void putU32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<uint8_t>((value >> shift) & 0xFF));
}

void putFloats(std::vector<uint8_t>& out, const float* values, int count) {
    for (int i = 0; i < count; ++i) {
        uint32_t bits;
        std::memcpy(&bits, &values[i], sizeof bits);
        putU32(out, bits);
    }
}

// A fixed-size text field: the string's bytes, cut at `size`, then zeros.
void putText(std::vector<uint8_t>& out, const std::string& text, size_t size) {
    const size_t length = text.size() < size ? text.size() : size;
    out.insert(out.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length));
    out.insert(out.end(), size - length, 0);
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

    out.insert(out.end(), file.identifier, file.identifier + 10);
    putU32(out, static_cast<uint32_t>(file.version));

    putU16(out, static_cast<uint16_t>(file.vertices.size()));
    for (const Ms3dFileVertex& vertex : file.vertices) {
        putU8(out, vertex.flags);
        putFloats(out, vertex.position, 3);
        putU8(out, vertex.boneId);
        putU8(out, vertex.referenceCount);
    }

    putU16(out, static_cast<uint16_t>(file.triangles.size()));
    for (const Ms3dFileTriangle& triangle : file.triangles) {
        putU16(out, triangle.flags);
        for (uint16_t index : triangle.vertexIndices)
            putU16(out, index);
        for (const float* normal : triangle.vertexNormals)
            putFloats(out, normal, 3);
        putFloats(out, triangle.s, 3);
        putFloats(out, triangle.t, 3);
        putU8(out, triangle.smoothingGroup);
        putU8(out, triangle.groupIndex);
    }

    putU16(out, static_cast<uint16_t>(file.groups.size()));
    for (const Ms3dFileGroup& group : file.groups) {
        putU8(out, group.flags);
        putText(out, group.name, 32);
        putU16(out, static_cast<uint16_t>(group.triangleIndices.size()));
        for (uint16_t index : group.triangleIndices)
            putU16(out, index);
        putU8(out, static_cast<uint8_t>(group.materialIndex));
    }

    putU16(out, static_cast<uint16_t>(file.materials.size()));
    for (const Ms3dFileMaterial& material : file.materials) {
        putText(out, material.name, 32);
        putFloats(out, material.ambient, 4);
        putFloats(out, material.diffuse, 4);
        putFloats(out, material.specular, 4);
        putFloats(out, material.emissive, 4);
        putFloats(out, &material.shininess, 1);
        putFloats(out, &material.transparency, 1);
        putU8(out, material.mode);
        putText(out, material.textureName, 128);
        putText(out, material.alphaMapName, 128);
    }

    out.insert(out.end(), file.trailer.begin(), file.trailer.end());
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
