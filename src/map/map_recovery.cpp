#include "map/map_recovery.h"

#include "map/map_file.h"
#include "platform/atomic_file.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

const char* const mapRecoveryPath = "data/quillmark.map.recovery";
const char* const mapRecoveredPath = "data/quillmark.map.recovered";

namespace {

// Far more than anyone leaves unread; past them the copy stays where it is.
constexpr int maxRecoveredCopies = 1000;

// Only the file this run wrote: whatever else has taken its name since is
// someone else's.
void removeCopy(MapRecovery& recovery) {
    struct stat info {};
    const bool ours = ::lstat(recovery.copyPath.c_str(), &info) == 0 &&
                      info.st_dev == recovery.copyDevice && info.st_ino == recovery.copyInode;
    if (!ours || ::unlink(recovery.copyPath.c_str()) == 0)
        recovery.copyExists = false;
}

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

LeftCopy setAsideEarlierCopy(const std::string& copyPath, const std::string& recoveredPath,
                             std::string& setAside) {
    struct stat info {};
    if (::lstat(copyPath.c_str(), &info) != 0)
        return errno == ENOENT ? LeftCopy::none : LeftCopy::stuck;
    if (!S_ISREG(info.st_mode))
        return LeftCopy::notACopy;
    for (int n = 0; n < maxRecoveredCopies; ++n) {
        setAside = n == 0 ? recoveredPath : recoveredPath + "." + std::to_string(n);
        if (renameWithoutReplacing(copyPath, setAside))
            return LeftCopy::renamed;
        if (errno != EEXIST)
            break;
    }
    setAside.clear();
    return LeftCopy::stuck;
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
        if (recovery.copyExists)
            removeCopy(recovery);
        return;
    }
    if (recovery.copyExists && std::memcmp(bytes, recovery.copyBytes, sizeof bytes) == 0)
        return;
    // The program's own file: a link at its name is never followed.
    if (!writeOwnFileAtomically(recovery.copyPath, bytes, sizeof bytes, recovery.mode)) {
        if (!recovery.failureSaid)
            std::fprintf(stderr, "quillmark: cannot keep the recovery copy %s: %s\n",
                         recovery.copyPath.c_str(),
                         errno == ELOOP ? "a symbolic link is at its name, and is left alone"
                                        : std::strerror(errno));
        recovery.failureSaid = true;
        return;
    }
    struct stat info {};
    ::lstat(recovery.copyPath.c_str(), &info);
    recovery.copyDevice = info.st_dev;
    recovery.copyInode = info.st_ino;
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
        if (recovery.copyExists)
            removeCopy(recovery);
        return false;
    }
    updateMapRecovery(recovery, map);
    uint8_t bytes[mapFileSize];
    encodeMapBytes(map, bytes);
    return recovery.copyExists && std::memcmp(bytes, recovery.copyBytes, sizeof bytes) == 0;
}
