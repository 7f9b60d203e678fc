// The tick runs on the timer thread while the renderer copies snapshots on
// the main thread: every snapshot must show whole actions only.

#include "map/editor_tick.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <random>
#include <thread>

TEST(SceneConcurrency, SnapshotsNeverShowHalfAnAction) {
    SharedSceneState shared;
    shared.state.map.loadState = MapLoadState::loaded;
    KeyState keys;
    std::atomic<int32_t> quit{0};
    std::atomic<bool> stop{false};
    std::atomic<long> ticks{0};

    // Keys change all the time; the tick runs flat out.
    std::thread timer([&] {
        std::mt19937 random(42);
        const int keyPool[] = {vkRight, vkLeft, vkUp, vkDown, vkScroll,
                               vkW,     vkA,    vkZ,  vkE,    vkPrior};
        while (!stop.load()) {
            const int key = keyPool[random() % std::size(keyPool)];
            setKeyHeld(keys, key, random() % 2 == 0);
            lockedEditorTick(shared, keys, 3, 2, quit);
            ticks.fetch_add(1);
        }
    });

    SceneState snapshot;
    int snapshots = 0;
    int moved = 0;
    int lastRow = -1, lastColumn = -1;
    // Run until the tick has done plenty of work and the snapshots have seen
    // the cursor move often; a loaded machine only makes this take longer.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while ((snapshots < 200000 || ticks.load() < 200000 || moved < 100) &&
           std::chrono::steady_clock::now() < deadline) {
        copySceneSnapshot(shared, snapshot);
        ++snapshots;
        const EditorState& e = snapshot.editor;
        ASSERT_GE(e.cursorRow, 0);
        ASSERT_LE(e.cursorRow, 14);
        ASSERT_GE(e.cursorColumn, 0);
        ASSERT_LE(e.cursorColumn, 10);
        // The tick keeps the target by adding steps, so its float rounding
        // drifts with every move (0.01 after some ten thousand moves, as
        // this run can make); a half-done row step is 0.87 off.
        ASSERT_NEAR(snapshot.camera.targetX, -hexCentreX(e.cursorRow), 0.2f);
        ASSERT_NEAR(snapshot.camera.targetZ, -hexCentreZ(e.cursorRow, e.cursorColumn), 0.2f);
        ASSERT_GE(snapshot.bob.offset, 0.0f);
        if (e.cursorRow != lastRow || e.cursorColumn != lastColumn)
            ++moved;
        lastRow = e.cursorRow;
        lastColumn = e.cursorColumn;
    }
    stop.store(true);
    timer.join();
    EXPECT_GE(moved, 100) << "the cursor hardly moved; the test proved little";
}
