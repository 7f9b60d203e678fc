#include "platform/file_lock.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string realPath(const std::string& path) {
    char buffer[PATH_MAX];
    return ::realpath(path.c_str(), buffer) != nullptr ? std::string(buffer) : std::string();
}

// The missing file a chain of links ends at; empty when it is not one (a
// loop, an unreadable link).
std::string danglingTarget(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info;
        if (::lstat(path.c_str(), &info) != 0)
            return errno == ENOENT ? path : std::string();
        if (!S_ISLNK(info.st_mode))
            return std::string();
        char link[PATH_MAX];
        const ssize_t length = ::readlink(path.c_str(), link, sizeof link - 1);
        if (length < 0)
            return std::string();
        link[length] = '\0';
        // A relative link is relative to the folder holding it.
        path = link[0] == '/' ? std::string(link) : folderOf(path) + "/" + link;
    }
    return std::string();
}

} // namespace

std::string lockFilePathFor(const std::string& path) {
    std::string file = realPath(path);
    if (file.empty() && errno == ENOENT) {
        // Missing: the name itself, or where a dangling link points, in its
        // real folder.
        std::string missing = danglingTarget(path);
        if (missing.empty())
            missing = path;
        const size_t slash = missing.rfind('/');
        const std::string folder = realPath(folderOf(missing));
        if (!folder.empty())
            file = folder + (folder == "/" ? "" : "/") +
                   (slash == std::string::npos ? missing : missing.substr(slash + 1));
    }
    return (file.empty() ? path : file) + ".lock";
}

FileLockResult takeFileLock(const std::string& path, bool create, FileLock& lock) {
    lock.fd = -1;
    // Read-only is enough for flock, and lets a lock file of another user's
    // in a shared folder still be taken. No links, and no waiting on a FIFO
    // planted at its name.
    const int flags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK;
    const std::string name = lockFilePathFor(path);
    const int fd = ::open(name.c_str(), flags | (create ? O_CREAT : 0), 0666);
    if (fd < 0) {
        const int error = errno;
        struct stat info;
        const bool there = ::lstat(name.c_str(), &info) == 0;
        errno = error;
        return !there && (error == ENOENT || error == EACCES || error == EPERM || error == EROFS)
                   ? FileLockResult::unavailable
                   : FileLockResult::refused;
    }
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        errno = EINVAL; // a folder, FIFO or device: no lock of ours
        return FileLockResult::refused;
    }
    int result;
    do
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    if (result != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return error == EWOULDBLOCK ? FileLockResult::held : FileLockResult::refused;
    }
    lock.fd = fd;
    return FileLockResult::taken;
}

void releaseFileLock(FileLock& lock) {
    if (lock.fd >= 0)
        ::close(lock.fd);
    lock.fd = -1;
}

std::string describeLockRefusal(int error) {
    if (error == ELOOP)
        return "it is a symbolic link";
    if (error == EINVAL)
        return "it is not a file";
    return std::strerror(error);
}
