#pragma once
// Replacing a file's contents so that a reader (or a crash) only ever sees the
// old bytes or the new bytes, never a mixture or a truncated file, except
// where the folder leaves no way but to write the file in place.

#include <cstddef>
#include <string>

// Replaces the contents of the file at `path` with `size` bytes, allowed
// exactly where a plain write would be:
// - A symbolic link (or a chain of them) is followed; the file it names is
//   replaced, or created if missing, and the link stays.
// - An existing file that the process may not write, or that is no regular
//   file, is refused.
// - The bytes go to a new temporary file beside the target, which is flushed
//   to the disk and renamed over it. It takes the old file's permission bits,
//   and its owner and group where the process may set them; a new file gets
//   0666 less the umask, as a plain create would.
// - When the folder refuses the temporary file or the rename (EACCES, EPERM:
//   no write permission on it, or a sticky folder), but the file itself is
//   writable, the file is rewritten in place instead. Only that fallback is
//   not atomic: a failure part-way can leave a mixture.
// On any other failure `path` is left exactly as it was, no temporary file
// remains, errno describes the failure and the result is false.
// The bytes go through platformHooks.writeFile.
// `mode`, when not -1, is the permission bits the file ends with instead of
// the old file's or 0666 less the umask (a copy that must be no more open
// than the file it copies).
bool writeFileAtomically(const std::string& path, const void* data, size_t size, int mode = -1);
