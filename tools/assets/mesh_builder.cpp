#include "assets/mesh_builder.h"

#include <cmath>

Vec3 operator+(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec3 operator-(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec3 operator*(Vec3 a, float k) {
    return {a.x * k, a.y * k, a.z * k};
}
Vec3 cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec3 normalised(Vec3 a) {
    const float length = std::sqrt(dot(a, a));
    return length > 0 ? a * (1.0f / length) : Vec3{0, 1, 0};
}

Vec3 applyPlacement(const Placement& p, Vec3 v) {
    return p.origin + p.axis[0] * v.x + p.axis[1] * v.y + p.axis[2] * v.z;
}

Placement combine(const Placement& outer, const Placement& inner) {
    Placement result;
    const Vec3 zero{0, 0, 0};
    for (int i = 0; i < 3; ++i)
        result.axis[i] = applyPlacement(outer, inner.axis[i]) - applyPlacement(outer, zero);
    result.origin = applyPlacement(outer, inner.origin);
    return result;
}

Placement translation(Vec3 offset) {
    Placement p;
    p.origin = offset;
    return p;
}

namespace {

constexpr float degree = 3.14159265358979f / 180.0f;

float determinant(const Placement& p) {
    return dot(p.axis[0], cross(p.axis[1], p.axis[2]));
}

// Small deterministic hash for the jitter of rough shapes.
uint32_t mix(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

uint16_t vertexFor(MeshBuilder& b, Vec3 position) {
    for (const auto& [known, index] : b.vertexIndex)
        if (known.x == position.x && known.y == position.y && known.z == position.z)
            return index;
    Ms3dFileVertex vertex;
    vertex.position[0] = position.x;
    vertex.position[1] = position.y;
    vertex.position[2] = position.z;
    vertex.referenceCount = 1;
    const uint16_t index = static_cast<uint16_t>(b.file.vertices.size());
    b.file.vertices.push_back(vertex);
    b.vertexIndex.push_back({position, index});
    return index;
}

int groupFor(MeshBuilder& b) {
    const int material = b.material < 0 ? 0 : b.material;
    if (b.groupOfMaterial.size() <= static_cast<size_t>(material))
        b.groupOfMaterial.resize(static_cast<size_t>(material) + 1, -1);
    int& group = b.groupOfMaterial[static_cast<size_t>(material)];
    if (group < 0) {
        Ms3dFileGroup fileGroup;
        fileGroup.name = material < static_cast<int>(b.file.materials.size())
                             ? b.file.materials[static_cast<size_t>(material)].name
                             : "group";
        fileGroup.materialIndex = static_cast<int8_t>(b.material);
        group = static_cast<int>(b.file.groups.size());
        b.file.groups.push_back(fileGroup);
    }
    return group;
}

// Adds a triangle already in model space, wound counter-clockwise.
void emitTriangle(MeshBuilder& b, Vec3 p0, Vec3 p1, Vec3 p2, const float s[3], const float t[3]) {
    const Vec3 normal = normalised(cross(p1 - p0, p2 - p0));
    const Vec3 corners[3] = {p0, p1, p2};
    Ms3dFileTriangle triangle;
    for (int j = 0; j < 3; ++j) {
        triangle.vertexIndices[j] = vertexFor(b, corners[j]);
        triangle.vertexNormals[j][0] = normal.x;
        triangle.vertexNormals[j][1] = normal.y;
        triangle.vertexNormals[j][2] = normal.z;
        triangle.s[j] = s[j];
        triangle.t[j] = 1.0f - t[j]; // the file stores t flipped
    }
    const int group = groupFor(b);
    triangle.groupIndex = static_cast<uint8_t>(group);
    b.file.groups[static_cast<size_t>(group)].triangleIndices.push_back(
        static_cast<uint16_t>(b.file.triangles.size()));
    b.file.triangles.push_back(triangle);
}

const float zeroCoordinates[3] = {0, 0, 0};

} // namespace

Placement turnY(float degrees) {
    const float c = std::cos(degrees * degree), s = std::sin(degrees * degree);
    Placement p;
    // Counter-clockwise seen from above (+y): +x turns toward -z.
    p.axis[0] = {c, 0, -s};
    p.axis[2] = {s, 0, c};
    return p;
}

Placement turnX(float degrees) {
    const float c = std::cos(degrees * degree), s = std::sin(degrees * degree);
    Placement p;
    p.axis[1] = {0, c, s};
    p.axis[2] = {0, -s, c};
    return p;
}

Placement turnZ(float degrees) {
    const float c = std::cos(degrees * degree), s = std::sin(degrees * degree);
    Placement p;
    p.axis[0] = {c, s, 0};
    p.axis[1] = {-s, c, 0};
    return p;
}

Placement scaling(float sx, float sy, float sz) {
    Placement p;
    p.axis[0] = {sx, 0, 0};
    p.axis[1] = {0, sy, 0};
    p.axis[2] = {0, 0, sz};
    return p;
}

int addColourMaterial(MeshBuilder& b, const std::string& name, Colour colour) {
    Ms3dFileMaterial material;
    material.name = name;
    const float rgb[3] = {colour.r, colour.g, colour.b};
    for (int i = 0; i < 3; ++i) {
        material.ambient[i] = 0.55f * rgb[i];
        material.diffuse[i] = 0.65f * rgb[i];
        material.specular[i] = 0;
        material.emissive[i] = 0;
    }
    b.file.materials.push_back(material);
    return static_cast<int>(b.file.materials.size()) - 1;
}

int addGlowMaterial(MeshBuilder& b, const std::string& name, Colour colour, float glow) {
    const int index = addColourMaterial(b, name, colour);
    Ms3dFileMaterial& material = b.file.materials.back();
    const float rgb[3] = {colour.r, colour.g, colour.b};
    for (int i = 0; i < 3; ++i)
        material.emissive[i] = glow * rgb[i];
    return index;
}

int addTexturedMaterial(MeshBuilder& b, const std::string& name, const std::string& textureName) {
    const int index = addColourMaterial(b, name, Colour{1, 1, 1});
    b.file.materials.back().textureName = textureName;
    return index;
}

void useMaterial(MeshBuilder& b, int material) {
    b.material = material;
}

void addTexturedTriangle(MeshBuilder& b, Vec3 p0, Vec3 p1, Vec3 p2, const float s[3],
                         const float t[3]) {
    Vec3 q0 = applyPlacement(b.placement, p0);
    Vec3 q1 = applyPlacement(b.placement, p1);
    Vec3 q2 = applyPlacement(b.placement, p2);
    if (determinant(b.placement) < 0) {
        // A mirroring placement turns the winding round; turn it back.
        const float s2[3] = {s[0], s[2], s[1]};
        const float t2[3] = {t[0], t[2], t[1]};
        emitTriangle(b, q0, q2, q1, s2, t2);
        return;
    }
    emitTriangle(b, q0, q1, q2, s, t);
}

void addTriangle(MeshBuilder& b, Vec3 p0, Vec3 p1, Vec3 p2) {
    addTexturedTriangle(b, p0, p1, p2, zeroCoordinates, zeroCoordinates);
}

void addTriangleAwayFrom(MeshBuilder& b, Vec3 p0, Vec3 p1, Vec3 p2, Vec3 inside) {
    const Vec3 q0 = applyPlacement(b.placement, p0);
    const Vec3 q1 = applyPlacement(b.placement, p1);
    const Vec3 q2 = applyPlacement(b.placement, p2);
    const Vec3 in = applyPlacement(b.placement, inside);
    const Vec3 centre = (q0 + q1 + q2) * (1.0f / 3.0f);
    if (dot(cross(q1 - q0, q2 - q0), centre - in) >= 0)
        emitTriangle(b, q0, q1, q2, zeroCoordinates, zeroCoordinates);
    else
        emitTriangle(b, q0, q2, q1, zeroCoordinates, zeroCoordinates);
}

void addQuadAwayFrom(MeshBuilder& b, Vec3 p0, Vec3 p1, Vec3 p2, Vec3 p3, Vec3 inside) {
    addTriangleAwayFrom(b, p0, p1, p2, inside);
    addTriangleAwayFrom(b, p0, p2, p3, inside);
}

void addCardTriangle(MeshBuilder& b, Vec3 p0, Vec3 p1, Vec3 p2) {
    addTriangle(b, p0, p1, p2);
    addTriangle(b, p0, p2, p1);
}

void addCard(MeshBuilder& b, Vec3 p0, Vec3 p1, Vec3 p2, Vec3 p3) {
    addCardTriangle(b, p0, p1, p2);
    addCardTriangle(b, p0, p2, p3);
}

void addBox(MeshBuilder& b, Vec3 lo, Vec3 hi, bool bottom) {
    const Vec3 c = (lo + hi) * 0.5f;
    const Vec3 p[8] = {{lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, lo.y, hi.z},
                       {lo.x, lo.y, hi.z}, {lo.x, hi.y, lo.z}, {hi.x, hi.y, lo.z},
                       {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z}};
    addQuadAwayFrom(b, p[4], p[5], p[6], p[7], c); // top
    if (bottom)
        addQuadAwayFrom(b, p[0], p[1], p[2], p[3], c);
    addQuadAwayFrom(b, p[0], p[1], p[5], p[4], c);
    addQuadAwayFrom(b, p[1], p[2], p[6], p[5], c);
    addQuadAwayFrom(b, p[2], p[3], p[7], p[6], c);
    addQuadAwayFrom(b, p[3], p[0], p[4], p[7], c);
}

void addFrustum(MeshBuilder& b, int sides, float r0, float y0, float r1, float y1,
                float startDegrees, bool bottomCap, bool topCap) {
    std::vector<Vec3> lower, upper;
    for (int i = 0; i < sides; ++i) {
        const float a = (startDegrees + 360.0f * static_cast<float>(i) / sides) * degree;
        lower.push_back({r0 * std::cos(a), y0, -r0 * std::sin(a)});
        upper.push_back({r1 * std::cos(a), y1, -r1 * std::sin(a)});
    }
    const Vec3 inside{0, (y0 + y1) * 0.5f, 0};
    for (int i = 0; i < sides; ++i) {
        const int j = (i + 1) % sides;
        if (r1 <= 0)
            addTriangleAwayFrom(b, lower[i], lower[j], Vec3{0, y1, 0}, inside);
        else if (r0 <= 0)
            addTriangleAwayFrom(b, Vec3{0, y0, 0}, upper[j], upper[i], inside);
        else
            addQuadAwayFrom(b, lower[i], lower[j], upper[j], upper[i], inside);
    }
    // Caps as fans about the first corner: seen from above and below.
    const Vec3 below{0, y0 - 1.0f, 0}, above{0, y1 + 1.0f, 0};
    if (topCap && r1 > 0)
        for (int i = 1; i + 1 < sides; ++i)
            addTriangleAwayFrom(b, upper[0], upper[i], upper[i + 1], below);
    if (bottomCap && r0 > 0)
        for (int i = 1; i + 1 < sides; ++i)
            addTriangleAwayFrom(b, lower[0], lower[i], lower[i + 1], above);
}

void addStrut(MeshBuilder& b, Vec3 from, Vec3 to, float radius, int sides) {
    const Vec3 along = to - from;
    const Vec3 dir = normalised(along);
    const Vec3 helper = std::fabs(dir.y) < 0.9f ? Vec3{0, 1, 0} : Vec3{1, 0, 0};
    const Vec3 side = normalised(cross(helper, dir));
    const Vec3 up = cross(dir, side);
    Placement local;
    local.axis[0] = side;
    local.axis[1] = along; // y runs from `from` (0) to `to` (1)
    local.axis[2] = up;
    local.origin = from;
    const Placement saved = b.placement;
    b.placement = combine(saved, local);
    addFrustum(b, sides, radius, 0.0f, radius, 1.0f, 45.0f, true);
    b.placement = saved;
}

void addBlob(MeshBuilder& b, Vec3 centre, float rx, float ry, float rz, float jitter,
             uint32_t seed) {
    const float g = 1.61803399f;
    Vec3 v[12] = {{-1, g, 0},  {1, g, 0},  {-1, -g, 0}, {1, -g, 0}, {0, -1, g},  {0, 1, g},
                  {0, -1, -g}, {0, 1, -g}, {g, 0, -1},  {g, 0, 1},  {-g, 0, -1}, {-g, 0, 1}};
    for (int i = 0; i < 12; ++i) {
        const Vec3 unit = normalised(v[i]);
        const float k =
            1.0f +
            jitter * (static_cast<float>(mix(seed * 31u + static_cast<uint32_t>(i)) & 0xFFFF) /
                          32767.5f -
                      1.0f);
        v[i] = centre + Vec3{unit.x * rx * k, unit.y * ry * k, unit.z * rz * k};
    }
    static const int faces[20][3] = {{0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11},
                                     {1, 5, 9},  {5, 11, 4}, {11, 10, 2}, {10, 7, 6}, {7, 1, 8},
                                     {3, 9, 4},  {3, 4, 2},  {3, 2, 6},   {3, 6, 8},  {3, 8, 9},
                                     {4, 9, 5},  {2, 4, 11}, {6, 2, 10},  {8, 6, 7},  {9, 8, 1}};
    for (const auto& f : faces)
        addTriangleAwayFrom(b, v[f[0]], v[f[1]], v[f[2]], centre);
}
