#include "map_review.h"

#include "map_text.h"

#include <cmath>
#include <cstring>

namespace {

std::string valueName(int row, int column, int layer) {
    return "row " + std::to_string(row) + " column " + std::to_string(column) + " " +
           mapLayerName(layer);
}

bool wholeNumberUpTo(float value, float highest) {
    return value >= 0.0f && value <= highest && value == std::floor(value);
}

// Why the editor would not take the value at its word; empty when it would.
std::string problemsWith(int layer, float value, int objectCount, int unitCount) {
    std::string reasons;
    if (!std::isfinite(value))
        reasons = "not finite; ";
    switch (layer) {
    case 0:
        if (!wholeNumberUpTo(2.0f * value, 6.0f))
            reasons += "not one of the heights 0, 0.5, ..., 3";
        break;
    case 1:
        if (!wholeNumberUpTo(value, 7.0f))
            reasons += "not a whole number from 0 to 7";
        break;
    default: {
        const bool objects = layer == 2;
        const int count = objects ? objectCount : unitCount;
        if (!wholeNumberUpTo(value, static_cast<float>(count)))
            reasons += "not a whole number from 0 to " + std::to_string(count) + " (the " +
                       (objects ? "object" : "unit") + " models in the data folder)";
    }
    }
    return reasons;
}

} // namespace

std::vector<std::string> checkMapValues(const HexMap& map, int objectCount, int unitCount) {
    std::vector<std::string> lines;
    for (int layer = 0; layer < mapLayerCount; ++layer)
        for (int row = 0; row < mapRows; ++row)
            for (int column = 0; column < mapColumns; ++column) {
                const float value = mapLayer(map, layer).cell[row][column];
                const std::string reasons = problemsWith(layer, value, objectCount, unitCount);
                if (!reasons.empty())
                    lines.push_back(valueName(row, column, layer) + " " + formatMapValue(value) +
                                    ": " + reasons);
            }
    return lines;
}

std::vector<std::string> diffMapValues(const HexMap& before, const HexMap& after) {
    std::vector<std::string> lines;
    for (int layer = 0; layer < mapLayerCount; ++layer)
        for (int row = 0; row < mapRows; ++row)
            for (int column = 0; column < mapColumns; ++column) {
                const float old = mapLayer(before, layer).cell[row][column];
                const float now = mapLayer(after, layer).cell[row][column];
                if (std::memcmp(&old, &now, sizeof old) != 0)
                    lines.push_back(valueName(row, column, layer) + ": " + formatMapValue(old) +
                                    " -> " + formatMapValue(now));
            }
    return lines;
}
