#include "platform/regular_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

const char* fileKindName(unsigned mode) {
    switch (mode & S_IFMT) {
    case S_IFREG:
        return "a regular file";
    case S_IFDIR:
        return "a folder";
    case S_IFIFO:
        return "a FIFO";
    case S_IFCHR:
        return "a character device";
    case S_IFBLK:
        return "a block device";
    case S_IFSOCK:
        return "a socket";
    case S_IFLNK:
        return "a symbolic link";
    }
    return "not a regular file";
}

int openRegularFile(const char* path, bool followLinks, std::string* kind) {
    // Looked at before it is opened, so that no device is opened at all;
    // then opened without blocking, in case a FIFO took the name in between,
    // and looked at again.
    struct stat before {};
    if ((followLinks ? ::stat(path, &before) : ::lstat(path, &before)) != 0)
        return -1;
    if (!S_ISREG(before.st_mode)) {
        if (kind != nullptr)
            *kind = fileKindName(before.st_mode);
        errno = S_ISLNK(before.st_mode) ? ELOOP : EINVAL;
        return -1;
    }
    const int fd =
        ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | (followLinks ? 0 : O_NOFOLLOW));
    if (fd < 0)
        return -1;
    struct stat info {};
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || flags < 0 ||
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        if (kind != nullptr)
            *kind = fileKindName(info.st_mode);
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

bool isRegularFile(const char* path, std::string& kind) {
    struct stat info {};
    if (::stat(path, &info) != 0)
        return false;
    if (!S_ISREG(info.st_mode))
        kind = fileKindName(info.st_mode);
    return S_ISREG(info.st_mode);
}

std::FILE* openRegularStream(const char* path, std::string* kind) {
    const int fd = openRegularFile(path, true, kind);
    if (fd < 0)
        return nullptr;
    std::FILE* stream = ::fdopen(fd, "rb");
    if (stream == nullptr)
        ::close(fd);
    return stream;
}
