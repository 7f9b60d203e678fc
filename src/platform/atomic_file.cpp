#include "platform/atomic_file.h"

#include "platform/platform_hooks.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// As the kernel: a path through more links than this is a loop.
constexpr int maxLinkHops = 40;

std::string directoryOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

// Closes on every way out; errno survives the close.
class Descriptor {
  public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        const int savedErrno = errno;
        close();
        errno = savedErrno;
    }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void reset(int fd) {
        close();
        fd_ = fd;
    }
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

  private:
    int fd_;
};

bool readLink(const std::string& path, std::string& target) {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = ::readlink(path.c_str(), buffer.data(), buffer.size());
        if (length < 0)
            return false;
        if (static_cast<size_t>(length) < buffer.size()) {
            target.assign(buffer.data(), static_cast<size_t>(length));
            return true;
        }
        buffer.resize(buffer.size() * 2);
    }
}

// Follows the links at `path` to the name a write through it would reach.
// `exists` tells whether something other than a link is there; `info` then
// describes it.
bool resolveLinks(const std::string& path, std::string& target, struct stat& info, bool& exists) {
    target = path;
    for (int hops = 0;; ++hops) {
        if (::lstat(target.c_str(), &info) != 0) {
            if (errno != ENOENT)
                return false;
            exists = false; // a missing file, or the end of a dangling link
            return true;
        }
        if (!S_ISLNK(info.st_mode)) {
            exists = true;
            return true;
        }
        if (hops == maxLinkHops) {
            errno = ELOOP;
            return false;
        }
        std::string link;
        if (!readLink(target, link))
            return false;
        // A relative link is relative to the folder holding it.
        const size_t slash = target.rfind('/');
        if (!link.empty() && link[0] != '/' && slash != std::string::npos)
            link = target.substr(0, slash + 1) + link;
        target = link;
    }
}

// Created by open() itself, so the kernel applies the umask and any default
// ACL of the folder as it would to a plain create. The process id and a
// counter keep running savers apart; a leftover of an earlier process costs
// only a retry.
int createTemporary(const std::string& target, std::string& name) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = target + ".tmp" + std::to_string(::getpid()) + "." +
               std::to_string(counter.fetch_add(1));
        const int fd = ::open(name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

bool writeAll(int fd, const unsigned char* bytes, size_t size) {
    while (size > 0) {
        const ssize_t written = platformHooks.writeFile(fd, bytes, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (written == 0) {
            errno = EIO;
            return false;
        }
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// The new file takes over the old one's owner, group and permission bits,
// or gets the mode asked for.
bool fillTemporary(int fd, const struct stat* old, int mode, const unsigned char* bytes,
                   size_t size) {
    if (old != nullptr) {
        // Owner first: a change of owner may clear set-id bits. Only root may
        // give a file away, and only a member may give it the group.
        if (::fchown(fd, old->st_uid, old->st_gid) != 0 &&
            ::fchown(fd, static_cast<uid_t>(-1), old->st_gid) != 0) {
            // Neither allowed: the file stays the process's own.
        }
        if (mode < 0 && ::fchmod(fd, old->st_mode & 07777) != 0)
            return false;
    }
    if (mode >= 0 && ::fchmod(fd, static_cast<mode_t>(mode) & 07777) != 0)
        return false;
    return writeAll(fd, bytes, size) && ::fsync(fd) == 0;
}

bool writeInPlace(int fd, const unsigned char* bytes, size_t size) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0 &&
           ::lseek(fd, 0, SEEK_SET) == 0 && writeAll(fd, bytes, size) &&
           ::ftruncate(fd, static_cast<off_t>(size)) == 0 && ::fsync(fd) == 0;
}

bool refusedByFolder(int error) {
    return error == EACCES || error == EPERM;
}

} // namespace

bool writeFileAtomically(const std::string& path, const void* data, size_t size, int mode) {
    const auto* bytes = static_cast<const unsigned char*>(data);

    std::string target;
    struct stat info {};
    bool exists = false;
    if (!resolveLinks(path, target, info, exists))
        return false;

    // An existing file must be one a plain write could change. Opened without
    // truncating, as the check (access() would use the real uid) and as the
    // way in should the folder refuse the replacement.
    Descriptor existing;
    if (exists) {
        if (!S_ISREG(info.st_mode)) {
            errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
            return false;
        }
        existing.reset(::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (!existing.valid())
            return false;
        if (::fstat(existing.get(), &info) != 0)
            return false;
        if (!S_ISREG(info.st_mode)) {
            errno = EINVAL;
            return false;
        }
    }

    std::string tempName;
    const int tempFd = createTemporary(target, tempName);
    if (tempFd < 0) {
        if (existing.valid() && refusedByFolder(errno))
            return writeInPlace(existing.get(), bytes, size) && existing.close();
        return false;
    }

    bool ok = fillTemporary(tempFd, exists ? &info : nullptr, mode, bytes, size);
    int savedErrno = errno;
    if (::close(tempFd) != 0 && ok) {
        ok = false;
        savedErrno = errno;
    }
    bool renameRefused = false;
    if (ok && ::rename(tempName.c_str(), target.c_str()) != 0) {
        ok = false;
        savedErrno = errno;
        renameRefused = refusedByFolder(savedErrno);
    }
    if (!ok) {
        ::unlink(tempName.c_str());
        if (renameRefused && existing.valid())
            return writeInPlace(existing.get(), bytes, size) && existing.close();
        errno = savedErrno;
        return false;
    }

    // Make the rename itself durable; a failure here no longer risks the data.
    const int dirFd = ::open(directoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}
