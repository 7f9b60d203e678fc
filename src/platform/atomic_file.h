#pragma once
// Replacing a file's contents so that a reader (or a crash) only ever sees the
// old bytes or the new bytes, never a mixture or a truncated file, wherever
// the file allows that; elsewhere the save does what a plain write would.

#include <cstddef>
#include <functional>
#include <string>

// Replaces the contents of the file at `path` with `size` bytes, allowed
// exactly where a plain write (open with O_WRONLY | O_CREAT | O_TRUNC) would
// be, and with the same result:
// - The kernel follows symbolic links, so its protections apply (a link
//   planted in a sticky folder is refused under fs.protected_symlinks). The
//   file reached is saved and the link stays. The end of a dangling link is
//   created through it (0666 less the umask) and removed again should the
//   write fail.
// - A file that the process may not write, or a folder, is refused.
// - A pipe, terminal or device (/dev/stdout, /dev/null) gets the bytes by a
//   plain write. A FIFO that nobody reads yet is refused (ENXIO), so that no
//   save waits forever.
// - A missing file gets a new one, 0666 less the umask, made whole beside it
//   and renamed into place.
// - An existing regular file is replaced by a new file renamed over it only
//   where that keeps all a plain write keeps: the file has no other name,
//   no descriptor of this process is open on it (/dev/stdout, /dev/fd/N),
//   and the new file can be given its owner, group, permission bits and
//   extended attributes (ACLs among them), and its folder allows the new
//   file and the rename. The new file is never more open than the old one.
//   Anywhere else the file is rewritten in place (the whole content, then the
//   length cut, then flushed), which alone is not atomic.
// On any other failure `path` is left exactly as it was, no temporary file
// remains, errno describes the failure and the result is false.
// The bytes go through platformHooks.writeFile, and files are created
// through platformHooks.createFile.
bool writeFileAtomically(const std::string& path, const void* data, size_t size);

// writeFileAtomically for a target that must be a regular file (a file the
// program reads back): anything else at `path` is refused (EINVAL, or ENXIO
// for a FIFO nobody reads) and nothing is written to it.
bool writeRegularFileAtomically(const std::string& path, const void* data, size_t size);

// A file that is the program's own (a copy it keeps beside the user's file):
// made whole beside `path` and renamed to it, with permission bits `mode`;
// never written in place and never through a link. A symbolic link at
// `path` is refused (ELOOP), anything else that is not a regular file too
// (EINVAL); either way nothing is written.
bool writeOwnFileAtomically(const std::string& path, const void* data, size_t size, int mode);

// Renames `from` to `to` only while nothing is at `to` (EEXIST otherwise), so
// that no file of anyone's is ever replaced.
bool renameWithoutReplacing(const std::string& from, const std::string& to);

// Writes `size` bytes to a new file (0666 less the umask) in `folder`, under
// the first name `nextName` gives (a file name, no folder) that nothing has:
// no file of any kind, no link, not even a dangling one. The bytes go to a
// temporary beside it first, flushed to the disk, which then takes the name
// only while it is free. True with the name in `name`. False with errno set
// otherwise (EEXIST when `nextName` gave up, returning false); no temporary
// remains and nothing already in the folder is touched.
bool createNewFile(const std::string& folder, const std::function<bool(std::string&)>& nextName,
                   const void* data, size_t size, std::string& name);
