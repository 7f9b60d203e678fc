#pragma once
// The fixed collection of models the scene is drawn from, by role. Filled
// once at start-up and unchanged afterwards; the models live until the
// process ends.

#include "model/mesh_model.h"

#include <cstdint>
#include <memory>
#include <string>

constexpr int landHexCount = 7;
constexpr int maxNumberedModels = 30;

// The numbered model files in the data folder: object0000.ms3d, guy0000.ms3d...
constexpr const char* objectModelPattern = "object%04d.ms3d";
constexpr const char* unitModelPattern = "guy%04d.ms3d";

// The file name of model `number` of a series.
std::string numberedModelName(const char* pattern, int number);

// Whether a model file exists (opened for binary reading and closed).
bool probeModelFile(const char* path);

// How many models of a numbered series the editor takes from `dataDir`:
// files are looked for from 0 up, the first one missing ends the series, and
// it holds at most maxNumberedModels.
int countNumberedModels(const std::string& dataDir, const char* pattern);

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
