#include "assets/asset_models.h"

#include "assets/asset_textures.h"
#include "assets/mesh_builder.h"

#include <cmath>
#include <cstdio>

namespace {

// Half the distance between neighbouring rows and columns of the grid.
constexpr float rowStep = 1.5f;
constexpr float halfColumnStep = 0.87f;
// Terrain reaches 3 units up and water lowers tiles up to 3 units: walls of
// 4 units keep a raised tile from floating above its neighbours.
constexpr float wallDepth = 4.0f;

ModelAsset finish(const char* fileName, const char* title, MeshBuilder& b) {
    ModelAsset asset;
    asset.fileName = fileName;
    asset.title = title;
    asset.file = b.file;
    return asset;
}

// Puts everything added by `add` under `placement` (relative to the current one).
template <typename Add> void placed(MeshBuilder& b, const Placement& placement, Add add) {
    const Placement saved = b.placement;
    b.placement = combine(saved, placement);
    add();
    b.placement = saved;
}

Placement at(float x, float y, float z) {
    return translation(Vec3{x, y, z});
}
Placement atTurned(float x, float y, float z, float degrees) {
    return combine(at(x, y, z), turnY(degrees));
}

Colour shade(Colour c, float k) {
    return Colour{c.r * k, c.g * k, c.b * k};
}

// ---------------------------------------------------------------- fixed models

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

// --------------------------------------------------------------------- objects

const Colour wood{0.55f, 0.36f, 0.18f};
const Colour darkWood{0.38f, 0.24f, 0.12f};
const Colour stone{0.66f, 0.64f, 0.60f};
const Colour darkStone{0.45f, 0.44f, 0.42f};
const Colour roofRed{0.72f, 0.26f, 0.16f};
const Colour slate{0.32f, 0.36f, 0.46f};
const Colour plaster{0.93f, 0.88f, 0.74f};
const Colour window{0.16f, 0.18f, 0.24f};
const Colour skin{0.95f, 0.76f, 0.60f};
const Colour iron{0.62f, 0.64f, 0.68f};
const Colour gold{0.98f, 0.80f, 0.22f};

ModelAsset makePavedRoad() {
    MeshBuilder b;
    float c[6][2];
    hexTileCorners(c);
    const int kerb = addColourMaterial(b, "kerb", darkStone);
    const int paving = addTexturedMaterial(b, "paving", "paving.bmp");
    // A slab 0.25 high, its top paved by position like the land so that the
    // stones of neighbouring road tiles line up. It leaves the tile's rim free
    // for the cursor's highlight ring.
    const float top = 0.25f, topScale = 0.86f, base = -0.25f, baseScale = 0.90f;
    auto p = [&](int k, float scale, float y) { return Vec3{c[k][0] * scale, y, c[k][1] * scale}; };
    useMaterial(b, paving);
    for (int i = 0; i < 6; ++i) {
        const int j = (i + 1) % 6;
        const Vec3 q[3] = {Vec3{0, top, 0}, p(i, topScale, top), p(j, topScale, top)};
        float s[3], t[3];
        for (int k = 0; k < 3; ++k) {
            s[k] = q[k].z / textureSpanS;
            t[k] = q[k].x / textureSpanT;
        }
        addTexturedTriangle(b, q[0], q[1], q[2], s, t);
    }
    useMaterial(b, kerb);
    for (int i = 0; i < 6; ++i) {
        const int j = (i + 1) % 6;
        addQuadAwayFrom(b, p(i, topScale, top), p(j, topScale, top), p(j, baseScale, base),
                        p(i, baseScale, base), Vec3{0, 0, 0});
    }
    return finish("object0000.ms3d", "paved road", b);
}

ModelAsset makeBridge() {
    MeshBuilder b;
    const int plankA = addColourMaterial(b, "plank", wood);
    const int plankB = addColourMaterial(b, "plank2", Colour{0.62f, 0.43f, 0.23f});
    const int beam = addColourMaterial(b, "beam", darkWood);
    const float deckTop = 0.25f, deckBottom = 0.19f, half = 0.42f;
    // Planks across the deck; the deck runs along z so that bridges on
    // neighbouring tiles of a row join into one.
    const int planks = 7;
    const float length = 2 * halfColumnStep, pitch = length / planks;
    for (int i = 0; i < planks; ++i) {
        const float z0 = -halfColumnStep + pitch * static_cast<float>(i) + 0.015f;
        const float wobble = (i % 3 == 1) ? 0.03f : 0.0f;
        useMaterial(b, i % 2 ? plankB : plankA);
        addBox(b, Vec3{-half - wobble, deckBottom, z0},
               Vec3{half + 0.03f - wobble, deckTop, z0 + pitch - 0.03f});
    }
    useMaterial(b, beam);
    for (float x : {-0.33f, 0.33f}) {
        addBox(b, Vec3{x - 0.05f, 0.08f, -halfColumnStep},
               Vec3{x + 0.05f, deckBottom, halfColumnStep}, true);
        for (float z : {-0.5f, 0.5f})
            addBox(b, Vec3{x - 0.05f, -1.6f, z - 0.05f}, Vec3{x + 0.05f, 0.08f, z + 0.05f});
    }
    // Low railings, so a unit on the deck stays in sight.
    for (float x : {-half + 0.02f, half - 0.02f}) {
        for (float z : {-0.72f, 0.0f, 0.72f})
            addBox(b, Vec3{x - 0.03f, deckTop, z - 0.03f},
                   Vec3{x + 0.03f, deckTop + 0.2f, z + 0.03f});
        addBox(b, Vec3{x - 0.035f, deckTop + 0.16f, -0.8f}, Vec3{x + 0.035f, deckTop + 0.22f, 0.8f},
               true);
    }
    return finish("object0001.ms3d", "wooden bridge", b);
}

void conifer(MeshBuilder& b, float x, float z, float size, int foliage, int trunk) {
    placed(b, combine(at(x, 0, z), scaling(size, size, size)), [&] {
        useMaterial(b, trunk);
        addFrustum(b, 5, 0.07f, 0.0f, 0.05f, 0.25f);
        useMaterial(b, foliage);
        addFrustum(b, 7, 0.36f, 0.16f, 0.0f, 0.70f, 10.0f, true);
        addFrustum(b, 7, 0.29f, 0.46f, 0.0f, 0.95f, 35.0f, true);
        addFrustum(b, 7, 0.20f, 0.74f, 0.0f, 1.18f, 60.0f, true);
    });
}

ModelAsset makeConifers() {
    MeshBuilder b;
    const int trunk = addColourMaterial(b, "trunk", darkWood);
    const int needlesA = addColourMaterial(b, "needles", Colour{0.14f, 0.40f, 0.20f});
    const int needlesB = addColourMaterial(b, "needles2", Colour{0.10f, 0.32f, 0.17f});
    conifer(b, 0.30f, -0.32f, 1.0f, needlesA, trunk);
    conifer(b, -0.42f, -0.12f, 0.85f, needlesB, trunk);
    conifer(b, 0.05f, 0.42f, 0.9f, needlesB, trunk);
    conifer(b, -0.45f, 0.50f, 0.65f, needlesA, trunk);
    return finish("object0002.ms3d", "conifer forest", b);
}

void broadleaf(MeshBuilder& b, float x, float z, float size, int leaves, int leavesLight, int trunk,
               uint32_t seed) {
    placed(b, combine(at(x, 0, z), scaling(size, size, size)), [&] {
        useMaterial(b, trunk);
        addFrustum(b, 5, 0.08f, 0.0f, 0.06f, 0.50f);
        useMaterial(b, leaves);
        addBlob(b, Vec3{0, 0.72f, 0}, 0.38f, 0.32f, 0.38f, 0.18f, seed);
        useMaterial(b, leavesLight);
        addBlob(b, Vec3{0.10f, 0.93f, 0.08f}, 0.24f, 0.22f, 0.24f, 0.2f, seed + 7);
    });
}

ModelAsset makeBroadleaves() {
    MeshBuilder b;
    const int trunk = addColourMaterial(b, "bark", Colour{0.45f, 0.32f, 0.20f});
    const int leaves = addColourMaterial(b, "leaves", Colour{0.27f, 0.55f, 0.16f});
    const int light = addColourMaterial(b, "leaves2", Colour{0.42f, 0.68f, 0.22f});
    broadleaf(b, 0.28f, -0.30f, 1.0f, leaves, light, trunk, 3);
    broadleaf(b, -0.38f, 0.05f, 0.85f, leaves, light, trunk, 11);
    broadleaf(b, 0.25f, 0.45f, 0.75f, leaves, light, trunk, 19);
    return finish("object0003.ms3d", "broadleaf trees", b);
}

ModelAsset makeRocks() {
    MeshBuilder b;
    const int grey = addColourMaterial(b, "rock", Colour{0.60f, 0.58f, 0.55f});
    const int dark = addColourMaterial(b, "rock2", Colour{0.47f, 0.46f, 0.45f});
    const int moss = addColourMaterial(b, "moss", Colour{0.42f, 0.50f, 0.26f});
    struct Boulder {
        float x, z, r, h;
        int material;
    };
    const Boulder boulders[] = {{0.05f, -0.05f, 0.42f, 0.36f, grey},
                                {-0.42f, 0.30f, 0.24f, 0.2f, dark},
                                {0.45f, 0.30f, 0.28f, 0.26f, dark},
                                {-0.30f, -0.45f, 0.2f, 0.16f, grey},
                                {0.15f, 0.55f, 0.14f, 0.12f, moss}};
    uint32_t seed = 41;
    for (const Boulder& r : boulders) {
        useMaterial(b, r.material);
        addBlob(b, Vec3{r.x, r.h * 0.45f, r.z}, r.r, r.h, r.r * 0.85f, 0.3f, seed);
        seed += 13;
    }
    return finish("object0004.ms3d", "rocks", b);
}

// A house with a gable roof, its ridge along x, front door toward +z.
void house(MeshBuilder& b, float width, float depth, float wallHeight, float roofHeight, int walls,
           int roof, int trim) {
    const float hw = width / 2, hd = depth / 2, over = 0.06f;
    useMaterial(b, walls);
    addBox(b, Vec3{-hw, 0, -hd}, Vec3{hw, wallHeight, hd});
    // Gable ends.
    const float ridge = wallHeight + roofHeight;
    for (float x : {-hw, hw})
        addTriangleAwayFrom(b, Vec3{x, wallHeight, -hd}, Vec3{x, wallHeight, hd}, Vec3{x, ridge, 0},
                            Vec3{0, wallHeight, 0});
    useMaterial(b, roof);
    // Two roof slabs with a little thickness, overhanging the walls.
    for (float side : {-1.0f, 1.0f}) {
        const Vec3 eaveLo{-hw - over, wallHeight - 0.05f, side * (hd + over)};
        const Vec3 eaveHi{hw + over, wallHeight - 0.05f, side * (hd + over)};
        const Vec3 ridgeLo{-hw - over, ridge, 0}, ridgeHi{hw + over, ridge, 0};
        const Vec3 up{0, 0.04f, 0};
        const Vec3 below{0, wallHeight - 1.0f, 0};
        addQuadAwayFrom(b, eaveLo + up, eaveHi + up, ridgeHi + up, ridgeLo + up, below);
        addQuadAwayFrom(b, eaveLo, eaveHi, eaveHi + up, eaveLo + up, Vec3{0, ridge, 0});
        for (float x : {-hw - over, hw + over})
            addQuadAwayFrom(b, Vec3{x, eaveLo.y, eaveLo.z}, Vec3{x, ridge, 0},
                            Vec3{x, ridge + 0.04f, 0}, Vec3{x, eaveLo.y + 0.04f, eaveLo.z},
                            Vec3{0, wallHeight, 0});
    }
    useMaterial(b, trim);
    // Door and windows on the front, windows on the back.
    const float f = hd + 0.006f;
    addQuadAwayFrom(b, Vec3{-0.06f, 0, f}, Vec3{0.06f, 0, f}, Vec3{0.06f, 0.2f, f},
                    Vec3{-0.06f, 0.2f, f}, Vec3{0, 0.1f, 0});
    for (float x : {-hw * 0.6f, hw * 0.6f})
        for (float z : {f, -f})
            addQuadAwayFrom(b, Vec3{x - 0.045f, 0.14f, z}, Vec3{x + 0.045f, 0.14f, z},
                            Vec3{x + 0.045f, 0.23f, z}, Vec3{x - 0.045f, 0.23f, z},
                            Vec3{x, 0.18f, 0});
}

ModelAsset makeHouses() {
    MeshBuilder b;
    const int walls = addColourMaterial(b, "plaster", plaster);
    const int roof = addColourMaterial(b, "roof", roofRed);
    const int trim = addColourMaterial(b, "window", window);
    const int shedWalls = addColourMaterial(b, "timber", Colour{0.66f, 0.50f, 0.32f});
    const int shedRoof = addColourMaterial(b, "thatch", Colour{0.80f, 0.66f, 0.34f});
    const int chimney = addColourMaterial(b, "brick", Colour{0.60f, 0.34f, 0.26f});
    placed(b, atTurned(0.05f, 0, -0.12f, 12.0f), [&] {
        house(b, 0.78f, 0.52f, 0.38f, 0.30f, walls, roof, trim);
        useMaterial(b, chimney);
        addBox(b, Vec3{0.18f, 0.45f, -0.14f}, Vec3{0.27f, 0.78f, -0.05f});
    });
    placed(b, atTurned(-0.42f, 0, 0.45f, -25.0f),
           [&] { house(b, 0.42f, 0.34f, 0.24f, 0.20f, shedWalls, shedRoof, trim); });
    return finish("object0005.ms3d", "house", b);
}

ModelAsset makeTower() {
    MeshBuilder b;
    const int wall = addColourMaterial(b, "stone", stone);
    const int ledge = addColourMaterial(b, "ledge", darkStone);
    const int roof = addColourMaterial(b, "slate", slate);
    const int trim = addColourMaterial(b, "window", window);
    const int flag = addColourMaterial(b, "pennant", gold);
    useMaterial(b, wall);
    addFrustum(b, 8, 0.38f, 0.0f, 0.32f, 1.25f, 22.5f, false, false);
    useMaterial(b, ledge);
    addFrustum(b, 8, 0.33f, 1.25f, 0.40f, 1.33f, 22.5f, true);
    addFrustum(b, 8, 0.40f, 1.33f, 0.40f, 1.40f, 22.5f);
    useMaterial(b, roof);
    addFrustum(b, 8, 0.44f, 1.40f, 0.0f, 2.05f, 22.5f, true);
    useMaterial(b, trim);
    // Narrow windows on the side toward the viewer, and the door.
    for (float y : {0.55f, 0.9f})
        placed(b, turnY(-90.0f + (y > 0.7f ? 30.0f : -30.0f)), [&] {
            addQuadAwayFrom(b, Vec3{0.362f, y, -0.04f}, Vec3{0.362f, y, 0.04f},
                            Vec3{0.355f, y + 0.14f, 0.04f}, Vec3{0.355f, y + 0.14f, -0.04f},
                            Vec3{0, y, 0});
        });
    addQuadAwayFrom(b, Vec3{-0.08f, 0, 0.385f}, Vec3{0.08f, 0, 0.385f}, Vec3{0.08f, 0.26f, 0.366f},
                    Vec3{-0.08f, 0.26f, 0.366f}, Vec3{0, 0.1f, 0});
    useMaterial(b, ledge);
    addStrut(b, Vec3{0, 2.0f, 0}, Vec3{0, 2.35f, 0}, 0.015f);
    useMaterial(b, flag);
    addCardTriangle(b, Vec3{0, 2.34f, 0}, Vec3{0, 2.22f, 0}, Vec3{0.26f, 2.28f, 0});
    return finish("object0006.ms3d", "watchtower", b);
}

// A crenellated wall from a to b on the ground.
void wallSegment(MeshBuilder& b, Vec3 a, Vec3 c, float height, float thick) {
    const Vec3 along = c - a;
    const float length = std::sqrt(dot(along, along));
    const float degrees = std::atan2(-along.z, along.x) * 180.0f / 3.14159265f;
    placed(b, combine(translation(a), turnY(degrees)), [&] {
        addBox(b, Vec3{0, 0, -thick / 2}, Vec3{length, height, thick / 2});
        const int merlons = 1;
        for (int i = 0; i < merlons; ++i) {
            const float x = length * (static_cast<float>(i) + 0.5f) / merlons;
            addBox(b, Vec3{x - 0.08f, height, -thick / 2},
                   Vec3{x + 0.08f, height + 0.08f, thick / 2});
        }
    });
}

ModelAsset makeCastle() {
    MeshBuilder b;
    const int wall = addColourMaterial(b, "stone", stone);
    const int roof = addColourMaterial(b, "roof", Colour{0.20f, 0.30f, 0.60f});
    const int dark = addColourMaterial(b, "gate", window);
    const int keepStone = addColourMaterial(b, "keep", Colour{0.74f, 0.71f, 0.66f});
    const int flag = addColourMaterial(b, "pennant", gold);
    float c[6][2];
    hexTileCorners(c);
    const float ring = 0.66f;
    useMaterial(b, wall);
    for (int i = 0; i < 6; ++i) {
        const int j = (i + 1) % 6;
        wallSegment(b, Vec3{c[i][0] * ring, 0, c[i][1] * ring},
                    Vec3{c[j][0] * ring, 0, c[j][1] * ring}, 0.42f, 0.09f);
    }
    for (int i = 0; i < 6; ++i) {
        placed(b, at(c[i][0] * ring, 0, c[i][1] * ring), [&] {
            useMaterial(b, wall);
            addFrustum(b, 6, 0.15f, 0.0f, 0.13f, 0.62f, 0.0f, false, false);
            useMaterial(b, roof);
            addFrustum(b, 6, 0.17f, 0.62f, 0.0f, 0.92f);
        });
    }
    // The keep.
    useMaterial(b, keepStone);
    addBox(b, Vec3{-0.24f, 0, -0.26f}, Vec3{0.24f, 0.95f, 0.18f});
    for (float x : {-0.24f, 0.16f})
        for (float z : {-0.26f, 0.10f})
            addBox(b, Vec3{x, 0.95f, z}, Vec3{x + 0.08f, 1.05f, z + 0.08f});
    useMaterial(b, flag);
    addStrut(b, Vec3{0, 0.95f, -0.04f}, Vec3{0, 1.45f, -0.04f}, 0.015f);
    addCard(b, Vec3{0, 1.44f, -0.04f}, Vec3{0.3f, 1.42f, -0.04f}, Vec3{0.3f, 1.28f, -0.04f},
            Vec3{0, 1.30f, -0.04f});
    // Gate in the wall facing the viewer (+z).
    useMaterial(b, dark);
    const float zGate = halfColumnStep * ring + 0.048f;
    addQuadAwayFrom(b, Vec3{-0.1f, 0, zGate}, Vec3{0.1f, 0, zGate}, Vec3{0.1f, 0.28f, zGate},
                    Vec3{-0.1f, 0.28f, zGate}, Vec3{0, 0.1f, 0});
    return finish("object0007.ms3d", "castle", b);
}

ModelAsset makeField() {
    MeshBuilder b;
    const int soil = addColourMaterial(b, "soil", Colour{0.50f, 0.36f, 0.22f});
    const int wheat = addColourMaterial(b, "wheat", Colour{0.93f, 0.80f, 0.36f});
    const int hay = addColourMaterial(b, "hay", Colour{0.86f, 0.70f, 0.30f});
    const int fence = addColourMaterial(b, "fence", wood);
    float c[6][2];
    hexTileCorners(c);
    useMaterial(b, soil);
    const float base = 0.03f;
    for (int i = 0; i < 6; ++i) {
        const int j = (i + 1) % 6;
        addTriangleAwayFrom(b, Vec3{0, base, 0}, Vec3{c[i][0] * 0.9f, base, c[i][1] * 0.9f},
                            Vec3{c[j][0] * 0.9f, base, c[j][1] * 0.9f}, Vec3{0, -1, 0});
    }
    // Rows of wheat along z, each as long as the tile is wide there.
    useMaterial(b, wheat);
    for (int row = -3; row <= 3; ++row) {
        const float x = 0.2f * static_cast<float>(row);
        const float halfLength = 0.74f * std::fmin(1.0f, (0.88f - std::fabs(x)) / 0.44f);
        if (row == 2)
            continue; // room for the haystack
        addBox(b, Vec3{x - 0.065f, base, -halfLength}, Vec3{x + 0.065f, base + 0.12f, halfLength});
    }
    useMaterial(b, hay);
    addFrustum(b, 7, 0.17f, base, 0.0f, 0.42f, 0.0f);
    placed(b, at(0.40f, 0, 0.15f), [&] { addFrustum(b, 7, 0.17f, base, 0.0f, 0.42f, 20.0f); });
    useMaterial(b, fence);
    for (float z : {-0.35f, 0.0f, 0.35f})
        addBox(b, Vec3{-0.84f, 0, z - 0.02f}, Vec3{-0.80f, 0.2f, z + 0.02f});
    addBox(b, Vec3{-0.845f, 0.13f, -0.38f}, Vec3{-0.795f, 0.17f, 0.38f}, true);
    return finish("object0008.ms3d", "wheat field", b);
}

ModelAsset makeWindmill() {
    MeshBuilder b;
    const int body = addColourMaterial(b, "whitewash", Colour{0.92f, 0.90f, 0.84f});
    const int cap = addColourMaterial(b, "cap", Colour{0.45f, 0.30f, 0.18f});
    const int sail = addColourMaterial(b, "sail", Colour{0.95f, 0.93f, 0.86f});
    const int frame = addColourMaterial(b, "frame", darkWood);
    const int trim = addColourMaterial(b, "door", window);
    useMaterial(b, body);
    addFrustum(b, 8, 0.34f, 0.0f, 0.24f, 0.95f, 22.5f, false, false);
    useMaterial(b, cap);
    addFrustum(b, 8, 0.28f, 0.95f, 0.0f, 1.28f, 22.5f, true);
    useMaterial(b, trim);
    addQuadAwayFrom(b, Vec3{-0.07f, 0, 0.34f}, Vec3{0.07f, 0, 0.34f}, Vec3{0.07f, 0.24f, 0.318f},
                    Vec3{-0.07f, 0.24f, 0.318f}, Vec3{0, 0.1f, 0});
    // Four sails on a hub facing the viewer, turned a little off the cross.
    const Vec3 hub{0, 0.98f, 0.34f};
    useMaterial(b, frame);
    addStrut(b, Vec3{0, 0.98f, 0.2f}, hub + Vec3{0, 0, 0.04f}, 0.04f);
    for (int k = 0; k < 4; ++k) {
        placed(b, combine(translation(hub), turnZ(20.0f + 90.0f * static_cast<float>(k))), [&] {
            useMaterial(b, frame);
            addStrut(b, Vec3{0, 0, 0.02f}, Vec3{0.82f, 0, 0.02f}, 0.02f);
            useMaterial(b, sail);
            addCard(b, Vec3{0.14f, 0.03f, 0.03f}, Vec3{0.80f, 0.03f, 0.03f},
                    Vec3{0.80f, 0.26f, 0.06f}, Vec3{0.14f, 0.22f, 0.06f});
        });
    }
    return finish("object0009.ms3d", "windmill", b);
}

ModelAsset makePalisade() {
    MeshBuilder b;
    const int logs = addColourMaterial(b, "logs", Colour{0.58f, 0.42f, 0.25f});
    const int tips = addColourMaterial(b, "tips", Colour{0.72f, 0.58f, 0.38f});
    // A line of sharpened stakes across the tile along z, with a walkway.
    for (int i = 0; i < 9; ++i) {
        const float z = -0.78f + 0.195f * static_cast<float>(i);
        const float h = 0.62f + ((i * 7) % 3) * 0.05f;
        placed(b, at(0, 0, z), [&] {
            useMaterial(b, logs);
            addFrustum(b, 5, 0.085f, 0.0f, 0.085f, h, 18.0f * i);
            useMaterial(b, tips);
            addFrustum(b, 5, 0.085f, h, 0.0f, h + 0.14f, 18.0f * i);
        });
    }
    useMaterial(b, logs);
    addBox(b, Vec3{-0.26f, 0.34f, -0.82f}, Vec3{-0.08f, 0.38f, 0.82f}, true);
    for (float z : {-0.6f, 0.0f, 0.6f})
        addBox(b, Vec3{-0.24f, 0, z - 0.03f}, Vec3{-0.19f, 0.34f, z + 0.03f});
    return finish("object0010.ms3d", "palisade", b);
}

// ----------------------------------------------------------------------- units

struct Team {
    const char* name;
    Colour colour;
    Colour trim;
};

const Team teams[2] = {{"blue", {0.16f, 0.36f, 0.92f}, {0.95f, 0.95f, 0.95f}},
                       {"red", {0.90f, 0.14f, 0.12f}, {0.98f, 0.82f, 0.25f}}};

struct UnitMaterials {
    int team, teamDark, trim, skin, cloth, iron, wood, leather;
};

UnitMaterials unitMaterials(MeshBuilder& b, const Team& team) {
    UnitMaterials m;
    m.team = addColourMaterial(b, "team", team.colour);
    m.teamDark = addColourMaterial(b, "team_dark", shade(team.colour, 0.6f));
    m.trim = addColourMaterial(b, "trim", team.trim);
    m.skin = addColourMaterial(b, "skin", skin);
    m.cloth = addColourMaterial(b, "cloth", Colour{0.36f, 0.28f, 0.20f});
    m.iron = addColourMaterial(b, "iron", iron);
    m.wood = addColourMaterial(b, "wood", wood);
    m.leather = addColourMaterial(b, "leather", Colour{0.48f, 0.30f, 0.16f});
    return m;
}

// The team-coloured stand under every unit: the team shows from any angle.
void stand(MeshBuilder& b, const UnitMaterials& m, float radius) {
    useMaterial(b, m.teamDark);
    addFrustum(b, 8, radius, 0.0f, radius * 0.9f, 0.06f, 22.5f);
    useMaterial(b, m.trim);
    addFrustum(b, 8, radius * 0.9f, 0.06f, radius * 0.8f, 0.075f, 22.5f);
}

enum class Headgear { helmet, hood, greatHelm, cap };

// A standing figure facing +z, feet at `y`: legs, tabard, arms, head.
void figure(MeshBuilder& b, const UnitMaterials& m, Headgear headgear, float y = 0.075f) {
    placed(b, at(0, y, 0), [&] {
        useMaterial(b, m.cloth);
        addBox(b, Vec3{-0.11f, 0, -0.06f}, Vec3{-0.02f, 0.30f, 0.06f});
        addBox(b, Vec3{0.02f, 0, -0.06f}, Vec3{0.11f, 0.30f, 0.06f});
        useMaterial(b, m.team);
        addBox(b, Vec3{-0.15f, 0.28f, -0.09f}, Vec3{0.15f, 0.58f, 0.09f});
        useMaterial(b, m.trim);
        addBox(b, Vec3{-0.155f, 0.36f, -0.095f}, Vec3{0.155f, 0.40f, 0.095f});
        useMaterial(b, m.teamDark);
        addBox(b, Vec3{-0.22f, 0.32f, -0.06f}, Vec3{-0.15f, 0.57f, 0.06f});
        addBox(b, Vec3{0.15f, 0.32f, -0.06f}, Vec3{0.22f, 0.57f, 0.06f});
        useMaterial(b, m.skin);
        addBox(b, Vec3{-0.08f, 0.58f, -0.08f}, Vec3{0.08f, 0.74f, 0.08f});
        switch (headgear) {
        case Headgear::helmet:
            useMaterial(b, m.iron);
            addFrustum(b, 6, 0.12f, 0.70f, 0.0f, 0.88f, 0.0f, true);
            break;
        case Headgear::hood:
            useMaterial(b, m.teamDark);
            addBox(b, Vec3{-0.09f, 0.70f, -0.09f}, Vec3{0.09f, 0.78f, 0.06f});
            addFrustum(b, 4, 0.08f, 0.76f, 0.0f, 0.86f, 45.0f);
            break;
        case Headgear::greatHelm:
            useMaterial(b, m.iron);
            addBox(b, Vec3{-0.09f, 0.60f, -0.09f}, Vec3{0.09f, 0.80f, 0.09f});
            useMaterial(b, m.trim);
            addBox(b, Vec3{-0.02f, 0.80f, -0.06f}, Vec3{0.02f, 0.90f, 0.06f});
            break;
        case Headgear::cap:
            useMaterial(b, m.trim);
            addFrustum(b, 6, 0.10f, 0.72f, 0.07f, 0.80f, 0.0f);
            break;
        }
    });
}

// A round shield facing +z, centred at `centre`.
void shield(MeshBuilder& b, const UnitMaterials& m, Vec3 centre, float radius) {
    placed(b, combine(translation(centre), turnX(90.0f)), [&] {
        useMaterial(b, m.team);
        addFrustum(b, 8, radius, -0.02f, radius, 0.02f, 22.5f, true);
        useMaterial(b, m.trim);
        addFrustum(b, 6, radius * 0.3f, 0.02f, 0.0f, 0.07f, 0.0f);
    });
}

ModelAsset makeSpearman(const char* fileName, const Team& team) {
    MeshBuilder b;
    const UnitMaterials m = unitMaterials(b, team);
    stand(b, m, 0.32f);
    figure(b, m, Headgear::helmet);
    useMaterial(b, m.wood);
    addStrut(b, Vec3{0.25f, 0.08f, 0.04f}, Vec3{0.25f, 1.30f, 0.04f}, 0.022f);
    useMaterial(b, m.iron);
    placed(b, at(0.25f, 1.30f, 0.04f),
           [&] { addFrustum(b, 4, 0.05f, 0.0f, 0.0f, 0.18f, 45.0f, true); });
    shield(b, m, Vec3{-0.20f, 0.48f, 0.12f}, 0.19f);
    char title[64];
    std::snprintf(title, sizeof title, "spearman (%s)", team.name);
    return finish(fileName, title, b);
}

ModelAsset makeArcher(const char* fileName, const Team& team) {
    MeshBuilder b;
    const UnitMaterials m = unitMaterials(b, team);
    stand(b, m, 0.32f);
    figure(b, m, Headgear::hood);
    // A bow held out to the left, curving toward the viewer, and its string.
    useMaterial(b, m.leather);
    const float x = -0.30f;
    const Vec3 bow[5] = {{x, 0.22f, 0.02f},
                         {x, 0.40f, 0.12f},
                         {x, 0.58f, 0.15f},
                         {x, 0.76f, 0.12f},
                         {x, 0.94f, 0.02f}};
    for (int i = 0; i < 4; ++i)
        addStrut(b, bow[i], bow[i + 1], 0.025f);
    useMaterial(b, m.trim);
    addStrut(b, bow[0], bow[4], 0.006f, 3);
    // Quiver on the back with fletchings.
    placed(b, combine(at(0.08f, 0.40f, -0.13f), turnZ(-20.0f)), [&] {
        useMaterial(b, m.leather);
        addBox(b, Vec3{-0.05f, 0, -0.04f}, Vec3{0.05f, 0.40f, 0.04f});
        useMaterial(b, m.trim);
        addBox(b, Vec3{-0.04f, 0.40f, -0.03f}, Vec3{0.04f, 0.48f, 0.03f});
    });
    char title[64];
    std::snprintf(title, sizeof title, "archer (%s)", team.name);
    return finish(fileName, title, b);
}

ModelAsset makeKnight(const char* fileName, const Team& team) {
    MeshBuilder b;
    const UnitMaterials m = unitMaterials(b, team);
    const int horse = addColourMaterial(b, "horse", Colour{0.90f, 0.88f, 0.84f});
    const int mane = addColourMaterial(b, "mane", Colour{0.30f, 0.24f, 0.20f});
    stand(b, m, 0.45f);
    // The horse, side on to the viewer, head to +x.
    useMaterial(b, horse);
    for (float x : {-0.22f, 0.20f})
        for (float z : {-0.09f, 0.09f})
            addBox(b, Vec3{x - 0.04f, 0.07f, z - 0.04f}, Vec3{x + 0.04f, 0.36f, z + 0.04f});
    addStrut(b, Vec3{0.24f, 0.52f, 0}, Vec3{0.38f, 0.78f, 0}, 0.075f);
    addBox(b, Vec3{0.33f, 0.70f, -0.06f}, Vec3{0.55f, 0.82f, 0.06f});
    useMaterial(b, mane);
    addStrut(b, Vec3{-0.32f, 0.52f, 0}, Vec3{-0.42f, 0.25f, 0}, 0.035f);
    addBox(b, Vec3{0.30f, 0.80f, -0.025f}, Vec3{0.40f, 0.88f, 0.025f});
    // The team-coloured caparison over the body.
    useMaterial(b, m.team);
    addBox(b, Vec3{-0.34f, 0.30f, -0.14f}, Vec3{0.32f, 0.58f, 0.14f});
    useMaterial(b, m.trim);
    addBox(b, Vec3{-0.345f, 0.30f, -0.145f}, Vec3{0.325f, 0.34f, 0.145f});
    // The rider.
    placed(b, at(-0.02f, 0.22f, 0), [&] {
        useMaterial(b, m.cloth);
        addBox(b, Vec3{-0.08f, 0.36f, -0.17f}, Vec3{0.08f, 0.44f, -0.14f});
        addBox(b, Vec3{-0.08f, 0.36f, 0.14f}, Vec3{0.08f, 0.44f, 0.17f});
        useMaterial(b, m.iron);
        addBox(b, Vec3{-0.12f, 0.36f, -0.10f}, Vec3{0.12f, 0.64f, 0.10f});
        useMaterial(b, m.team);
        addBox(b, Vec3{-0.125f, 0.40f, -0.105f}, Vec3{0.125f, 0.58f, 0.105f});
        useMaterial(b, m.iron);
        addBox(b, Vec3{-0.08f, 0.64f, -0.08f}, Vec3{0.08f, 0.82f, 0.08f});
        useMaterial(b, m.trim);
        addBox(b, Vec3{-0.02f, 0.82f, -0.06f}, Vec3{0.02f, 0.92f, 0.06f});
    });
    // Lance couched forward, and a shield toward the viewer.
    useMaterial(b, m.wood);
    addStrut(b, Vec3{-0.25f, 0.70f, 0.16f}, Vec3{0.85f, 1.05f, 0.16f}, 0.022f);
    useMaterial(b, m.trim);
    placed(b, combine(at(0.85f, 1.05f, 0.16f), turnZ(-74.0f)),
           [&] { addFrustum(b, 4, 0.035f, 0.0f, 0.0f, 0.12f, 45.0f, true); });
    shield(b, m, Vec3{0.0f, 0.78f, 0.17f}, 0.15f);
    char title[64];
    std::snprintf(title, sizeof title, "knight (%s)", team.name);
    return finish(fileName, title, b);
}

ModelAsset makeCatapult(const char* fileName, const Team& team) {
    MeshBuilder b;
    const UnitMaterials m = unitMaterials(b, team);
    stand(b, m, 0.45f);
    const float base = 0.075f;
    useMaterial(b, m.wood);
    // Frame: two side beams along x with cross beams.
    for (float z : {-0.17f, 0.17f})
        addBox(b, Vec3{-0.40f, base + 0.10f, z - 0.04f}, Vec3{0.40f, base + 0.18f, z + 0.04f});
    for (float x : {-0.32f, 0.05f, 0.32f})
        addBox(b, Vec3{x - 0.04f, base + 0.12f, -0.17f}, Vec3{x + 0.04f, base + 0.17f, 0.17f});
    // Uprights holding the axle.
    for (float z : {-0.15f, 0.15f}) {
        addStrut(b, Vec3{-0.10f, base + 0.18f, z}, Vec3{0.02f, base + 0.52f, z}, 0.03f);
        addStrut(b, Vec3{0.14f, base + 0.18f, z}, Vec3{0.02f, base + 0.52f, z}, 0.03f);
    }
    // Throwing arm, raised back, with its cup and counterweight.
    addStrut(b, Vec3{0.20f, base + 0.40f, 0}, Vec3{-0.45f, base + 0.78f, 0}, 0.03f);
    useMaterial(b, m.leather);
    addBox(b, Vec3{-0.53f, base + 0.76f, -0.07f}, Vec3{-0.41f, base + 0.86f, 0.07f});
    useMaterial(b, m.iron);
    addBox(b, Vec3{0.16f, base + 0.26f, -0.09f}, Vec3{0.30f, base + 0.40f, 0.09f});
    // Wheels facing the viewer.
    useMaterial(b, m.teamDark);
    for (float x : {-0.27f, 0.27f})
        for (float z : {-0.24f, 0.24f})
            placed(b, combine(at(x, base + 0.12f, z), turnX(90.0f)),
                   [&] { addFrustum(b, 8, 0.12f, -0.03f, 0.12f, 0.03f, 22.5f, true); });
    // A pennant in the team colour.
    useMaterial(b, m.wood);
    addStrut(b, Vec3{0.36f, base + 0.18f, -0.17f}, Vec3{0.36f, base + 0.95f, -0.17f}, 0.015f);
    useMaterial(b, m.team);
    addCardTriangle(b, Vec3{0.36f, base + 0.95f, -0.17f}, Vec3{0.36f, base + 0.72f, -0.17f},
                    Vec3{0.70f, base + 0.84f, -0.17f});
    char title[64];
    std::snprintf(title, sizeof title, "catapult (%s)", team.name);
    return finish(fileName, title, b);
}

ModelAsset makeShip(const char* fileName, const Team& team) {
    MeshBuilder b;
    const UnitMaterials m = unitMaterials(b, team);
    const int hull = addColourMaterial(b, "hull", Colour{0.50f, 0.32f, 0.17f});
    const int deck = addColourMaterial(b, "deck", Colour{0.70f, 0.54f, 0.34f});
    const int sail = addColourMaterial(b, "canvas", Colour{0.96f, 0.94f, 0.88f});
    // Hull: the deck outline at y = 0.22 narrowing to the keel at y = -0.12;
    // bow toward +z (the viewer), so the square sail faces the camera.
    const float deckOutline[8][2] = {{0.00f, 0.78f},   {0.22f, 0.40f}, {0.26f, -0.10f},
                                     {0.20f, -0.55f},  {0.0f, -0.62f}, {-0.20f, -0.55f},
                                     {-0.26f, -0.10f}, {-0.22f, 0.40f}};
    const float top = 0.22f, keel = -0.12f;
    const Vec3 inside{0, 0.05f, 0};
    useMaterial(b, hull);
    for (int i = 0; i < 8; ++i) {
        const int j = (i + 1) % 8;
        const Vec3 a{deckOutline[i][0], top, deckOutline[i][1]};
        const Vec3 d{deckOutline[j][0], top, deckOutline[j][1]};
        const Vec3 aLow{a.x * 0.45f, keel, a.z * 0.8f}, dLow{d.x * 0.45f, keel, d.z * 0.8f};
        addQuadAwayFrom(b, a, d, dLow, aLow, inside);
    }
    useMaterial(b, m.team);
    // A team-coloured strake along the gunwale.
    for (int i = 0; i < 8; ++i) {
        const int j = (i + 1) % 8;
        const Vec3 a{deckOutline[i][0] * 1.02f, top + 0.005f, deckOutline[i][1] * 1.02f};
        const Vec3 d{deckOutline[j][0] * 1.02f, top + 0.005f, deckOutline[j][1] * 1.02f};
        const Vec3 down{0, -0.06f, 0};
        addQuadAwayFrom(b, a, d, d + down, a + down, inside);
    }
    useMaterial(b, deck);
    for (int i = 1; i + 1 < 8; ++i)
        addTriangleAwayFrom(b, Vec3{deckOutline[0][0], top, deckOutline[0][1]},
                            Vec3{deckOutline[i][0], top, deckOutline[i][1]},
                            Vec3{deckOutline[i + 1][0], top, deckOutline[i + 1][1]},
                            Vec3{0, -1, 0});
    // Raised stern castle.
    addBox(b, Vec3{-0.16f, top, -0.55f}, Vec3{0.16f, top + 0.12f, -0.30f});
    // Mast, yard and a square sail with a stripe, bellied toward the bow.
    useMaterial(b, m.wood);
    addStrut(b, Vec3{0, top, -0.02f}, Vec3{0, 1.30f, -0.02f}, 0.03f);
    addStrut(b, Vec3{-0.42f, 1.15f, 0.0f}, Vec3{0.42f, 1.15f, 0.0f}, 0.02f);
    const float yTop = 1.13f, yMid = 0.80f, yLow = 0.45f;
    const float zEdge = 0.02f, zBelly = 0.14f;
    auto sailBand = [&](float y0, float y1, float z0, float z1) {
        addCard(b, Vec3{-0.40f, y0, z0}, Vec3{0.0f, y0, z0 + 0.05f}, Vec3{0.0f, y1, z1 + 0.05f},
                Vec3{-0.40f, y1, z1});
        addCard(b, Vec3{0.0f, y0, z0 + 0.05f}, Vec3{0.40f, y0, z0}, Vec3{0.40f, y1, z1},
                Vec3{0.0f, y1, z1 + 0.05f});
    };
    useMaterial(b, sail);
    sailBand(yTop, yMid + 0.1f, zEdge, zBelly);
    useMaterial(b, m.team);
    sailBand(yMid + 0.1f, yMid - 0.1f, zBelly, zBelly);
    useMaterial(b, sail);
    sailBand(yMid - 0.1f, yLow, zBelly, zEdge + 0.04f);
    // Pennant at the masthead.
    useMaterial(b, m.team);
    addCardTriangle(b, Vec3{0, 1.30f, -0.02f}, Vec3{0, 1.20f, -0.02f}, Vec3{0.30f, 1.25f, -0.02f});
    char title[64];
    std::snprintf(title, sizeof title, "ship (%s)", team.name);
    return finish(fileName, title, b);
}

ModelAsset makeBannerBearer(const char* fileName, const Team& team) {
    MeshBuilder b;
    const UnitMaterials m = unitMaterials(b, team);
    stand(b, m, 0.32f);
    figure(b, m, Headgear::cap);
    useMaterial(b, m.wood);
    addStrut(b, Vec3{0.24f, 0.08f, 0.02f}, Vec3{0.24f, 1.55f, 0.02f}, 0.022f);
    useMaterial(b, m.trim);
    placed(b, at(0.24f, 1.55f, 0.02f), [&] { addFrustum(b, 6, 0.04f, 0.0f, 0.0f, 0.08f); });
    // A big banner facing the viewer, with an emblem on each face.
    useMaterial(b, m.team);
    const float z = 0.02f;
    addCard(b, Vec3{0.26f, 1.50f, z}, Vec3{0.80f, 1.50f, z}, Vec3{0.80f, 1.06f, z},
            Vec3{0.26f, 1.06f, z});
    addCardTriangle(b, Vec3{0.26f, 1.06f, z}, Vec3{0.53f, 1.06f, z}, Vec3{0.26f, 0.96f, z});
    addCardTriangle(b, Vec3{0.53f, 1.06f, z}, Vec3{0.80f, 1.06f, z}, Vec3{0.80f, 0.96f, z});
    useMaterial(b, m.trim);
    for (float face : {0.012f, -0.012f}) {
        const Vec3 c{0.53f, 1.28f, z + face};
        addCard(b, c + Vec3{0, 0.14f, 0}, c + Vec3{0.12f, 0, 0}, c + Vec3{0, -0.14f, 0},
                c + Vec3{-0.12f, 0, 0});
    }
    char title[64];
    std::snprintf(title, sizeof title, "banner bearer (%s)", team.name);
    return finish(fileName, title, b);
}

} // namespace

void hexTileCorners(float corners[6][2]) {
    // The cell of the grid: corners where three tiles meet. Rows lie 1.5
    // apart along x and tiles 1.74 apart along z.
    const float h = halfColumnStep;
    const float far = (rowStep * rowStep + h * h) / (2 * rowStep);  // about 1.002
    const float near = (rowStep * rowStep - h * h) / (2 * rowStep); // about 0.498
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

std::vector<ModelAsset> makeObjectModels() {
    std::vector<ModelAsset> out;
    out.push_back(makePavedRoad());
    out.push_back(makeBridge());
    out.push_back(makeConifers());
    out.push_back(makeBroadleaves());
    out.push_back(makeRocks());
    out.push_back(makeHouses());
    out.push_back(makeTower());
    out.push_back(makeCastle());
    out.push_back(makeField());
    out.push_back(makeWindmill());
    out.push_back(makePalisade());
    return out;
}

std::vector<ModelAsset> makeUnitModels() {
    using Maker = ModelAsset (*)(const char*, const Team&);
    const Maker makers[] = {makeSpearman, makeArcher, makeKnight,
                            makeCatapult, makeShip,   makeBannerBearer};
    std::vector<ModelAsset> out;
    int number = 0;
    for (const Team& team : teams)
        for (Maker make : makers) {
            char name[32];
            std::snprintf(name, sizeof name, "guy%04d.ms3d", number++);
            out.push_back(make(name, team));
        }
    return out;
}
