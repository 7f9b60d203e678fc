#pragma once
// What a path names, so that a reader is handed only regular files: a FIFO
// waits for a writer, a device may never end, a directory is no picture.

enum class FileKind {
    missing,
    regular,
    directory,
    fifo,
    characterDevice,
    blockDevice,
    socket,
    other
};

// The kind of what `path` names, following symbolic links; missing, with
// errno set, when it cannot be looked at.
FileKind fileKindOf(const char* path);

// "a FIFO", "a directory", ... for a message.
const char* describeFileKind(FileKind kind);
