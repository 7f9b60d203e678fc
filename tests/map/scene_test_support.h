#pragma once
// Shared by the scene tests: models of plain shapes built by hand, so each
// test controls every material value and normal it draws with.

#include "model/mesh_model.h"

#include <array>
#include <cmath>
#include <memory>
#include <vector>

using Triangles = std::vector<std::array<float, 3>>;

// One group of the given triangles (three corners each) with one material;
// every normal points up with the given length.
inline std::unique_ptr<MeshModel> shapeModel(const MeshMaterial& material, const Triangles& tris,
                                             float normalLength = 1.0f) {
    auto model = std::make_unique<Ms3dModel>();
    model->materials.push_back(material);
    MeshGroup group;
    group.materialIndex = 0;
    for (size_t i = 0; i + 2 < tris.size(); i += 3) {
        MeshTriangle triangle;
        for (int corner = 0; corner < 3; ++corner) {
            MeshVertex vertex;
            for (int k = 0; k < 3; ++k)
                vertex.position[k] = tris[i + corner][k];
            triangle.vertexIndices[corner] = static_cast<uint32_t>(model->vertices.size());
            triangle.vertexNormals[corner][1] = normalLength;
            model->vertices.push_back(vertex);
        }
        group.triangleIndices.push_back(static_cast<uint32_t>(model->triangles.size()));
        model->triangles.push_back(triangle);
    }
    group.triangleCount = static_cast<int32_t>(group.triangleIndices.size());
    model->groups.push_back(group);
    model->groupCount = 1;
    model->materialCount = 1;
    model->triangleCount = static_cast<int32_t>(model->triangles.size());
    model->vertexCount = static_cast<int32_t>(model->vertices.size());
    return model;
}

// A flat hexagon of the given circumradius at height y, facing up, corners
// along +-x (the tile shape of the grid).
inline Triangles hexagon(float radius, float y) {
    Triangles tris;
    for (int i = 0; i < 6; ++i) {
        const float a0 = static_cast<float>(M_PI) / 3.0f * static_cast<float>(i);
        const float a1 = static_cast<float>(M_PI) / 3.0f * static_cast<float>(i + 1);
        // Counter-clockwise seen from above (+y): front faces survive culling.
        tris.push_back({0.0f, y, 0.0f});
        tris.push_back({radius * std::cos(a0), y, -radius * std::sin(a0)});
        tris.push_back({radius * std::cos(a1), y, -radius * std::sin(a1)});
    }
    return tris;
}
