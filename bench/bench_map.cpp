// Costs of the editor's hot paths: the 1 ms tick, the per-frame snapshot,
// and the map file's load and save.

#include "map/editor_tick.h"
#include "map/map_file.h"
#include "map/map_recovery.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

void BM_EditorTickIdle(benchmark::State& state) {
    KeyState keys;
    SceneState s;
    std::atomic<int32_t> quit{0};
    for (auto _ : state) {
        runEditorTick(keys, s.editor, s.camera, s.bob, s.map, 8, 6, quit);
        benchmark::DoNotOptimize(s.bob.offset);
    }
}
BENCHMARK(BM_EditorTickIdle);

void BM_EditorTickKeysHeld(benchmark::State& state) {
    KeyState keys;
    for (int code : {vkRight, vkDown, vkPrior, vkAdd, vkScroll, vkW, vkA})
        setKeyHeld(keys, code, true);
    SceneState s;
    std::atomic<int32_t> quit{0};
    for (auto _ : state) {
        runEditorTick(keys, s.editor, s.camera, s.bob, s.map, 8, 6, quit);
        benchmark::DoNotOptimize(s.camera.panX);
    }
}
BENCHMARK(BM_EditorTickKeysHeld);

void BM_LockedEditorTick(benchmark::State& state) {
    KeyState keys;
    SharedSceneState shared;
    std::atomic<int32_t> quit{0};
    for (auto _ : state)
        lockedEditorTick(shared, keys, 8, 6, quit);
}
BENCHMARK(BM_LockedEditorTick);

void BM_SceneSnapshot(benchmark::State& state) {
    SharedSceneState shared;
    SceneState snapshot;
    for (auto _ : state) {
        copySceneSnapshot(shared, snapshot);
        benchmark::DoNotOptimize(snapshot.map.height.cell[7][5]);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(sizeof(SceneState)));
}
BENCHMARK(BM_SceneSnapshot)->Unit(benchmark::kMicrosecond);

// What the recovery writer does five times a second while nothing changes:
// the map copied under the scene lock, encoded and compared. Only the copy
// holds the tick and the frame up.
void BM_RecoveryLook(benchmark::State& state) {
    SharedSceneState shared;
    MapRecovery recovery;
    prepareMapRecovery(recovery, shared.state.map, "unused.recovery", -1);
    for (auto _ : state) {
        HexMap map;
        {
            std::lock_guard<std::mutex> lock(shared.mutex);
            map = shared.state.map;
        }
        updateMapRecovery(recovery, map);
    }
}
BENCHMARK(BM_RecoveryLook)->Unit(benchmark::kMicrosecond);

std::string benchMapPath() {
    const auto dir = std::filesystem::temp_directory_path() / "quillmark-bench";
    std::filesystem::create_directories(dir);
    return (dir / "quillmark.map").string();
}

void BM_MapLoad(benchmark::State& state) {
    const std::string path = benchMapPath();
    HexMap map;
    map.loadState = MapLoadState::loaded;
    saveMapTo(map, path);
    for (auto _ : state) {
        HexMap loaded;
        loadMapFrom(loaded, path);
        benchmark::DoNotOptimize(loaded.height.cell[0][0]);
    }
}
BENCHMARK(BM_MapLoad)->Unit(benchmark::kMicrosecond);

// The save is atomic and durable (fsync of the file and its folder), so its
// cost is mostly the disk's.
void BM_MapSave(benchmark::State& state) {
    const std::string path = benchMapPath();
    HexMap map;
    map.loadState = MapLoadState::loaded;
    for (auto _ : state) {
        if (!saveMapTo(map, path))
            state.SkipWithError("save failed");
    }
}
BENCHMARK(BM_MapSave)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
