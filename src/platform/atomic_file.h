#pragma once
// Replacing a file's contents so that a reader (or a crash) only ever sees the
// old bytes or the new bytes, never a mixture or a truncated file, wherever
// the file allows that; elsewhere the save does what a plain write would.

#include <cstddef>
#include <string>

// Replaces the contents of the file at `path` with `size` bytes, allowed
// exactly where a plain write (open with O_WRONLY | O_CREAT | O_TRUNC) would
// be:
// - The kernel follows symbolic links, so its protections apply (a link
//   planted in a sticky folder is refused under fs.protected_symlinks). The
//   file reached is replaced and the link stays. The end of a dangling link
//   is created through it (0666 less the umask) and removed again should the
//   write fail.
// - A file that the process may not write, or a folder, is refused.
// - A pipe, terminal or device (/dev/stdout, /dev/null) gets the bytes by a
//   plain write. A FIFO that nobody reads yet is refused (ENXIO), so that no
//   save waits forever.
// - A missing file, and an existing regular file with one link, get a new
//   file beside them, flushed to the disk and renamed over the name. It
//   takes the old file's owner and group where the process may set them,
//   its permission bits and its extended attributes (ACLs among them); it is
//   created with no more permission than the old file has. A new file gets
//   0666 less the umask, as a plain create would.
// - The file is rewritten in place instead (the whole content, then the
//   length cut, then flushed) where a rename would change more than a plain
//   write or cannot be had: a file with other hard links, a bind-mounted
//   file (EBUSY, EXDEV), a folder that refuses the new file or the rename,
//   or an attribute that cannot be carried over. Only that way is not
//   atomic: a failure part-way can leave a mixture.
// On any other failure `path` is left exactly as it was, no temporary file
// remains, errno describes the failure and the result is false.
// The bytes go through platformHooks.writeFile, and files are created
// through platformHooks.createFile.
// `mode`, when not -1, is the permission bits the file ends with instead of
// the old file's or 0666 less the umask (a copy that must be no more open
// than the file it copies); the old file's access ACL is then not carried
// over, and the file is created with no more than `mode & 0600`.
bool writeFileAtomically(const std::string& path, const void* data, size_t size, int mode = -1);

// writeFileAtomically for a target that must be a regular file (a file the
// program reads back): anything else at `path` is refused (EINVAL, or ENXIO
// for a FIFO nobody reads) and nothing is written to it.
bool writeRegularFileAtomically(const std::string& path, const void* data, size_t size,
                                int mode = -1);
