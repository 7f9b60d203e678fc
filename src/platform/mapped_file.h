#pragma once
// Read-only view of a whole file through a memory mapping, so that a decoder
// can take its bytes where they lie instead of copying them.

#include <cstddef>
#include <cstdint>

struct MappedFile {
    const uint8_t* data = nullptr;
    size_t size = 0;
    int handle = -1;
};

// Opens an existing file for reading and maps all of it read-only. False when
// the file cannot be opened or mapped; an empty file cannot be mapped. On
// failure nothing stays open and `file` is left empty.
bool openMappedFile(const char* path, MappedFile& file);

// openMappedFile for a regular file only (see openRegularFile): anything
// else at `path`, or a link when `followLinks` is not set, is refused
// without being read.
bool openMappedRegularFile(const char* path, bool followLinks, MappedFile& file);

// Unmaps the view and closes the file; harmless on an empty record.
void closeMappedFile(MappedFile& file);
