#include "platform/atomic_file.h"

#include "platform/platform_hooks.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
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
    void reset(int fd) {
        close();
        fd_ = fd;
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
// new one. False when one cannot be carried: only an in-place write keeps it.
bool copyAttributes(int from, int to) {
    std::vector<char> names;
    if (!readSized([&](char* list, size_t size) { return ::flistxattr(from, list, size); }, names))
        return errno == ENOTSUP; // a file system without attributes: none to keep
    for (size_t at = 0; at < names.size(); at += std::strlen(names.data() + at) + 1) {
        const char* name = names.data() + at;
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

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The name under which a folder holds the file, its links resolved (those
// of /dev/stdout among them), checked to be that very file still: it may
// have been moved or removed since, or lie outside this process's view.
bool realNameOf(const std::string& path, const struct stat& info, std::string& name) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr)
        return false;
    name = resolved;
    std::free(resolved);
    struct stat found {};
    return ::lstat(name.c_str(), &found) == 0 && sameFile(found, info);
}

// Another descriptor of this process on the file (what /dev/stdout or
// /dev/fd/N reached): a rename would leave it on the old file, deleted, so
// that whatever this process writes next through it is lost.
bool openElsewhereHere(int fd, const struct stat& info) {
    const auto openOnIt = [&](int other) {
        struct stat found {};
        return other != fd && ::fstat(other, &found) == 0 && sameFile(found, info);
    };
    DIR* folder = ::opendir("/proc/self/fd");
    if (folder == nullptr) { // no /proc: the descriptors a program is handed
        for (int other = 0; other < 256; ++other)
            if (openOnIt(other))
                return true;
        return false;
    }
    bool found = false;
    while (const dirent* entry = ::readdir(folder)) {
        char* end = nullptr;
        const long other = std::strtol(entry->d_name, &end, 10);
        if (end != entry->d_name && *end == '\0' && other != ::dirfd(folder) &&
            openOnIt(static_cast<int>(other))) {
            found = true;
            break;
        }
    }
    ::closedir(folder);
    return found;
}

// The folder (or the file system) leaves no way to a new file or a rename
// there, but the file itself may be writable.
bool renameCannotBeHad(int error) {
    return error == EACCES || error == EPERM || error == EROFS || error == ENAMETOOLONG ||
           error == EBUSY || error == EXDEV;
}

enum class Outcome { done, failed, notByRename };

// Writes a new file beside `name` and renames it to `name`. `prepare` gives
// the new file what it must have before its bytes; where it cannot, or the
// folder refuses the new file or the rename, nothing has changed and the
// outcome is notByRename.
template <typename Prepare>
Outcome renameNewFile(const std::string& name, mode_t createMode, int finalMode, Prepare prepare,
                      const unsigned char* bytes, size_t size) {
    std::string tempName;
    Descriptor temp(createTemporary(directoryOf(name), createMode, tempName));
    if (!temp.valid())
        return renameCannotBeHad(errno) ? Outcome::notByRename : Outcome::failed;
    const auto removeTemporary = [&] {
        const int error = errno;
        ::unlink(tempName.c_str());
        errno = error;
    };
    if (!prepare(temp.get())) {
        removeTemporary();
        return Outcome::notByRename;
    }
    const bool written =
        (finalMode < 0 || ::fchmod(temp.get(), static_cast<mode_t>(finalMode)) == 0) &&
        writeAll(temp.get(), bytes, size) && ::fsync(temp.get()) == 0 && temp.close();
    if (!written || ::rename(tempName.c_str(), name.c_str()) != 0) {
        removeTemporary();
        // A failed write would fail in place too.
        return written && renameCannotBeHad(errno) ? Outcome::notByRename : Outcome::failed;
    }
    // Make the rename itself durable; a failure here no longer risks the data.
    const Descriptor folder(::open(directoryOf(name).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.valid())
        ::fsync(folder.get());
    return Outcome::done;
}

// The old file's owner, group and attributes on the new one, before its
// bytes, so that the write clears set-id bits and file capabilities as a
// plain write would. False when one cannot be had (only root gives a file
// away): the file would no longer be its owner's.
bool takeOverFrom(int oldFd, const struct stat& old, int temp) {
    struct stat made {};
    if (::fstat(temp, &made) != 0)
        return false;
    if ((made.st_uid != old.st_uid || made.st_gid != old.st_gid) &&
        ::fchown(temp, old.st_uid, old.st_gid) != 0)
        return false;
    return copyAttributes(oldFd, temp);
}

bool writeInPlace(int fd, const unsigned char* bytes, size_t size) {
    return makeBlocking(fd) && ::lseek(fd, 0, SEEK_SET) == 0 && writeAll(fd, bytes, size) &&
           ::ftruncate(fd, static_cast<off_t>(size)) == 0 && ::fsync(fd) == 0;
}

// The one decision between the two ways to save over an existing regular
// file: a new file renamed over it wherever that keeps all a plain write
// keeps, else the file rewritten in place.
bool saveOverRegularFile(int fd, const struct stat& info, const std::string& path,
                         const unsigned char* bytes, size_t size) {
    std::string name;
    // Other hard links, or a descriptor of this process on it, would keep
    // the old bytes after a rename.
    if (info.st_nlink == 1 && !openElsewhereHere(fd, info) && realNameOf(path, info, name)) {
        const Outcome outcome = renameNewFile(
            name, info.st_mode & 0600, static_cast<int>(info.st_mode & 07777),
            [&](int temp) { return takeOverFrom(fd, info, temp); }, bytes, size);
        if (outcome != Outcome::notByRename)
            return outcome == Outcome::done;
    }
    return writeInPlace(fd, bytes, size);
}

bool nothingToPrepare(int) {
    return true;
}

bool saveFile(const std::string& path, const void* data, size_t size, bool regularOnly) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    // The kernel follows the links, so that its protections apply as to a
    // plain open. Without O_CREAT: a missing file is made by a rename, so
    // that a failed save leaves nothing behind.
    Descriptor file(::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    bool created = false;
    if (!file.valid()) {
        struct stat link {};
        if (errno != ENOENT)
            return false;
        if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode))
            return renameNewFile(path, 0666, -1, nothingToPrepare, bytes, size) == Outcome::done;
        // Only the end of a dangling link is made where it is: through the
        // link, as a plain create would, then saved over as any file.
        file.reset(platformHooks.createFile(
            path.c_str(), O_CREAT | O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666));
        if (!file.valid())
            return false;
        created = true;
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
    if (saveOverRegularFile(file.get(), info, path, bytes, size))
        return file.close();
    std::string name;
    if (created && realNameOf(path, info, name)) {
        const int error = errno;
        ::unlink(name.c_str());
        errno = error;
    }
    return false;
}

} // namespace

bool writeFileAtomically(const std::string& path, const void* data, size_t size) {
    return saveFile(path, data, size, false);
}

bool writeRegularFileAtomically(const std::string& path, const void* data, size_t size) {
    return saveFile(path, data, size, true);
}

bool writeOwnFileAtomically(const std::string& path, const void* data, size_t size, int mode) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        errno = S_ISLNK(info.st_mode) ? ELOOP : EINVAL;
        return false;
    }
    // No mode: what a new file gets, 0666 less the umask.
    const mode_t createMode = mode >= 0 ? static_cast<mode_t>(mode) & 0600 : 0666;
    return renameNewFile(path, createMode, mode >= 0 ? mode & 07777 : -1, nothingToPrepare,
                         static_cast<const unsigned char*>(data), size) == Outcome::done;
}

bool renameWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without that rename: a second name, made only where
    // there is none, then the first goes.
    if (::link(from.c_str(), to.c_str()) != 0)
        return false;
    ::unlink(from.c_str());
    return true;
}

bool createNewFile(const std::string& folder, const std::function<bool(std::string&)>& nextName,
                   const void* data, size_t size, std::string& name) {
    const std::string at = folder.empty() ? "." : folder;
    std::string temporary;
    Descriptor file(createTemporary(at, 0666, temporary));
    if (!file.valid())
        return false;
    bool ok = writeAll(file.get(), static_cast<const unsigned char*>(data), size) &&
              ::fsync(file.get()) == 0 && file.close();
    int failure = errno;
    for (bool claimed = false; ok && !claimed;) {
        if (!nextName(name)) {
            ok = false;
            failure = EEXIST;
        } else if (!(claimed = renameWithoutReplacing(temporary, at + "/" + name)) &&
                   errno != EEXIST) {
            ok = false;
            failure = errno;
        }
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        errno = failure;
        return false;
    }
    // The new name itself reaches the disk with the folder.
    const Descriptor folderFd(::open(at.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folderFd.valid())
        ::fsync(folderFd.get());
    return true;
}
