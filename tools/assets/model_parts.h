#pragma once
// Pieces shared by the model makers of the default data set: naming a
// finished model, placing parts, and the wood that objects and units share.

#include "assets/asset_models.h"
#include "assets/mesh_builder.h"

inline ModelAsset finish(const char* fileName, const char* title, MeshBuilder& b) {
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

inline Placement at(float x, float y, float z) {
    return translation(Vec3{x, y, z});
}

const Colour wood{0.55f, 0.36f, 0.18f};
