#include "shell/program_state.h"

#include "map/map_file.h"
#include "map/scene.h"

std::atomic<int32_t> quitRequested{0};
KeyState keyState;
SharedSceneState sceneState;
AssetSet assetSet;

void editorTick() {
    lockedEditorTick(sceneState, keyState, assetSet.objectCount, assetSet.unitCount, quitRequested);
}

void loadMapFile() {
    std::lock_guard<std::mutex> lock(sceneState.mutex);
    loadMapFile(sceneState.state.map, mapFilePath);
}

bool saveMapFile() {
    std::lock_guard<std::mutex> lock(sceneState.mutex);
    return saveMapFile(sceneState.state.map, mapFilePath);
}

bool mapLoadStepRan() {
    std::lock_guard<std::mutex> lock(sceneState.mutex);
    return sceneState.state.map.loadStepRan;
}

int initScene() {
    return initScene(sceneState, assetSet, mapFilePath);
}

int drawScene() {
    // Copied under the tick's lock, so the frame shows whole ticks only and
    // the bob and heights used for a translation and its undoing agree.
    static SceneState snapshot;
    copySceneSnapshot(sceneState, snapshot);
    return drawSceneFrom(snapshot, assetSet);
}
