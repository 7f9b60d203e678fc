#include "map/map_recovery.h"

#include "map/map_file.h"
#include "platform/atomic_file.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <unistd.h>

const char* const mapRecoveryPath = "data/quillmark.map.recovery";
const char* const mapRecoveredPath = "data/quillmark.map.recovered";

namespace {

void stopWriter(MapRecovery& recovery) {
    {
        std::lock_guard<std::mutex> lock(recovery.mutex);
        recovery.stopping = true;
    }
    recovery.wake.notify_all();
    if (recovery.writer.joinable())
        recovery.writer.join();
}

void runWriter(MapRecovery& recovery, SharedSceneState& shared) {
    std::unique_lock<std::mutex> lock(recovery.mutex);
    while (!recovery.wake.wait_for(lock, std::chrono::milliseconds(recoveryCheckMilliseconds),
                                   [&] { return recovery.stopping; })) {
        lock.unlock();
        HexMap map;
        {
            // Only the copy is made under the scene lock; the fsync is not.
            std::lock_guard<std::mutex> sceneLock(shared.mutex);
            map = shared.state.map;
        }
        updateMapRecovery(recovery, map);
        lock.lock();
    }
}

} // namespace

LeftCopy setAsideEarlierCopy(const std::string& copyPath, const std::string& recoveredPath) {
    if (::access(copyPath.c_str(), F_OK) != 0 && errno == ENOENT)
        return LeftCopy::none;
    return std::rename(copyPath.c_str(), recoveredPath.c_str()) == 0 ? LeftCopy::renamed
                                                                     : LeftCopy::stuck;
}

void prepareMapRecovery(MapRecovery& recovery, const HexMap& loaded, const std::string& copyPath,
                        int mode) {
    recovery.copyPath = copyPath;
    recovery.mode = mode;
    encodeMapBytes(loaded, recovery.savedBytes);
    recovery.copyExists = false;
    recovery.stopping = false;
    recovery.started = true;
}

void startMapRecovery(MapRecovery& recovery, SharedSceneState& shared, const std::string& copyPath,
                      int mode) {
    {
        std::lock_guard<std::mutex> lock(shared.mutex);
        prepareMapRecovery(recovery, shared.state.map, copyPath, mode);
    }
    recovery.writer = std::thread(runWriter, std::ref(recovery), std::ref(shared));
}

void updateMapRecovery(MapRecovery& recovery, const HexMap& map) {
    uint8_t bytes[mapFileSize];
    encodeMapBytes(map, bytes);
    if (std::memcmp(bytes, recovery.savedBytes, sizeof bytes) == 0) {
        // Edits undone: the file already holds all there is.
        if (recovery.copyExists && ::unlink(recovery.copyPath.c_str()) == 0)
            recovery.copyExists = false;
        return;
    }
    if (recovery.copyExists && std::memcmp(bytes, recovery.copyBytes, sizeof bytes) == 0)
        return;
    // A copy of the map is a file too: never a pipe or device at its name.
    if (!writeRegularFileAtomically(recovery.copyPath, bytes, sizeof bytes, recovery.mode)) {
        if (!recovery.failureSaid)
            std::fprintf(stderr, "quillmark: cannot keep the recovery copy %s: %s\n",
                         recovery.copyPath.c_str(), std::strerror(errno));
        recovery.failureSaid = true;
        return;
    }
    std::memcpy(recovery.copyBytes, bytes, sizeof bytes);
    recovery.copyExists = true;
}

bool finishMapRecovery(MapRecovery& recovery, const HexMap& map, bool saved) {
    if (!recovery.started)
        return false;
    stopWriter(recovery);
    recovery.started = false;
    if (saved) {
        encodeMapBytes(map, recovery.savedBytes);
        if (recovery.copyExists && ::unlink(recovery.copyPath.c_str()) == 0)
            recovery.copyExists = false;
        return false;
    }
    updateMapRecovery(recovery, map);
    uint8_t bytes[mapFileSize];
    encodeMapBytes(map, bytes);
    return recovery.copyExists && std::memcmp(bytes, recovery.copyBytes, sizeof bytes) == 0;
}
