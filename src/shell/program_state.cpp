#include "shell/program_state.h"

#include "map/map_file.h"
#include "map/scene.h"

#include <cstdio>
#include <cstring>
#include <sys/stat.h>

std::atomic<int32_t> quitRequested{0};
KeyState keyState;
KeyEventQueue keyQueue;
SharedSceneState sceneState;
AssetSet assetSet;
MapRecovery mapRecovery;

void editorTick() {
    applyKeyTransitions(keyQueue, keyState);
    lockedEditorTick(sceneState, keyState, assetSet.objectCount, assetSet.unitCount, quitRequested);
}

bool saveMapFile() {
    std::lock_guard<std::mutex> lock(sceneState.mutex);
    return saveMapTo(sceneState.state.map, mapFilePath);
}

void startRecoveryCopy() {
    // No more open than the map; a missing map gives what a new one would get.
    struct stat info;
    const int mode =
        ::stat(mapFilePath, &info) == 0 ? static_cast<int>((info.st_mode & 0777) | 0600) : -1;
    startMapRecovery(mapRecovery, sceneState, mapRecoveryPath, mode);
}

bool settleRecoveryCopy(bool saved) {
    HexMap map;
    {
        std::lock_guard<std::mutex> lock(sceneState.mutex);
        map = sceneState.state.map;
    }
    return finishMapRecovery(mapRecovery, map, saved);
}

MapLoadState mapLoadState() {
    std::lock_guard<std::mutex> lock(sceneState.mutex);
    return sceneState.state.map.loadState;
}

int initScene() {
    const int result = initSceneState(sceneState, assetSet, mapFilePath);
    int loadError = 0;
    {
        std::lock_guard<std::mutex> lock(sceneState.mutex);
        if (sceneState.state.map.loadState == MapLoadState::unreadable)
            loadError = sceneState.state.map.loadError;
    }
    // Said once, at start-up: the teardown then only reports the refused save.
    if (loadError != 0)
        std::fprintf(stderr, "%s: %s; edits will not be saved\n", mapFilePath,
                     std::strerror(loadError));
    return result;
}

int drawScene() {
    // Copied under the tick's lock, so the frame shows whole ticks only and
    // the bob and heights used for a translation and its undoing agree.
    static SceneState snapshot;
    copySceneSnapshot(sceneState, snapshot);
    return drawSceneFrom(snapshot, assetSet);
}
