#pragma once
// One program at a time on a file: an advisory lock that the kernel drops
// when its holder ends, however it ends, so a crash never leaves a stale one.

#include <string>

// "<file>.lock" beside the file that `path` names once its links are
// followed (`path` itself when it is no link or does not exist yet), so that
// two names for one file share one lock.
std::string lockFilePathFor(const std::string& path);

enum class FileLockResult {
    taken,      // this process holds the lock now
    held,       // another process holds it
    unavailable // no lock file to take (missing, or cannot be created); errno says why
};

struct FileLock {
    int fd = -1;
};

// A non-blocking exclusive flock on lockFilePathFor(path). With `create`, a
// missing lock file is made (0666 less the umask); without, only an existing
// one is opened. The descriptor is close-on-exec, so a program this process
// starts does not hold the lock on after it.
FileLockResult takeFileLock(const std::string& path, bool create, FileLock& lock);
void releaseFileLock(FileLock& lock);
