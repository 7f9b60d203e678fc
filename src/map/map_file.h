#pragma once
// The map file: 660 little-endian floats, layer by layer (height, water,
// object, unit), each layer column by column (value of layer L, row r,
// column c at byte 660 L + 60 c + 4 r). No header, exactly 2,640 bytes.

#include "map/hex_map.h"
#include "platform/atomic_file.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Where the program keeps its map, relative to the game folder.
extern const char* const mapFilePath;

// Byte offset of one value in the file.
constexpr size_t mapFileOffset(int layer, int row, int column) {
    return static_cast<size_t>(660 * layer + 60 * column + 4 * row);
}

// Fills the layers from up to 2,640 bytes. A value not wholly present keeps
// its current value; bytes beyond 2,640 are ignored.
void decodeMapBytes(HexMap& map, const uint8_t* bytes, size_t size);
// The 2,640 bytes of the file for this map.
void encodeMapBytes(const HexMap& map, uint8_t out[mapFileSize]);

// Reads the file into the map over its current values (the caller zeroes it
// first) and sets loadState. No file (ENOENT) counts as loaded: the layers
// stay as they were and a save creates the file. Any other failure to open or
// read leaves the layers as they were and marks the map unreadable, with the
// errno in loadError. A short or long file counts as read.
void loadMapFrom(HexMap& map, const std::string& path);

// Writes the map to the file (see writeRegularFileAtomically: anything but a
// regular file at `path` is refused). Refused (false, file untouched) unless
// the map was loaded: errno is the load's error when the
// file was unreadable, EPERM before the load step. False too when the write
// fails, errno saying why.
bool saveMapTo(const HexMap& map, const std::string& path);
