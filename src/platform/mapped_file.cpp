#include "platform/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

bool openMappedFile(const char* path, MappedFile& file) {
    file = MappedFile{};
    if (path == nullptr)
        return false;
    // Not blocking on a FIFO's open (which waits for a writer): only a
    // regular file is mapped.
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0 ||
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

void closeMappedFile(MappedFile& file) {
    if (file.data != nullptr)
        ::munmap(const_cast<uint8_t*>(file.data), file.size);
    if (file.handle >= 0)
        ::close(file.handle);
    file = MappedFile{};
}
