#include "map/editor_tick.h"

#include "map/hex_grid.h"

#include <cmath>

namespace {

// Fires on the first tick that sees the key held, then not again until a
// tick has seen it released.
bool pressedOnce(const KeyState& keys, int code, int16_t& latch) {
    if (!isKeyHeld(keys, code)) {
        latch = 0;
        return false;
    }
    if (latch != 0)
        return false;
    latch = 1;
    return true;
}

// Moves `pan` toward `target` by one step, landing exactly on it.
void glide(float& pan, float target) {
    constexpr float step = 0.0075f;
    if (pan < target) {
        pan += step;
        if (pan > target)
            pan = target;
    }
    if (pan > target) {
        pan -= step;
        if (pan < target)
            pan = target;
    }
}

// One edit of a hex value: a step, then the key's wrap or clamp. A value
// from the map file that the edit cannot change would leave the hex stuck:
// NaN (all its comparisons are false) and values so large that the step is
// lost (x + step == x, as for -inf or -1e30). Those start from 0, so the hex
// can be repaired; where the wrap or clamp already changes the value, that
// result stands.
template <class Rule> void editValue(float& value, float step, Rule rule) {
    float next = rule(value + step);
    if (std::isnan(value) || (next == value && value + step == value))
        next = rule(0.0f + step);
    value = next;
}

void applyEditKeys(const KeyState& keys, EditorState& editor, HexMap& map, int row, int column,
                   int16_t objectCount, int16_t unitCount) {
    if (row < 0 || row >= mapRows || column < 0 || column >= mapColumns)
        return;
    const auto wrapAbove = [](float limit) {
        return [limit](float v) { return v > limit ? 0.0f : v; };
    };
    if (pressedOnce(keys, vkE, editor.keyLatch[latchE]))
        editValue(map.object.cell[row][column], 1.0f, wrapAbove(objectCount));
    if (pressedOnce(keys, vkR, editor.keyLatch[latchR]))
        editValue(map.unit.cell[row][column], 1.0f, wrapAbove(unitCount));
    if (pressedOnce(keys, vkW, editor.keyLatch[latchW]))
        editValue(map.water.cell[row][column], 1.0f, wrapAbove(7.0f));
    if (pressedOnce(keys, vkA, editor.keyLatch[latchA]))
        editValue(map.height.cell[row][column], 0.5f, [](float v) { return v > 3.0f ? 3.0f : v; });
    if (pressedOnce(keys, vkZ, editor.keyLatch[latchZ]))
        editValue(map.height.cell[row][column], -0.5f, [](float v) { return v < 0.0f ? 0.0f : v; });
}

// A row step moves the hex centre a row step along x and half a column step
// along z, since even rows sit half a column further along z than odd ones.
void followRowStep(CameraState& camera, int newRow, float xStep) {
    camera.targetX += xStep;
    if (newRow % 2 == 0)
        camera.targetZ -= hexHalfColumnStep;
    else
        camera.targetZ += hexHalfColumnStep;
}

// One arrow key: on a press the cursor coordinate moves one `step` (+1 or -1)
// toward `edge`, or is set to `edge` when the move would pass it. True when
// the cursor moved, so the camera follows.
bool arrowMove(const KeyState& keys, int code, int16_t& latch, int16_t& cursor, int step,
               int edge) {
    if (!pressedOnce(keys, code, latch))
        return false;
    const int next = cursor + step;
    if (step > 0 ? next > edge : next < edge) {
        cursor = static_cast<int16_t>(edge);
        return false;
    }
    cursor = static_cast<int16_t>(next);
    return true;
}

} // namespace

void runEditorTick(const KeyState& keys, EditorState& editor, CameraState& camera, MarkerBob& bob,
                   HexMap& map, int16_t objectCount, int16_t unitCount,
                   std::atomic<int32_t>& quitRequested) {
    if (isKeyHeld(keys, vkEscape))
        quitRequested.store(1);

    if (isKeyHeld(keys, vkPrior)) {
        camera.pitch = camera.pitch + 0.02f;
        if (camera.pitch > 90.0f)
            camera.pitch = 90.0f;
    }
    if (isKeyHeld(keys, vkNext)) {
        camera.pitch = camera.pitch - 0.02f;
        if (camera.pitch < 0.0f)
            camera.pitch = 0.0f;
    }
    if (isKeyHeld(keys, vkAdd)) {
        camera.distance = camera.distance - 0.01f;
        if (camera.distance < 10.0f)
            camera.distance = 10.0f;
    }
    if (isKeyHeld(keys, vkSubtract)) {
        camera.distance = camera.distance + 0.01f;
        if (camera.distance > 100.0f)
            camera.distance = 100.0f;
    }

    // The mode read here decides the edit step; a toggle below counts from
    // the next tick on.
    const int16_t mode = editor.editMode;
    const int row = editor.cursorRow;
    const int column = editor.cursorColumn;
    if (mode == 1)
        applyEditKeys(keys, editor, map, row, column, objectCount, unitCount);

    if (pressedOnce(keys, vkScroll, editor.keyLatch[latchScrollLock])) {
        editor.editMode = static_cast<int16_t>(mode + 1);
        if (editor.editMode > 1)
            editor.editMode = 0;
    }

    // Arrows: a move on the first tick of a press, then one every 250 ticks.
    // The latch is set also when the cursor is at the edge and cannot move.
    int16_t* const latches = editor.keyLatch;
    if (arrowMove(keys, vkRight, latches[latchRight], editor.cursorRow, 1, mapRows - 1))
        followRowStep(camera, editor.cursorRow, -hexRowStep);
    if (arrowMove(keys, vkLeft, latches[latchLeft], editor.cursorRow, -1, 0))
        followRowStep(camera, editor.cursorRow, hexRowStep);
    if (arrowMove(keys, vkUp, latches[latchUp], editor.cursorColumn, -1, 0))
        camera.targetZ += hexColumnStep;
    if (arrowMove(keys, vkDown, latches[latchDown], editor.cursorColumn, 1, mapColumns - 1))
        camera.targetZ -= hexColumnStep;

    bob.offset = bob.offset + bob.velocity;
    bob.velocity = bob.velocity - 0.000005f;
    if (bob.offset < 0.0f) {
        bob.offset = 0.0f;
        bob.velocity = 0.002f;
    }

    for (int latch : {latchRight, latchLeft, latchUp, latchDown}) {
        int16_t& counter = editor.keyLatch[latch];
        if (counter > 0) {
            counter = static_cast<int16_t>(counter + 1);
            if (counter > arrowRepeatTicks)
                counter = 0;
        }
    }

    glide(camera.panX, camera.targetX);
    glide(camera.panZ, camera.targetZ);
}

void lockedEditorTick(SharedSceneState& shared, const KeyState& keys, int16_t objectCount,
                      int16_t unitCount, std::atomic<int32_t>& quitRequested) {
    std::lock_guard<std::mutex> lock(shared.mutex);
    SceneState& s = shared.state;
    runEditorTick(keys, s.editor, s.camera, s.bob, s.map, objectCount, unitCount, quitRequested);
}

void copySceneSnapshot(const SharedSceneState& shared, SceneState& snapshot) {
    std::lock_guard<std::mutex> lock(shared.mutex);
    snapshot = shared.state;
}
