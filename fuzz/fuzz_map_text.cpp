// Fuzz target: `quillmark-tool map import` text. A refused text must leave the
// map alone and say which line; an accepted one must format into text that
// parses back to the same bits, NaN payloads included, and formats again to
// the same text.

#include "map_text.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace {

bool sameMap(const HexMap& a, const HexMap& b) {
    for (int layer = 0; layer < mapLayerCount; ++layer)
        if (std::memcmp(&mapLayer(a, layer), &mapLayer(b, layer), sizeof(MapLayer)) != 0)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    HexMap untouched;
    for (int layer = 0; layer < mapLayerCount; ++layer)
        mapLayer(untouched, layer).cell[3][4] = static_cast<float>(layer) + 0.5f;
    HexMap map = untouched;
    std::string error;
    if (!parseMapText(text, map, error)) {
        if (error.compare(0, 5, "line ") != 0 || !sameMap(map, untouched))
            __builtin_trap();
        return 0;
    }

    const std::string formatted = formatMapText(map);
    HexMap again;
    std::string againError;
    if (!parseMapText(formatted, again, againError) || !sameMap(map, again) ||
        formatMapText(again) != formatted)
        __builtin_trap();
    return 0;
}
