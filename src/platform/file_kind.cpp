#include "platform/file_kind.h"

#include <sys/stat.h>

namespace {

struct Kind {
    mode_t type;
    FileKind kind;
    const char* name;
};

const Kind kinds[] = {
    {S_IFREG, FileKind::regular, "a file"},
    {S_IFDIR, FileKind::directory, "a directory"},
    {S_IFIFO, FileKind::fifo, "a FIFO"},
    {S_IFCHR, FileKind::characterDevice, "a character device"},
    {S_IFBLK, FileKind::blockDevice, "a block device"},
    {S_IFSOCK, FileKind::socket, "a socket"},
};

} // namespace

FileKind fileKindOf(const char* path) {
    struct stat info {};
    if (::stat(path, &info) != 0)
        return FileKind::missing;
    for (const Kind& kind : kinds)
        if ((info.st_mode & S_IFMT) == kind.type)
            return kind.kind;
    return FileKind::other;
}

const char* describeFileKind(FileKind kind) {
    for (const Kind& known : kinds)
        if (known.kind == kind)
            return known.name;
    return kind == FileKind::missing ? "missing" : "an unknown kind of file";
}
