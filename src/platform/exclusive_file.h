#pragma once
// Making a file under a name that must be new: the file appears there whole
// or not at all, and nothing that has the name already is ever replaced.

#include <cstddef>
#include <functional>
#include <string>

// Writes `size` bytes to a new file (0666 less the umask) in `folder`, under
// the first name `nextName` gives (a file name, no folder) that nothing has:
// no file of any kind, no link, not even a dangling one. The bytes go to a
// temporary beside it first, flushed to the disk, which then takes the name
// only while it is free. True with the name in `name`. False with errno set
// otherwise (EEXIST when `nextName` gave up, returning false); no temporary
// remains and nothing already in the folder is touched. The bytes go through
// platformHooks.writeFile, the temporary is made through
// platformHooks.createFile.
bool createNewFile(const std::string& folder, const std::function<bool(std::string&)>& nextName,
                   const void* data, size_t size, std::string& name);
