#pragma once
// A copy of the map beside the map file while the map holds edits the file
// does not, so that a run that ends without its save (a crash, the
// out-of-memory killer, a power cut) loses at most the last moments of
// work. A run that saves removes it again.

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
    uint64_t copyDevice = 0, copyInode = 0; // which file it is: only that one is removed
    bool failureSaid = false;               // a failed write is reported once a run

    std::thread writer;
    std::mutex mutex; // over `stopping`, with `wake`
    std::condition_variable wake;
    bool stopping = false;
};

// What a copy left by an earlier run became.
enum class LeftCopy {
    none,     // there was none
    renamed,  // it is now at the name set aside
    stuck,    // it could not be moved: it stays at `copyPath`, and this run keeps no copy
    notACopy, // a link or other non-file is at `copyPath`: left alone, and no copy is kept
};

// At start, before the map is loaded: moves an earlier run's copy to
// `recoveredPath`, or where that is taken already to the first free one of
// `recoveredPath`.1, .2, ..., so that neither this run's copy nor a later
// one ever overwrites edits set aside. `setAside` is the name it took. The
// map itself is never touched.
LeftCopy setAsideEarlierCopy(const std::string& copyPath, const std::string& recoveredPath,
                             std::string& setAside);

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
// to what the file holds. A failed write leaves the copy as it was. The copy
// is never written through a link: one planted at its name is refused, and
// said once on stderr.
void updateMapRecovery(MapRecovery& recovery, const HexMap& map);

// At the end, after the map save (`saved`: it succeeded): stops the writer;
// then removes the copy after a save, or brings it up to date after a failed
// one. True when the copy holds the map's edits.
bool finishMapRecovery(MapRecovery& recovery, const HexMap& map, bool saved);
