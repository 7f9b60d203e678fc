#pragma once
// A copy of the map beside the map file while the map holds edits the file
// does not, so that a run that ends without its save (a crash, the
// out-of-memory killer, a display that went away) loses at most the last
// moments of work. A run that saves removes it again.

#include "map/editor_tick.h"
#include "map/hex_map.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

extern const char* const mapRecoveryPath;  // data/quillmark.map.recovery
extern const char* const mapRecoveredPath; // data/quillmark.map.recovered

// How often the writer looks for edits: well within the second an edit may
// wait before it is in the copy.
constexpr int recoveryCheckMilliseconds = 200;

struct MapRecovery {
    std::string copyPath;
    int mode = -1;                        // the copy's permission bits (-1: 0666 less the umask)
    bool started = false;                 // prepared, and not finished yet
    uint8_t savedBytes[mapFileSize] = {}; // what the map file holds: loaded, or last saved
    bool copyExists = false;              // the copy this run wrote is there
    uint8_t copyBytes[mapFileSize] = {};
    bool failureSaid = false; // a failed write is reported once a run

    std::thread writer;
    std::mutex mutex; // over `stopping`, with `wake`
    std::condition_variable wake;
    bool stopping = false;
};

// What a copy left by an earlier run became.
enum class LeftCopy {
    none,    // there was none
    renamed, // it is now at `recoveredPath`
    stuck,   // it could not be moved: it stays at `copyPath`, and this run keeps no copy
};

// At start, before the map is loaded: moves an earlier run's copy to
// `recoveredPath` (replacing an older one), so that this run's copy never
// overwrites it. The map itself is never touched.
LeftCopy setAsideEarlierCopy(const std::string& copyPath, const std::string& recoveredPath);

// Takes `loaded` as what the map file holds; the copy is kept from here on,
// by updateMapRecovery.
void prepareMapRecovery(MapRecovery& recovery, const HexMap& loaded, const std::string& copyPath,
                        int mode);
// prepareMapRecovery with the shared map, then the writer thread, which every
// recoveryCheckMilliseconds takes the map's bytes under the scene lock and
// brings the copy up to date.
void startMapRecovery(MapRecovery& recovery, SharedSceneState& shared, const std::string& copyPath,
                      int mode);

// One look: writes the copy when the map differs from what the file holds
// and from what the copy holds; removes this run's copy when the map is back
// to what the file holds. A failed write leaves the copy as it was.
void updateMapRecovery(MapRecovery& recovery, const HexMap& map);

// At the end, after the map save (`saved`: it succeeded): stops the writer;
// then removes the copy after a save, or brings it up to date after a failed
// one. True when the copy holds the map's edits.
bool finishMapRecovery(MapRecovery& recovery, const HexMap& map, bool saved);
