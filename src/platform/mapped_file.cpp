#include "platform/mapped_file.h"

#include "platform/regular_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Maps all of the open file `fd`, which it then owns.
bool mapOpenFile(int fd, MappedFile& file) {
    if (fd < 0)
        return false;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || info.st_size <= 0 ||
        static_cast<unsigned long long>(info.st_size) > SIZE_MAX) {
        ::close(fd);
        return false;
    }
    const size_t size = static_cast<size_t>(info.st_size);
    // Populated up front: one call instead of a page fault for every page read.
    void* view = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    if (view == MAP_FAILED) {
        ::close(fd);
        return false;
    }
    file.data = static_cast<const uint8_t*>(view);
    file.size = size;
    file.handle = fd;
    return true;
}

} // namespace

bool openMappedFile(const char* path, MappedFile& file) {
    file = MappedFile{};
    return path != nullptr && mapOpenFile(::open(path, O_RDONLY | O_CLOEXEC), file);
}

bool openMappedRegularFile(const char* path, bool followLinks, MappedFile& file) {
    file = MappedFile{};
    return path != nullptr && mapOpenFile(openRegularFile(path, followLinks), file);
}

void closeMappedFile(MappedFile& file) {
    if (file.data != nullptr)
        ::munmap(const_cast<uint8_t*>(file.data), file.size);
    if (file.handle >= 0)
        ::close(file.handle);
    file = MappedFile{};
}
