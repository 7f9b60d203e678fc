#pragma once
// The fixed collection of models the scene is drawn from, by role. Filled
// once at start-up and unchanged afterwards; the models live until the
// process ends.

#include "model/mesh_model.h"

#include <cstdint>
#include <memory>

constexpr int landHexCount = 7;
constexpr int maxNumberedModels = 30;

struct AssetSet {
    std::unique_ptr<MeshModel> landHex[landHexCount]; // chosen by a hex's height
    std::unique_ptr<MeshModel> waterHex;
    std::unique_ptr<MeshModel> highlightHex;
    std::unique_ptr<MeshModel> arrow;     // cursor arrow in view mode
    std::unique_ptr<MeshModel> arrowEdit; // cursor arrow in edit mode
    // All 30 entries exist once the set is loaded; only the first
    // objectCount (unitCount) were loaded from files.
    std::unique_ptr<MeshModel> objectModels[maxNumberedModels];
    int16_t objectCount = 0;
    std::unique_ptr<MeshModel> unitModels[maxNumberedModels];
    int16_t unitCount = 0;
};
