// Fuzz target: the map file load over any length. Every value wholly held by
// the bytes must come through a load and a save bit for bit, NaN payloads
// included (the map keeps what the file holds); every other value must keep
// what the map held before; bytes beyond 2,640 change nothing.

#include "map/map_file.h"

#include <cstdint>
#include <cstring>

namespace {

// A map whose every value differs from its neighbours and from zero, so a
// value written to the wrong place or not kept shows.
void fillDistinct(HexMap& map) {
    for (int layer = 0; layer < mapLayerCount; ++layer)
        for (int row = 0; row < mapRows; ++row)
            for (int column = 0; column < mapColumns; ++column)
                mapLayer(map, layer).cell[row][column] =
                    static_cast<float>(1000 * layer + 20 * row + column) + 0.25f;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    HexMap before;
    fillDistinct(before);
    uint8_t kept[mapFileSize];
    encodeMapBytes(before, kept);

    HexMap map = before;
    decodeMapBytes(map, data, size);
    uint8_t saved[mapFileSize];
    encodeMapBytes(map, saved);

    for (size_t value = 0; value < static_cast<size_t>(mapValueCount); ++value) {
        const size_t offset = 4 * value;
        const uint8_t* expected = offset + 4 <= size ? data + offset : kept + offset;
        if (std::memcmp(saved + offset, expected, 4) != 0)
            __builtin_trap();
    }
    return 0;
}
