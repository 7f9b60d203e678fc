#pragma once
// One tick of the editor: keyboard handling and animation, run every
// millisecond on the timer thread. Every speed is a fixed step per tick.

#include "map/hex_map.h"
#include "map/key_state.h"

#include <atomic>
#include <cstdint>
#include <mutex>

constexpr int arrowRepeatTicks = 250;

// One tick over explicit records. objectCount and unitCount are the numbers
// of loaded object and unit models; quitRequested becomes 1 while Escape is
// held.
void runEditorTick(const KeyState& keys, EditorState& editor, CameraState& camera, MarkerBob& bob,
                   HexMap& map, int16_t objectCount, int16_t unitCount,
                   std::atomic<int32_t>& quitRequested);

// Everything the tick writes and the renderer reads.
struct SceneState {
    HexMap map;
    EditorState editor;
    CameraState camera;
    MarkerBob bob;
};

// The scene state with the lock that the tick and the renderer share. The
// tick holds it for its whole (short) run; the renderer only long enough to
// copy a snapshot, so a frame never shows half an action and the tick is
// never held up for more than the copy.
struct SharedSceneState {
    mutable std::mutex mutex;
    SceneState state;
};

void lockedEditorTick(SharedSceneState& shared, const KeyState& keys, int16_t objectCount,
                      int16_t unitCount, std::atomic<int32_t>& quitRequested);

// A consistent copy for one frame.
void copySceneSnapshot(const SharedSceneState& shared, SceneState& snapshot);
