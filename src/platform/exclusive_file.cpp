#include "platform/exclusive_file.h"

#include "platform/platform_hooks.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

// O_EXCL makes a clash with another process's temporary harmless: the next
// number is tried.
int createTemporaryIn(const std::string& folder, std::string& path) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 1000; ++attempt) {
        path = folder + "/.new-" + std::to_string(::getpid()) + "-" +
               std::to_string(counter.fetch_add(1)) + ".tmp";
        const int fd = platformHooks.createFile(
            path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_NOCTTY | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

bool writeEverything(int fd, const uint8_t* bytes, size_t size) {
    for (size_t done = 0; done < size;) {
        const ssize_t wrote = platformHooks.writeFile(fd, bytes + done, size - done);
        if (wrote > 0)
            done += static_cast<size_t>(wrote);
        else if (wrote == 0)
            errno = EIO;
        if (wrote == 0 || (wrote < 0 && errno != EINTR))
            return false;
    }
    return true;
}

// The temporary takes `path` only while nothing has that name. A file system
// without RENAME_NOREPLACE gets a second link instead, which never replaces
// either. False with EEXIST when the name is taken.
bool claimName(const std::string& temporary, const std::string& path) {
    if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    if (::link(temporary.c_str(), path.c_str()) != 0)
        return false;
    ::unlink(temporary.c_str());
    return true;
}

} // namespace

bool createNewFile(const std::string& folder, const std::function<bool(std::string&)>& nextName,
                   const void* data, size_t size, std::string& name) {
    const std::string at = folder.empty() ? "." : folder;
    std::string temporary;
    const int fd = createTemporaryIn(at, temporary);
    if (fd < 0)
        return false;
    bool ok = writeEverything(fd, static_cast<const uint8_t*>(data), size) && ::fsync(fd) == 0;
    int failure = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        failure = errno;
    }
    for (bool claimed = false; ok && !claimed;) {
        if (!nextName(name)) {
            ok = false;
            failure = EEXIST;
        } else if (!(claimed = claimName(temporary, at + "/" + name)) && errno != EEXIST) {
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
    const int folderFd = ::open(at.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return true;
}
