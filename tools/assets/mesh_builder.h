#pragma once
// Building low-poly MS3D models from simple solids: boxes, prisms, cones,
// rough spheres and flat cards, each in the current placement and material.
// Every face gets a flat normal and is wound counter-clockwise seen from
// outside, so back-face culling keeps the outer side.

#include "ms3d_writer.h"

#include <cstdint>
#include <string>
#include <vector>

struct Vec3 {
    float x = 0, y = 0, z = 0;
};

Vec3 operator+(Vec3 a, Vec3 b);
Vec3 operator-(Vec3 a, Vec3 b);
Vec3 operator*(Vec3 a, float k);
Vec3 cross(Vec3 a, Vec3 b);
float dot(Vec3 a, Vec3 b);
Vec3 normalised(Vec3 a);

// An affine placement: columns of `axis` are the images of x, y and z.
struct Placement {
    Vec3 axis[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    Vec3 origin;
};

Vec3 applyPlacement(const Placement& p, Vec3 v);
// `outer` applied after `inner`.
Placement combine(const Placement& outer, const Placement& inner);
Placement translation(Vec3 offset);
// Turn about the y axis by `degrees`, counter-clockwise seen from above.
Placement turnY(float degrees);
Placement turnX(float degrees);
Placement turnZ(float degrees);
Placement scaling(float sx, float sy, float sz);

struct Colour {
    float r = 1, g = 1, b = 1;
};

struct MeshBuilder {
    Ms3dFile file;
    Placement placement; // applied to everything added
    int material = -1;   // current material; -1 none
    // Group of each material, created when the material is first used.
    std::vector<int> groupOfMaterial;
    // Index of a vertex by its exact position, so shared corners are written once.
    std::vector<std::pair<Vec3, uint16_t>> vertexIndex;
};

// A lit colour: ambient and diffuse chosen so that a face turned to the light
// shows about `colour`, one turned away keeps a good part of it.
int addColourMaterial(MeshBuilder& b, const std::string& name, Colour colour);
// A colour that also glows, for markers that must stay bright in any light.
int addGlowMaterial(MeshBuilder& b, const std::string& name, Colour colour, float glow);
// A textured material (white, so the texture shows its own colours).
int addTexturedMaterial(MeshBuilder& b, const std::string& name, const std::string& textureName);
void useMaterial(MeshBuilder& b, int material);

// One triangle as given (counter-clockwise from the front), flat normal,
// with texture coordinates s and GL t (stored flipped in the file).
void addTriangle(MeshBuilder& b, Vec3 p0, Vec3 p1, Vec3 p2);
void addTexturedTriangle(MeshBuilder& b, Vec3 p0, Vec3 p1, Vec3 p2, const float s[3],
                         const float t[3]);
// A triangle turned so that its front faces away from `inside`.
void addTriangleAwayFrom(MeshBuilder& b, Vec3 p0, Vec3 p1, Vec3 p2, Vec3 inside);
// A quad p0..p3 (in order around it), front away from `inside`.
void addQuadAwayFrom(MeshBuilder& b, Vec3 p0, Vec3 p1, Vec3 p2, Vec3 p3, Vec3 inside);
// A flat card seen from both sides (flags, sails, leaves).
void addCard(MeshBuilder& b, Vec3 p0, Vec3 p1, Vec3 p2, Vec3 p3);
void addCardTriangle(MeshBuilder& b, Vec3 p0, Vec3 p1, Vec3 p2);

// Axis-aligned box (in the current placement). `bottom` false leaves out the
// underside, which nothing ever shows for things standing on the ground.
void addBox(MeshBuilder& b, Vec3 lo, Vec3 hi, bool bottom = false);
// A prism or frustum about the y axis: `sides` corners, radius r0 at y0 and
// r1 at y1 (r1 = 0 gives a cone), the first corner at `startDegrees` from +x.
// The top is closed unless `topCap` is false (for one hidden under a roof).
void addFrustum(MeshBuilder& b, int sides, float r0, float y0, float r1, float y1,
                float startDegrees = 0, bool bottomCap = false, bool topCap = true);
// A frustum along an arbitrary segment from `from` to `to`.
void addStrut(MeshBuilder& b, Vec3 from, Vec3 to, float radius, int sides = 4);
// A rough ball: an icosahedron with radii rx, ry, rz, each corner pushed in or
// out by up to `jitter` of its radius (deterministic from `seed`).
void addBlob(MeshBuilder& b, Vec3 centre, float rx, float ry, float rz, float jitter,
             uint32_t seed);
