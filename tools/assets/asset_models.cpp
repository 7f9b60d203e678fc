#include "assets/asset_models.h"

#include "assets/asset_textures.h"
#include "assets/model_parts.h"
#include "map/hex_grid.h"

#include <cmath>

// The hex tile, its highlight and the cursor arrows; objects and units are
// made in asset_objects.cpp and asset_units.cpp.

namespace {

// Terrain reaches 3 units up and water lowers tiles up to 3 units: walls of
// 4 units keep a raised tile from floating above its neighbours.
constexpr float wallDepth = 4.0f;

ModelAsset makeHexagon() {
    MeshBuilder b;
    useMaterial(b, addTexturedMaterial(b, "land", "land0.bmp"));
    float c[6][2];
    hexTileCorners(c);
    // Top: a fan about the centre, texture by position so tiles join.
    const Vec3 centre{0, 0, 0};
    for (int i = 0; i < 6; ++i) {
        const int j = (i + 1) % 6;
        const Vec3 p0 = centre, p1{c[i][0], 0, c[i][1]}, p2{c[j][0], 0, c[j][1]};
        const float s[3] = {p0.z / textureSpanS, p1.z / textureSpanS, p2.z / textureSpanS};
        const float t[3] = {p0.x / textureSpanT, p1.x / textureSpanT, p2.x / textureSpanT};
        addTexturedTriangle(b, p0, p1, p2, s, t);
    }
    // Walls, the texture running along them as far as it runs on the top.
    float along = 0;
    for (int i = 0; i < 6; ++i) {
        const int j = (i + 1) % 6;
        const Vec3 a{c[i][0], 0, c[i][1]}, d{c[j][0], 0, c[j][1]};
        const Vec3 aLow{a.x, -wallDepth, a.z}, dLow{d.x, -wallDepth, d.z};
        const float length = std::sqrt(dot(d - a, d - a));
        const float s0 = along / textureSpanS, s1 = (along + length) / textureSpanS;
        const float top = 0, bottom = -wallDepth / textureSpanT;
        // Seen from outside, a -> d runs clockwise: a, aLow, dLow is
        // counter-clockwise from there.
        const float sA[3] = {s0, s0, s1}, tA[3] = {top, bottom, bottom};
        addTexturedTriangle(b, a, aLow, dLow, sA, tA);
        const float sB[3] = {s0, s1, s1}, tB[3] = {top, bottom, top};
        addTexturedTriangle(b, a, dLow, d, sB, tB);
        along += length;
    }
    return finish("Hexagon.ms3d", "hex tile", b);
}

ModelAsset makeHighlightHex() {
    MeshBuilder b;
    useMaterial(b, addGlowMaterial(b, "highlight", Colour{1.0f, 0.88f, 0.30f}, 0.8f));
    float c[6][2];
    hexTileCorners(c);
    const float outer = 0.98f, inner = 0.87f, top = 0.05f, below = -0.06f;
    const Vec3 centre{0, top - 1.0f, 0};
    for (int i = 0; i < 6; ++i) {
        const int j = (i + 1) % 6;
        auto p = [&](int k, float scale, float y) {
            return Vec3{c[k][0] * scale, y, c[k][1] * scale};
        };
        // Upper face of the ring.
        addQuadAwayFrom(b, p(i, inner, top), p(j, inner, top), p(j, outer, top), p(i, outer, top),
                        centre);
        // Outer rim down into the tile, so the frame reads as a raised border.
        addQuadAwayFrom(b, p(i, outer, top), p(j, outer, top), p(j, outer, below),
                        p(i, outer, below), Vec3{0, 0, 0});
        // Inner rim, facing the middle of the tile.
        const Vec3 beyond{c[i][0] + c[j][0], 0, c[i][1] + c[j][1]};
        addQuadAwayFrom(b, p(i, inner, top), p(j, inner, top), p(j, inner, below),
                        p(i, inner, below), beyond * 2.0f);
    }
    return finish("HighlightHex.ms3d", "highlight ring", b);
}

ModelAsset makeArrow(const char* fileName, const char* title, Colour colour, bool banded) {
    MeshBuilder b;
    useMaterial(b, addGlowMaterial(b, "arrow", colour, 0.35f));
    const float tip = 1.0f, headTop = 1.5f, shaftTop = 2.2f;
    addFrustum(b, 8, 0.0f, tip, 0.36f, headTop, 22.5f); // head, point down
    addFrustum(b, 8, 0.13f, headTop, 0.13f, shaftTop, 22.5f);
    if (banded) {
        // The edit arrow carries a white band, telling the modes apart also
        // where colours are hard to see.
        useMaterial(b, addGlowMaterial(b, "band", Colour{1, 1, 1}, 0.4f));
        addFrustum(b, 8, 0.15f, 1.75f, 0.15f, 1.95f, 22.5f, true);
    }
    return finish(fileName, title, b);
}

} // namespace

void hexTileCorners(float corners[6][2]) {
    // The cell of the grid: corners where three tiles meet, each equally far
    // from the centres of those three.
    const float h = hexHalfColumnStep, r = hexRowStep;
    const float far = (r * r + h * h) / (2 * r);  // about 1.002
    const float near = (r * r - h * h) / (2 * r); // about 0.498
    const float c[6][2] = {{far, 0}, {near, -h}, {-near, -h}, {-far, 0}, {-near, h}, {near, h}};
    for (int i = 0; i < 6; ++i) {
        corners[i][0] = c[i][0];
        corners[i][1] = c[i][1];
    }
}

std::vector<ModelAsset> makeFixedModels() {
    std::vector<ModelAsset> out;
    out.push_back(makeHexagon());
    out.push_back(makeHighlightHex());
    out.push_back(
        makeArrow("Arrow.ms3d", "cursor arrow (view mode)", Colour{1.0f, 0.80f, 0.12f}, false));
    out.push_back(makeArrow("Arrow_edit.ms3d", "cursor arrow (edit mode)",
                            Colour{0.95f, 0.16f, 0.12f}, true));
    return out;
}
