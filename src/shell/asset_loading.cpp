#include "shell/asset_loading.h"

#include "shell/program_state.h"
#include "shell/shell_hooks.h"

#include <string>

namespace {

bool loadFixedModel(std::unique_ptr<MeshModel>& slot, const char* path, const char* textureName) {
    slot = std::make_unique<Ms3dModel>();
    return slot->loadModel(path, textureName);
}

// Numbered files are looked for from 0 up; the first gap ends the series,
// and files beyond it are never opened.
bool loadSeries(std::unique_ptr<MeshModel> (&models)[maxNumberedModels], int16_t& count,
                const char* pattern) {
    count = 0;
    for (auto& model : models)
        model = std::make_unique<Ms3dModel>();
    for (int i = 0; i < maxNumberedModels; ++i) {
        const std::string name = "data/" + numberedModelName(pattern, i);
        if (!shellHooks.probeModelFile(name.c_str()))
            break;
        ++count; // counts the model being loaded, also when it then fails
        if (!models[i]->loadModel(name.c_str(), nullptr))
            return false;
    }
    return true;
}

} // namespace

bool loadAssetSetInto(AssetSet& set) {
    static const char* const landTextures[landHexCount] = {
        "land0.bmp", "land1.bmp", "land2.bmp", "land3.bmp", "land4.bmp", "land5.bmp", "land6.bmp"};
    for (int i = 0; i < landHexCount; ++i)
        if (!loadFixedModel(set.landHex[i], "data/Hexagon.ms3d", landTextures[i]))
            return false;
    if (!loadFixedModel(set.waterHex, "data/Hexagon.ms3d", "water.bmp") ||
        !loadFixedModel(set.highlightHex, "data/HighlightHex.ms3d", nullptr) ||
        !loadFixedModel(set.arrow, "data/Arrow.ms3d", nullptr) ||
        !loadFixedModel(set.arrowEdit, "data/Arrow_edit.ms3d", nullptr))
        return false;
    if (!loadSeries(set.objectModels, set.objectCount, objectModelPattern))
        return false;
    return loadSeries(set.unitModels, set.unitCount, unitModelPattern);
}

bool loadAssetSet() {
    return loadAssetSetInto(assetSet);
}
