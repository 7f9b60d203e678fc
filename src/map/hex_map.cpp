#include "map/hex_map.h"

#include "map/hex_grid.h"

MapLayer& mapLayer(HexMap& map, int layer) {
    switch (layer) {
    case 0:
        return map.height;
    case 1:
        return map.water;
    case 2:
        return map.object;
    default:
        return map.unit;
    }
}

const MapLayer& mapLayer(const HexMap& map, int layer) {
    return mapLayer(const_cast<HexMap&>(map), layer);
}

const char* mapLayerName(int layer) {
    static const char* const names[mapLayerCount] = {"height", "water", "object", "unit"};
    return layer >= 0 && layer < mapLayerCount ? names[layer] : "";
}

void clearHexMap(HexMap& map) {
    map = HexMap{};
}

float hexCentreX(int row) {
    return hexRowStep * static_cast<float>(row + 1);
}

float hexCentreZ(int row, int column) {
    return hexColumnStep * static_cast<float>(column + 1) +
           (row % 2 == 0 ? hexHalfColumnStep : 0.0f);
}
