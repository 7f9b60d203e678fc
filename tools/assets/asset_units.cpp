#include "assets/asset_models.h"

#include "assets/model_parts.h"

#include <cstdio>

// The numbered units: every kind of unit once for each team.

namespace {

const Colour skin{0.95f, 0.76f, 0.60f};
const Colour iron{0.62f, 0.64f, 0.68f};

Colour shade(Colour c, float k) {
    return Colour{c.r * k, c.g * k, c.b * k};
}

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

// A unit's title names its kind and its team, e.g. "archer (red)".
ModelAsset finishUnit(const char* fileName, const char* kind, const Team& team, MeshBuilder& b) {
    char title[64];
    std::snprintf(title, sizeof title, "%s (%s)", kind, team.name);
    return finish(fileName, title, b);
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
    return finishUnit(fileName, "spearman", team, b);
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
    return finishUnit(fileName, "archer", team, b);
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
    return finishUnit(fileName, "knight", team, b);
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
    return finishUnit(fileName, "catapult", team, b);
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
    return finishUnit(fileName, "ship", team, b);
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
    return finishUnit(fileName, "banner bearer", team, b);
}

} // namespace

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
