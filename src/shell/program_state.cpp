#include "shell/program_state.h"

#include "map/map_file.h"

std::atomic<int32_t> quitRequested{0};
KeyState keyState;
SharedSceneState sceneState;
int16_t loadedObjectCount = 0;
int16_t loadedUnitCount = 0;

void editorTick() {
    lockedEditorTick(sceneState, keyState, loadedObjectCount, loadedUnitCount, quitRequested);
}

void loadMapFile() {
    std::lock_guard<std::mutex> lock(sceneState.mutex);
    loadMapFile(sceneState.state.map, mapFilePath);
}

bool saveMapFile() {
    std::lock_guard<std::mutex> lock(sceneState.mutex);
    return saveMapFile(sceneState.state.map, mapFilePath);
}
