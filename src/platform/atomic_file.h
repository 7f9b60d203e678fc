#pragma once
// Replacing a file's contents so that a reader (or a crash) only ever sees the
// old bytes or the new bytes, never a mixture or a truncated file.

#include <cstddef>
#include <string>
#include <sys/types.h>

// Write primitive with the contract of POSIX write(2). Tests pass their own to
// make a save fail part-way; the program uses the real one.
using FileWriteFn = ssize_t (*)(int fd, const void* data, size_t size);

// Writes `size` bytes to a new temporary file beside `path`, flushes it to
// the disk, and renames it over `path`. On any failure the temporary file is
// removed, `path` is left exactly as it was, errno describes the failure and
// the result is false.
bool writeFileAtomically(const std::string& path, const void* data, size_t size,
                         FileWriteFn writeFn = nullptr);
