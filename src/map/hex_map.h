#pragma once
// The data the editor works on: the hex map, the cursor and mode, the camera
// and the hop of the cursor arrow.

#include <cstdint>

constexpr int mapRows = 15;
constexpr int mapColumns = 11;
constexpr int mapLayerCount = 4;
constexpr int mapValueCount = mapLayerCount * mapRows * mapColumns; // 660
constexpr int mapFileSize = mapValueCount * 4;                      // 2,640 bytes

// 15 rows x 11 columns of floats, row by row in memory.
struct MapLayer {
    float cell[mapRows][mapColumns] = {};
};

// What the load step found. Only a loaded map may be saved: before the step
// the layers are not the user's map, and a file that could not be read must
// not be replaced by a field the user never saw.
enum class MapLoadState : uint8_t {
    notRun,     // the load step has not run
    loaded,     // read, or there was no file (the save creates it)
    unreadable, // a file is there but could not be read; see loadError
};

struct HexMap {
    MapLayer height;
    MapLayer water;
    MapLayer object;
    MapLayer unit;
    MapLoadState loadState = MapLoadState::notRun;
    int loadError = 0; // errno of the failed open or read when unreadable
};

// Layer by number in file order: 0 height, 1 water, 2 object, 3 unit.
MapLayer& mapLayer(HexMap& map, int layer);
const MapLayer& mapLayer(const HexMap& map, int layer);
const char* mapLayerName(int layer);

// Every value 0; the load step has not run.
void clearHexMap(HexMap& map);

// Indices into EditorState::keyLatch, one per key handled by the tick.
enum KeyLatch {
    latchE,
    latchR,
    latchW,
    latchA,
    latchZ,
    latchScrollLock,
    latchRight,
    latchLeft,
    latchUp,
    latchDown,
    keyLatchCount
};

struct EditorState {
    int16_t cursorRow = 7;
    int16_t cursorColumn = 5;
    int16_t editMode = 0; // 0 view, 1 edit
    // Once-per-press latches; the four arrow entries double as repeat counters.
    int16_t keyLatch[keyLatchCount] = {};
};

struct CameraState {
    float pitch = 60.0f;    // degrees, 0 edge-on .. 90 from above
    float distance = 25.0f; // eye to the point looked at
    float panX = -12.0f;
    float panZ = -10.44f;
    float targetX = -12.0f; // always the negated centre of the cursor hex
    float targetZ = -10.44f;
};

struct MarkerBob {
    float offset = 0.0f;     // arrow height above its rest; never below 0
    float velocity = 0.002f; // change of offset in the next tick
};

// Centre of hex (row, column) on the x-z plane before the camera pan.
float hexCentreX(int row);
float hexCentreZ(int row, int column);
