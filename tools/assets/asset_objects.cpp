#include "assets/asset_models.h"

#include "assets/asset_textures.h"
#include "assets/model_parts.h"
#include "map/hex_grid.h"

#include <cmath>

// The numbered objects: things that stand on a tile.

namespace {

Placement atTurned(float x, float y, float z, float degrees) {
    return combine(at(x, y, z), turnY(degrees));
}

const Colour darkWood{0.38f, 0.24f, 0.12f};
const Colour stone{0.66f, 0.64f, 0.60f};
const Colour darkStone{0.45f, 0.44f, 0.42f};
const Colour roofRed{0.72f, 0.26f, 0.16f};
const Colour slate{0.32f, 0.36f, 0.46f};
const Colour plaster{0.93f, 0.88f, 0.74f};
const Colour window{0.16f, 0.18f, 0.24f};
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
    const float length = hexColumnStep, pitch = length / planks;
    for (int i = 0; i < planks; ++i) {
        const float z0 = -hexHalfColumnStep + pitch * static_cast<float>(i) + 0.015f;
        const float wobble = (i % 3 == 1) ? 0.03f : 0.0f;
        useMaterial(b, i % 2 ? plankB : plankA);
        addBox(b, Vec3{-half - wobble, deckBottom, z0},
               Vec3{half + 0.03f - wobble, deckTop, z0 + pitch - 0.03f});
    }
    useMaterial(b, beam);
    for (float x : {-0.33f, 0.33f}) {
        addBox(b, Vec3{x - 0.05f, 0.08f, -hexHalfColumnStep},
               Vec3{x + 0.05f, deckBottom, hexHalfColumnStep}, true);
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

// A wall from a to c on the ground, with one merlon on the middle of its top.
void wallSegment(MeshBuilder& b, Vec3 a, Vec3 c, float height, float thick) {
    const Vec3 along = c - a;
    const float length = std::sqrt(dot(along, along));
    const float degrees = std::atan2(-along.z, along.x) * 180.0f / 3.14159265f;
    placed(b, combine(translation(a), turnY(degrees)), [&] {
        addBox(b, Vec3{0, 0, -thick / 2}, Vec3{length, height, thick / 2});
        const float x = length * 0.5f;
        addBox(b, Vec3{x - 0.08f, height, -thick / 2}, Vec3{x + 0.08f, height + 0.08f, thick / 2});
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
    const float zGate = hexHalfColumnStep * ring + 0.048f;
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

} // namespace

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
