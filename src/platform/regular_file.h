#pragma once
// Opening a file for reading only when it is a regular file. A FIFO, a
// device or a socket named where a file was expected is refused at once:
// reading one could wait forever, or never end.

#include <cstdio>
#include <string>

// What a stat(2) mode is, in words: "a FIFO", "a character device", ...
const char* fileKindName(unsigned mode);

// A read-only, close-on-exec, blocking descriptor of the regular file at
// `path`, following symbolic links only when `followLinks` is set. -1
// otherwise, with errno set (EINVAL for a file of another kind, ELOOP for a
// link not followed) and `kind`, when given, saying what is there.
int openRegularFile(const char* path, bool followLinks, std::string* kind = nullptr);

// Whether `path` (links followed) names a regular file. When it does not,
// `kind` says what is there, or is left empty, with errno set, when nothing
// can be looked at.
bool isRegularFile(const char* path, std::string& kind);

// openRegularFile (links followed) as a stream for fread; null when refused.
std::FILE* openRegularStream(const char* path, std::string* kind = nullptr);
