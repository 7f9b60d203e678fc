#include "platform/atomic_file.h"

#include "platform/platform_hooks.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace {

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

// The name under which a folder holds the open file, so that a new file can
// be renamed over it: the kernel's own (or, without /proc, the path with its
// links resolved), checked to be that very file still. It may not be: moved
// or removed since, or outside this process's view of the file system.
bool nameOfOpenFile(int fd, const std::string& path, const struct stat& info, std::string& name) {
    if (!readLink("/proc/self/fd/" + std::to_string(fd), name)) {
        char* resolved = ::realpath(path.c_str(), nullptr);
        if (resolved == nullptr)
            return false;
        name = resolved;
        std::free(resolved);
    }
    struct stat found {};
    return !name.empty() && name[0] == '/' && ::lstat(name.c_str(), &found) == 0 &&
           found.st_dev == info.st_dev && found.st_ino == info.st_ino;
}

uint64_t randomWord() {
    uint64_t word = 0;
    if (::getrandom(&word, sizeof word, GRND_NONBLOCK) == static_cast<ssize_t>(sizeof word))
        return word;
    // No entropy yet (early boot): unlikely names still, and O_EXCL keeps any
    // clash harmless.
    static std::atomic<uint64_t> counter{0};
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return (counter.fetch_add(1) + 1) * 0x9E3779B97F4A7C15ull ^
           static_cast<uint64_t>(::getpid()) << 32 ^ static_cast<uint64_t>(now.tv_nsec);
}

// A short name (`.<8 letters>.tmp`), so that any name the folder takes has a
// temporary beside it. Created by open() itself, so the kernel applies the
// umask and any default ACL of the folder as it would to a plain create.
int createTemporary(const std::string& folder, mode_t mode, std::string& name) {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        uint64_t word = randomWord();
        name = folder + "/.";
        for (int i = 0; i < 8; ++i, word /= 62)
            name += letters[word % 62];
        name += ".tmp";
        const int fd = platformHooks.createFile(
            name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_NOCTTY | O_CLOEXEC, mode);
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

// The target was opened without blocking, so that a FIFO nobody reads is
// refused instead of waited on; the writes block as a plain write's would.
bool makeBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

// A list or a value whose size is asked first, asked again should it grow in
// between.
template <typename Read> bool readSized(Read read, std::vector<char>& out) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        const ssize_t size = read(nullptr, 0);
        if (size < 0)
            return false;
        out.resize(static_cast<size_t>(size));
        const ssize_t got = read(out.data(), out.size());
        if (got >= 0) {
            out.resize(static_cast<size_t>(got));
            return true;
        }
        if (errno != ERANGE)
            return false;
    }
    return false;
}

bool readAttribute(int fd, const char* name, std::vector<char>& value) {
    return readSized([&](void* to, size_t size) { return ::fgetxattr(fd, name, to, size); }, value);
}

// Carries the old file's extended attributes (ACLs among them) over to the
// new one, leaving out the access ACL when the new file gets a mode of its
// own. False when one cannot be carried: only an in-place write keeps it.
bool copyAttributes(int from, int to, bool withAcl) {
    std::vector<char> names;
    if (!readSized([&](char* list, size_t size) { return ::flistxattr(from, list, size); }, names))
        return errno == ENOTSUP; // a file system without attributes: none to keep
    for (size_t at = 0; at < names.size(); at += std::strlen(names.data() + at) + 1) {
        const char* name = names.data() + at;
        if (!withAcl && std::strcmp(name, "system.posix_acl_access") == 0)
            continue;
        std::vector<char> value, present;
        if (!readAttribute(from, name, value)) {
            if (errno == ENODATA) // removed meanwhile
                continue;
            return false;
        }
        // Some the new file has already (a security label given on create).
        if (readAttribute(to, name, present) && present == value)
            continue;
        if (::fsetxattr(to, name, value.data(), value.size(), 0) != 0)
            return false;
    }
    return true;
}

// The folder (or the file system) leaves no way to a new file or a rename
// there, but the file itself may be writable.
bool renameCannotBeHad(int error) {
    return error == EACCES || error == EPERM || error == EROFS || error == ENAMETOOLONG ||
           error == EBUSY || error == EXDEV;
}

enum class Outcome { done, failed, writeInPlace };

// Writes a new file beside `name` and renames it over the name. `old`
// (with its descriptor `oldFd`) is the file there, or null for none.
Outcome replaceByRename(const std::string& name, int oldFd, const struct stat* old, int mode,
                        const unsigned char* bytes, size_t size) {
    const int finalMode = mode >= 0 ? mode & 07777 : old != nullptr ? old->st_mode & 07777 : -1;
    const mode_t createMode = finalMode >= 0 ? static_cast<mode_t>(finalMode) & 0600 : 0666;
    std::string tempName;
    Descriptor temp(createTemporary(directoryOf(name), createMode, tempName));
    if (!temp.valid())
        return old != nullptr && renameCannotBeHad(errno) ? Outcome::writeInPlace : Outcome::failed;

    // Owner, attributes and mode before the bytes, so that the write clears
    // set-id bits and file capabilities as a plain write would.
    if (old != nullptr) {
        // Only root may give a file away, and only a member may give it the
        // group.
        if (::fchown(temp.get(), old->st_uid, old->st_gid) != 0 &&
            ::fchown(temp.get(), static_cast<uid_t>(-1), old->st_gid) != 0) {
            // Neither allowed: the file stays the process's own.
        }
        if (!copyAttributes(oldFd, temp.get(), mode < 0)) {
            ::unlink(tempName.c_str());
            return Outcome::writeInPlace;
        }
    }
    const bool written =
        (finalMode < 0 || ::fchmod(temp.get(), static_cast<mode_t>(finalMode)) == 0) &&
        writeAll(temp.get(), bytes, size) && ::fsync(temp.get()) == 0 && temp.close();
    if (!written || ::rename(tempName.c_str(), name.c_str()) != 0) {
        const int error = errno;
        ::unlink(tempName.c_str());
        errno = error;
        // A refused rename leaves the old file as it was; a failed write would
        // fail in place too.
        return written && old != nullptr && renameCannotBeHad(error) ? Outcome::writeInPlace
                                                                     : Outcome::failed;
    }

    // Make the rename itself durable; a failure here no longer risks the data.
    const Descriptor folder(::open(directoryOf(name).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.valid())
        ::fsync(folder.get());
    return Outcome::done;
}

bool writeInPlace(int fd, const struct stat& info, int mode, const unsigned char* bytes,
                  size_t size) {
    if (mode >= 0 && static_cast<int>(info.st_mode & 07777) != (mode & 07777) &&
        ::fchmod(fd, static_cast<mode_t>(mode & 07777)) != 0)
        return false;
    return makeBlocking(fd) && ::lseek(fd, 0, SEEK_SET) == 0 && writeAll(fd, bytes, size) &&
           ::ftruncate(fd, static_cast<off_t>(size)) == 0 && ::fsync(fd) == 0;
}

// Only the end of a dangling link is created where it is: through the link,
// as a plain create would, and removed again should the write fail.
bool createThroughLink(const std::string& path, int mode, const unsigned char* bytes, size_t size) {
    Descriptor file(platformHooks.createFile(path.c_str(),
                                             O_CREAT | O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC,
                                             mode >= 0 ? static_cast<mode_t>(mode) & 0600 : 0666));
    struct stat info {};
    if (!file.valid() || ::fstat(file.get(), &info) != 0)
        return false;
    if (!S_ISREG(info.st_mode)) { // something else took the name meanwhile
        errno = EINVAL;
        return false;
    }
    if (!writeInPlace(file.get(), info, mode, bytes, size)) {
        const int error = errno;
        std::string name;
        if (nameOfOpenFile(file.get(), path, info, name))
            ::unlink(name.c_str());
        errno = error;
        return false;
    }
    return file.close();
}

bool saveFile(const std::string& path, const void* data, size_t size, int mode, bool regularOnly) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    // The kernel follows the links, so that its protections apply as to a
    // plain open. Without O_CREAT: a missing file is made by a rename, so
    // that a failed save leaves nothing behind.
    Descriptor file(::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file.valid()) {
        struct stat link {};
        if (errno != ENOENT)
            return false;
        if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode))
            return createThroughLink(path, mode, bytes, size);
        return replaceByRename(path, -1, nullptr, mode, bytes, size) == Outcome::done;
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0)
        return false;
    if (!S_ISREG(info.st_mode)) {
        if (regularOnly) {
            errno = EINVAL;
            return false;
        }
        return makeBlocking(file.get()) && writeAll(file.get(), bytes, size) && file.close();
    }
    // Other hard links would keep the old bytes after a rename.
    std::string name;
    if (info.st_nlink == 1 && nameOfOpenFile(file.get(), path, info, name)) {
        const Outcome outcome = replaceByRename(name, file.get(), &info, mode, bytes, size);
        if (outcome != Outcome::writeInPlace)
            return outcome == Outcome::done;
    }
    return writeInPlace(file.get(), info, mode, bytes, size) && file.close();
}

} // namespace

bool writeFileAtomically(const std::string& path, const void* data, size_t size, int mode) {
    return saveFile(path, data, size, mode, false);
}

bool writeRegularFileAtomically(const std::string& path, const void* data, size_t size, int mode) {
    return saveFile(path, data, size, mode, true);
}
