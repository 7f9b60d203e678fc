#pragma once
// One program at a time on a file: an advisory lock that the kernel drops
// when its holder ends, however it ends, so a crash never leaves a stale one.

#include <string>

// "<file>.lock" beside the file that `path` names once its links are
// followed (`path` itself when it is no link or does not exist yet), so that
// two names for one file share one lock.
std::string lockFilePathFor(const std::string& path);

enum class FileLockResult {
    taken,       // this process holds the lock now
    held,        // another process holds it
    unavailable, // no lock file, and none can be made here (a read-only folder); errno says why
    refused,     // a lock file that cannot be used: a link, not a file, or not ours to open
};

struct FileLock {
    int fd = -1;
};

// A non-blocking exclusive flock on lockFilePathFor(path). With `create`, a
// missing lock file is made (0666 less the umask); without, only an existing
// one is opened. Only a lock file that is not there and cannot be made
// leaves the caller free to go on unlocked; one that is there but cannot be
// opened (a link, another user's closed file) is refused, so that nobody can
// switch the lock off by planting something at its name. The descriptor is
// close-on-exec, so a program this process
// starts does not hold the lock on after it.
FileLockResult takeFileLock(const std::string& path, bool create, FileLock& lock);
void releaseFileLock(FileLock& lock);

// Why the lock file at `lockPath` was refused (errno after a refusal), in
// words for a message: "it is a symbolic link", "Permission denied".
std::string describeLockRefusal(int error);
