#include "map/editor_tick.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A fresh program state and a way to drive ticks with keys held.
struct TickRig {
    KeyState keys;
    EditorState editor;
    CameraState camera;
    MarkerBob bob;
    HexMap map;
    int16_t objectCount = 0;
    int16_t unitCount = 0;
    std::atomic<int32_t> quit{0};

    void tick(int times = 1) {
        for (int i = 0; i < times; ++i)
            runEditorTick(keys, editor, camera, bob, map, objectCount, unitCount, quit);
    }
    void hold(int code) { setKeyHeld(keys, code, true); }
    void release(int code) { setKeyHeld(keys, code, false); }
    // Key down for one tick, then up for one tick.
    void press(int code, int times = 1) {
        for (int i = 0; i < times; ++i) {
            hold(code);
            tick();
            release(code);
            tick();
        }
    }
    float& cursorCell(MapLayer& layer) { return layer.cell[editor.cursorRow][editor.cursorColumn]; }
    void enterEditMode() {
        press(vkScroll);
        ASSERT_EQ(editor.editMode, 1);
    }
};

float expectedTargetX(const EditorState& e) {
    return -hexCentreX(e.cursorRow);
}
float expectedTargetZ(const EditorState& e) {
    return -hexCentreZ(e.cursorRow, e.cursorColumn);
}

} // namespace

TEST(EditorTick, InitialStateLooksAtTheCursorHex) {
    EditorState editor;
    CameraState camera;
    EXPECT_FLOAT_EQ(camera.targetX, expectedTargetX(editor));
    EXPECT_FLOAT_EQ(camera.targetZ, expectedTargetZ(editor));
    EXPECT_EQ(camera.panX, camera.targetX);
    EXPECT_EQ(camera.panZ, camera.targetZ);
}

TEST(EditorTick, PitchAndDistanceMoveEveryTickAndClamp) {
    TickRig rig;
    rig.hold(vkPrior);
    rig.tick(1000);
    EXPECT_NEAR(rig.camera.pitch, 80.0f, 0.01f);
    rig.tick(499);
    EXPECT_LT(rig.camera.pitch, 90.0f);
    rig.tick(10);
    EXPECT_EQ(rig.camera.pitch, 90.0f);
    rig.tick(1000);
    EXPECT_EQ(rig.camera.pitch, 90.0f);
    rig.release(vkPrior);

    rig.hold(vkNext);
    rig.tick(6000);
    EXPECT_EQ(rig.camera.pitch, 0.0f);
    rig.release(vkNext);

    rig.hold(vkAdd);
    rig.tick(1000);
    EXPECT_NEAR(rig.camera.distance, 15.0f, 0.01f);
    rig.tick(1000);
    EXPECT_EQ(rig.camera.distance, 10.0f);
    rig.release(vkAdd);
    rig.hold(vkSubtract);
    rig.tick(10000);
    EXPECT_EQ(rig.camera.distance, 100.0f);
    rig.release(vkSubtract);

    // Both of a pair held: they cancel within the same tick.
    rig.hold(vkPrior);
    rig.hold(vkNext);
    rig.camera.pitch = 45.0f;
    rig.tick(100);
    EXPECT_NEAR(rig.camera.pitch, 45.0f, 1e-3f);
}

TEST(EditorTick, ArrowsMoveTheCursorAndKeepTheTargetOnItsHex) {
    TickRig rig;
    rig.press(vkRight);
    EXPECT_EQ(rig.editor.cursorRow, 8);
    EXPECT_NEAR(rig.camera.targetX, -13.5f, 1e-5f);
    EXPECT_NEAR(rig.camera.targetZ, -11.31f, 1e-5f);
    rig.press(vkRight);
    EXPECT_EQ(rig.editor.cursorRow, 9);
    EXPECT_NEAR(rig.camera.targetX, -15.0f, 1e-5f);
    EXPECT_NEAR(rig.camera.targetZ, -10.44f, 1e-5f);

    TickRig down;
    down.press(vkDown);
    EXPECT_EQ(down.editor.cursorColumn, 6);
    EXPECT_NEAR(down.camera.targetX, -12.0f, 1e-5f);
    EXPECT_NEAR(down.camera.targetZ, -12.18f, 1e-5f);

    // A walk over the whole field: clamped at every edge, the target always
    // the negated centre of the cursor hex.
    TickRig walk;
    const int route[] = {vkLeft, vkLeft, vkLeft, vkLeft, vkLeft, vkLeft, vkLeft, vkLeft, vkUp,
                         vkUp,   vkUp,   vkUp,   vkUp,   vkUp,   vkUp,   vkDown, vkRight};
    for (int key : route) {
        walk.press(key);
        ASSERT_NEAR(walk.camera.targetX, expectedTargetX(walk.editor), 1e-4f);
        ASSERT_NEAR(walk.camera.targetZ, expectedTargetZ(walk.editor), 1e-4f);
    }
    EXPECT_EQ(walk.editor.cursorRow, 1);
    EXPECT_EQ(walk.editor.cursorColumn, 1);
    for (int i = 0; i < 20; ++i) {
        walk.press(vkRight);
        walk.press(vkDown);
    }
    EXPECT_EQ(walk.editor.cursorRow, 14);
    EXPECT_EQ(walk.editor.cursorColumn, 10);
    EXPECT_NEAR(walk.camera.targetX, expectedTargetX(walk.editor), 1e-4f);
    EXPECT_NEAR(walk.camera.targetZ, expectedTargetZ(walk.editor), 1e-4f);
}

TEST(EditorTick, HeldArrowRepeatsEvery250TicksAlsoAtTheEdge) {
    TickRig rig;
    rig.hold(vkDown);
    rig.tick();
    EXPECT_EQ(rig.editor.cursorColumn, 6);
    rig.tick(249);
    EXPECT_EQ(rig.editor.cursorColumn, 6);
    rig.tick();
    EXPECT_EQ(rig.editor.cursorColumn, 7);
    rig.tick(250);
    EXPECT_EQ(rig.editor.cursorColumn, 8);

    // Released for a single tick re-arms at once.
    rig.release(vkDown);
    rig.tick();
    rig.hold(vkDown);
    rig.tick();
    EXPECT_EQ(rig.editor.cursorColumn, 9);
    rig.release(vkDown);
    rig.tick();

    // At the edge the key still latches and counts: quiet for 250 ticks.
    TickRig edge;
    edge.editor.cursorRow = 14;
    edge.camera.targetX = edge.camera.panX = -hexCentreX(14);
    edge.camera.targetZ = edge.camera.panZ = -hexCentreZ(14, 5);
    const CameraState before = edge.camera;
    edge.hold(vkRight);
    edge.tick();
    EXPECT_EQ(edge.editor.cursorRow, 14);
    EXPECT_EQ(edge.editor.keyLatch[latchRight], 2);
    EXPECT_EQ(edge.camera.targetX, before.targetX);
    EXPECT_EQ(edge.camera.targetZ, before.targetZ);
    // Left pressed while Right's counter runs moves at once.
    edge.hold(vkLeft);
    edge.tick();
    EXPECT_EQ(edge.editor.cursorRow, 13);
    edge.release(vkLeft);
    edge.tick(248);
    EXPECT_EQ(edge.editor.keyLatch[latchRight], 0) << "counter passed 250 and re-armed";
}

TEST(EditorTick, RightAndLeftTogetherCancelInOneTick) {
    TickRig rig;
    rig.hold(vkRight);
    rig.hold(vkLeft);
    rig.tick();
    EXPECT_EQ(rig.editor.cursorRow, 7);
    EXPECT_NEAR(rig.camera.targetX, -12.0f, 1e-5f);
    EXPECT_NEAR(rig.camera.targetZ, -10.44f, 1e-5f);
    EXPECT_EQ(rig.editor.keyLatch[latchRight], 2);
    EXPECT_EQ(rig.editor.keyLatch[latchLeft], 2);
}

TEST(EditorTick, EditKeysWorkOnlyInEditModeOncePerPress) {
    TickRig rig;
    rig.objectCount = 3;
    rig.unitCount = 2;
    for (int key : {vkE, vkR, vkW, vkA, vkZ})
        rig.press(key);
    for (int layer = 0; layer < mapLayerCount; ++layer)
        EXPECT_EQ(rig.cursorCell(mapLayer(rig.map, layer)), 0.0f) << mapLayerName(layer);

    rig.enterEditMode();
    // Held for many ticks still counts once.
    rig.hold(vkW);
    rig.tick(500);
    rig.release(vkW);
    rig.tick();
    EXPECT_EQ(rig.cursorCell(rig.map.water), 1.0f);

    rig.press(vkW, 6);
    EXPECT_EQ(rig.cursorCell(rig.map.water), 7.0f);
    rig.press(vkW);
    EXPECT_EQ(rig.cursorCell(rig.map.water), 0.0f);

    const float heights[] = {0.5f, 1.0f, 1.5f, 2.0f, 2.5f, 3.0f, 3.0f};
    for (float expected : heights) {
        rig.press(vkA);
        EXPECT_EQ(rig.cursorCell(rig.map.height), expected);
    }
    rig.press(vkZ, 6);
    EXPECT_EQ(rig.cursorCell(rig.map.height), 0.0f);
    rig.press(vkZ);
    EXPECT_EQ(rig.cursorCell(rig.map.height), 0.0f);

    for (float expected : {1.0f, 2.0f, 3.0f, 0.0f, 1.0f}) {
        rig.press(vkE);
        EXPECT_EQ(rig.cursorCell(rig.map.object), expected);
    }
    for (float expected : {1.0f, 2.0f, 0.0f}) {
        rig.press(vkR);
        EXPECT_EQ(rig.cursorCell(rig.map.unit), expected);
    }

    // Only the cursor hex changes.
    int changed = 0;
    for (int layer = 0; layer < mapLayerCount; ++layer)
        for (int r = 0; r < mapRows; ++r)
            for (int c = 0; c < mapColumns; ++c)
                changed += mapLayer(rig.map, layer).cell[r][c] != 0.0f;
    EXPECT_EQ(changed, 1); // the object number left at 1
}

TEST(EditorTick, CountsOfZeroAndOutOfRangeValuesFromTheFile) {
    TickRig rig;
    rig.enterEditMode();
    rig.press(vkE);
    rig.press(vkR);
    EXPECT_EQ(rig.cursorCell(rig.map.object), 0.0f);
    EXPECT_EQ(rig.cursorCell(rig.map.unit), 0.0f);

    rig.cursorCell(rig.map.height) = 5.0f;
    rig.press(vkA);
    EXPECT_EQ(rig.cursorCell(rig.map.height), 3.0f);
    rig.cursorCell(rig.map.height) = 5.0f;
    rig.press(vkZ);
    EXPECT_EQ(rig.cursorCell(rig.map.height), 4.5f);
    rig.cursorCell(rig.map.water) = 9.0f;
    rig.press(vkW);
    EXPECT_EQ(rig.cursorCell(rig.map.water), 0.0f);
    rig.cursorCell(rig.map.water) = -1.0f;
    rig.press(vkW);
    EXPECT_EQ(rig.cursorCell(rig.map.water), 0.0f);
    rig.objectCount = 3;
    rig.cursorCell(rig.map.object) = 40.0f;
    rig.press(vkE);
    EXPECT_EQ(rig.cursorCell(rig.map.object), 0.0f);
}

TEST(EditorTick, ScrollLockTogglesOncePerPressAndCountsFromTheNextTick) {
    TickRig rig;
    rig.hold(vkScroll);
    rig.hold(vkW);
    rig.tick();
    EXPECT_EQ(rig.editor.editMode, 1);
    // W was held in the toggling tick, which still ran in view mode.
    EXPECT_EQ(rig.cursorCell(rig.map.water), 0.0f);
    rig.tick(1000);
    EXPECT_EQ(rig.editor.editMode, 1);
    EXPECT_EQ(rig.cursorCell(rig.map.water), 1.0f);
    rig.release(vkW);

    // An edit latch left set when leaving edit mode stays set until a tick in
    // edit mode sees the key released.
    rig.release(vkScroll);
    rig.tick();
    rig.hold(vkA);
    rig.tick();
    EXPECT_EQ(rig.cursorCell(rig.map.height), 0.5f);
    rig.press(vkScroll); // A still held: view mode
    EXPECT_EQ(rig.editor.editMode, 0);
    rig.release(vkA);
    rig.tick();
    EXPECT_EQ(rig.editor.keyLatch[latchA], 1);
    rig.hold(vkA);
    rig.press(vkScroll); // back to edit mode with A held: its latch still blocks
    EXPECT_EQ(rig.editor.editMode, 1);
    rig.tick(10);
    EXPECT_EQ(rig.cursorCell(rig.map.height), 0.5f);
    rig.release(vkA);
    rig.tick();
    rig.press(vkA);
    EXPECT_EQ(rig.cursorCell(rig.map.height), 1.0f);
}

TEST(EditorTick, EscapeSetsTheQuitFlagAndTheTickGoesOn) {
    TickRig rig;
    rig.hold(vkEscape);
    rig.hold(vkDown);
    rig.tick();
    EXPECT_EQ(rig.quit.load(), 1);
    EXPECT_EQ(rig.editor.cursorColumn, 6);
    rig.tick(5);
    EXPECT_EQ(rig.quit.load(), 1);
}

TEST(EditorTick, PanGlidesToTheTargetAndLandsExactly) {
    TickRig rig;
    rig.camera.panX = rig.camera.targetX - 0.005f;
    rig.camera.panZ = rig.camera.targetZ + 0.005f;
    rig.tick();
    EXPECT_EQ(rig.camera.panX, rig.camera.targetX);
    EXPECT_EQ(rig.camera.panZ, rig.camera.targetZ);

    rig.press(vkRight); // two ticks of glide already
    int ticks = 2;
    while (rig.camera.panX != rig.camera.targetX && ticks < 1000) {
        rig.tick();
        ++ticks;
    }
    EXPECT_NEAR(ticks, 200, 1); // 1.5 at 0.0075 per tick, give or take float rounding
    rig.tick(200);
    EXPECT_EQ(rig.camera.panX, rig.camera.targetX);
    EXPECT_EQ(rig.camera.panZ, rig.camera.targetZ);
}

TEST(EditorTick, MarkerHopsAndRestartsEvery801Ticks) {
    TickRig rig;
    float highest = 0.0f;
    int landedAt = -1;
    for (int t = 1; t <= 2000; ++t) {
        rig.tick();
        ASSERT_GE(rig.bob.offset, 0.0f);
        highest = std::max(highest, rig.bob.offset);
        if (rig.bob.offset == 0.0f && landedAt < 0)
            landedAt = t;
    }
    EXPECT_EQ(landedAt, 801);
    EXPECT_NEAR(highest, 0.4f, 0.01f);
}

TEST(EditorTick, KeyCodesOutsideTheTableAreIgnored) {
    KeyState keys;
    setKeyHeld(keys, 300, true);
    setKeyHeld(keys, -1, true);
    setKeyHeld(keys, 256, true);
    for (int code = 0; code < keyStateSize; ++code)
        EXPECT_FALSE(isKeyHeld(keys, code));
    EXPECT_FALSE(isKeyHeld(keys, 300));
}

TEST(EditorTick, EditsRepairValuesTheirStepCannotChange) {
    auto afterPress = [](int key, float start, int16_t objectCount = 0) {
        TickRig rig;
        rig.objectCount = objectCount;
        rig.unitCount = objectCount;
        rig.enterEditMode();
        float* cell = nullptr;
        switch (key) {
        case vkA:
        case vkZ:
            cell = &rig.cursorCell(rig.map.height);
            break;
        case vkW:
            cell = &rig.cursorCell(rig.map.water);
            break;
        case vkE:
            cell = &rig.cursorCell(rig.map.object);
            break;
        default:
            cell = &rig.cursorCell(rig.map.unit);
        }
        *cell = start;
        rig.press(key);
        return *cell;
    };
    EXPECT_EQ(afterPress(vkA, NAN), 0.5f);
    EXPECT_EQ(afterPress(vkZ, NAN), 0.0f);
    EXPECT_EQ(afterPress(vkW, NAN), 1.0f);
    EXPECT_EQ(afterPress(vkE, NAN, 3), 1.0f);
    EXPECT_EQ(afterPress(vkR, NAN, 3), 1.0f);
    EXPECT_EQ(afterPress(vkE, NAN, 0), 0.0f);
    EXPECT_EQ(afterPress(vkR, -NAN, 0), 0.0f);
    EXPECT_EQ(afterPress(vkA, INFINITY), 3.0f);
    EXPECT_EQ(afterPress(vkZ, -INFINITY), 0.0f);
    EXPECT_EQ(afterPress(vkW, INFINITY), 0.0f);
    EXPECT_EQ(afterPress(vkW, 1e30f), 0.0f);
    // Where the step is lost in the float and the rule changes nothing, the
    // edit starts from 0 instead of leaving the hex stuck.
    EXPECT_EQ(afterPress(vkZ, INFINITY), 0.0f);
    EXPECT_EQ(afterPress(vkZ, 1e30f), 0.0f);
    EXPECT_EQ(afterPress(vkE, -INFINITY, 3), 1.0f);
    EXPECT_EQ(afterPress(vkW, -INFINITY), 1.0f);
    EXPECT_EQ(afterPress(vkA, -1e30f), 0.5f);
    EXPECT_EQ(afterPress(vkR, -1e30f, 3), 1.0f);
}

TEST(KeyQueue, PressesWithinOneFrameEachReachATickInOrder) {
    // Two taps of W and then Escape, all handled between two ticks (one slow
    // frame): both taps count, and Escape comes only after the second.
    TickRig rig;
    rig.enterEditMode();
    KeyEventQueue queue;
    for (bool down : {true, false, true, false})
        ASSERT_TRUE(queueKeyTransition(queue, vkW, down));
    ASSERT_TRUE(queueKeyTransition(queue, vkEscape, true));
    float waterWhenQuitSeen = -1.0f;
    for (int tick = 0; tick < 8 && waterWhenQuitSeen < 0.0f; ++tick) {
        applyKeyTransitions(queue, rig.keys);
        rig.tick();
        if (rig.quit.load() != 0)
            waterWhenQuitSeen = rig.cursorCell(rig.map.water);
    }
    EXPECT_EQ(waterWhenQuitSeen, 2.0f);
}

TEST(KeyQueue, AFullQueueRefusesDownsButNeverAnUp) {
    // No tick takes anything (as when the timer could not start).
    KeyEventQueue queue;
    for (int code = 1; code <= 200; ++code)
        ASSERT_TRUE(queueKeyTransition(queue, code, true));
    int taps = 0;
    const int tapped = 230;
    while (queueKeyTransition(queue, tapped, true)) {
        ASSERT_TRUE(queueKeyTransition(queue, tapped, false));
        ++taps;
    }
    EXPECT_GT(taps, 100);
    EXPECT_FALSE(queueKeyTransition(queue, 240, true));
    for (int code = 1; code <= 200; ++code)
        ASSERT_TRUE(queueKeyTransition(queue, code, false)) << "the up of key " << code;

    // Drained, nothing is left held.
    KeyState keys;
    for (int tick = 0; tick < 2 * taps + 4; ++tick)
        applyKeyTransitions(queue, keys);
    for (int code = 0; code < keyStateSize; ++code)
        EXPECT_FALSE(isKeyHeld(keys, code)) << code;
    EXPECT_EQ(queue.head.load(), queue.tail.load());
}
