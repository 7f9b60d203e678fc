#pragma once
// The process-wide records of the running program and the no-argument entry
// points that work on them. Everything below the shell takes its records as
// arguments; this is the one place that holds them.

#include "map/editor_tick.h"
#include "map/key_state.h"
#include "map/map_recovery.h"
#include "model/asset_set.h"

#include <atomic>
#include <cstdint>

// Ends the main loop when 1; set by a quit request, a failed frame, or the
// tick while Escape is held.
extern std::atomic<int32_t> quitRequested;
// Held keys, by Windows virtual-key code; the tick's own copy, brought up
// to date from keyQueue at the start of every tick.
extern KeyState keyState;
// Key transitions on their way from the window's event handling to the tick.
extern KeyEventQueue keyQueue;
// Map, editor, camera and bob, with the lock shared by the tick and renderer.
extern SharedSceneState sceneState;
// The models the scene is drawn from; the tick cycles through its counts.
extern AssetSet assetSet;
// The copy of the map's unsaved edits, data/quillmark.map.recovery.
extern MapRecovery mapRecovery;

// The timer callback's work: the waiting key transitions, then one tick over
// the records above.
void editorTick();

// Writes the process-wide map to data/quillmark.map; false when it was not
// written (refused unless the map was loaded, or the write failed).
bool saveMapFile();
// Keeps data/quillmark.map.recovery from the loaded map on, with the map's
// permissions (and the owner's own read and write, so it can be kept up).
void startRecoveryCopy();
// After the save: removes the copy when it succeeded, else brings it up to
// date; true when the copy then holds the edits.
bool settleRecoveryCopy(bool saved);

// How the scene initialisation's load step went (notRun before it): from
// then on the teardown saves the map, or reports why it could not (a file
// that could not be read is never replaced).
MapLoadState mapLoadState();

// The scene initialisation over the process-wide records (map file
// data/quillmark.map); returns 1.
int initScene();
// One frame from a snapshot of the process-wide records; returns 1.
int drawScene();
