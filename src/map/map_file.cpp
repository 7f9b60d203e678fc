#include "map/map_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

const char* const mapFilePath = "data/quillmark.map";

namespace {

float floatFromLittleEndian(const uint8_t* p) {
    const uint32_t bits = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                          static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void floatToLittleEndian(float value, uint8_t* p) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    p[0] = static_cast<uint8_t>(bits);
    p[1] = static_cast<uint8_t>(bits >> 8);
    p[2] = static_cast<uint8_t>(bits >> 16);
    p[3] = static_cast<uint8_t>(bits >> 24);
}

} // namespace

void decodeMapBytes(HexMap& map, const uint8_t* bytes, size_t size) {
    for (int layer = 0; layer < mapLayerCount; ++layer) {
        MapLayer& target = mapLayer(map, layer);
        for (int column = 0; column < mapColumns; ++column) {
            for (int row = 0; row < mapRows; ++row) {
                const size_t offset = mapFileOffset(layer, row, column);
                if (offset + 4 <= size)
                    target.cell[row][column] = floatFromLittleEndian(bytes + offset);
            }
        }
    }
}

void encodeMapBytes(const HexMap& map, uint8_t out[mapFileSize]) {
    for (int layer = 0; layer < mapLayerCount; ++layer) {
        const MapLayer& source = mapLayer(map, layer);
        for (int column = 0; column < mapColumns; ++column)
            for (int row = 0; row < mapRows; ++row)
                floatToLittleEndian(source.cell[row][column],
                                    out + mapFileOffset(layer, row, column));
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
    return writeFileAtomically(path, bytes, sizeof bytes);
}
