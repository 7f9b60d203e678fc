#include "map/map_file.h"

#include "platform/byte_io.h"

#include <cerrno>
#include <cstdio>

const char* const mapFilePath = "data/quillmark.map";

void decodeMapBytes(HexMap& map, const uint8_t* bytes, size_t size) {
    // The loops visit the values in file order, so one cursor reads them all.
    ByteReader reader{bytes, size};
    for (int layer = 0; layer < mapLayerCount; ++layer) {
        MapLayer& target = mapLayer(map, layer);
        for (int column = 0; column < mapColumns; ++column)
            for (int row = 0; row < mapRows; ++row)
                reader.f32(target.cell[row][column]);
    }
}

void encodeMapBytes(const HexMap& map, uint8_t out[mapFileSize]) {
    for (int layer = 0; layer < mapLayerCount; ++layer) {
        const MapLayer& source = mapLayer(map, layer);
        for (int column = 0; column < mapColumns; ++column)
            for (int row = 0; row < mapRows; ++row)
                storeF32(out + mapFileOffset(layer, row, column), source.cell[row][column]);
    }
}

void loadMapFrom(HexMap& map, const std::string& path) {
    map.loadError = 0;
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        if (errno == ENOENT) {
            map.loadState = MapLoadState::loaded;
        } else {
            map.loadState = MapLoadState::unreadable;
            map.loadError = errno != 0 ? errno : EIO;
        }
        return;
    }
    uint8_t bytes[mapFileSize];
    errno = 0;
    const size_t size = std::fread(bytes, 1, sizeof bytes, file);
    // Opening a directory succeeds; only the read tells (EISDIR).
    const bool readFailed = std::ferror(file) != 0;
    const int readError = errno != 0 ? errno : EIO;
    std::fclose(file);
    if (readFailed) {
        map.loadState = MapLoadState::unreadable;
        map.loadError = readError;
        return;
    }
    decodeMapBytes(map, bytes, size);
    map.loadState = MapLoadState::loaded;
}

bool saveMapTo(const HexMap& map, const std::string& path) {
    if (map.loadState != MapLoadState::loaded) {
        errno = map.loadState == MapLoadState::unreadable ? map.loadError : EPERM;
        return false;
    }
    uint8_t bytes[mapFileSize];
    encodeMapBytes(map, bytes);
    // A map is a file: a save never goes to a pipe or a device at its place.
    return writeRegularFileAtomically(path, bytes, sizeof bytes);
}
