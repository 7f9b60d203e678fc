#include "map_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <strings.h>
#include <vector>

namespace {

constexpr uint32_t signBit = 0x80000000u;
constexpr uint32_t defaultNanBits = 0x7fc00000u; // what "nan" reads as
constexpr uint32_t infinityBits = 0x7f800000u;

uint32_t bitsOf(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

float floatOf(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// "nan(0x7f800001)" and the like: the NaN's bits without the sign, in hex.
// Read here, not by the C library, which would set the quiet bit of a
// signalling NaN and so change the value.
bool parseNanWithPayload(const char* begin, const char* end, float& value) {
    constexpr char prefix[] = "nan(0x";
    constexpr size_t prefixLength = sizeof prefix - 1;
    const size_t length = static_cast<size_t>(end - begin);
    if (length < prefixLength + 2 || length > prefixLength + 9 || end[-1] != ')' ||
        std::strncmp(begin, prefix, prefixLength) != 0)
        return false;
    uint32_t bits = 0;
    const auto result = std::from_chars(begin + prefixLength, end - 1, bits, 16);
    if (result.ec != std::errc() || result.ptr != end - 1 || bits <= infinityBits ||
        bits >= signBit)
        return false;
    value = floatOf(bits);
    return true;
}

} // namespace

std::string formatMapValue(float value) {
    if (std::isnan(value)) {
        const uint32_t bits = bitsOf(value);
        const char* sign = (bits & signBit) != 0 ? "-" : "";
        if ((bits & ~signBit) == defaultNanBits)
            return std::string(sign) + "nan";
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%snan(0x%08x)", sign,
                      static_cast<unsigned>(bits & ~signBit));
        return buffer;
    }
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

bool parseMapValue(const std::string& word, float& value) {
    const char* begin = word.data();
    const char* end = begin + word.size();
    bool negative = false;
    if (begin != end && *begin == '-') {
        negative = true;
        ++begin;
    } else if (begin != end && *begin == '+') {
        ++begin;
    }
    if (begin == end || *begin == '-' || *begin == '+')
        return false;
    float parsed;
    // Any case: the C++ library would read "NaN(...)" too, dropping the bits.
    if (end - begin > 3 && strncasecmp(begin, "nan(", 4) == 0) {
        if (!parseNanWithPayload(begin, end, parsed))
            return false;
    } else {
        const auto result = std::from_chars(begin, end, parsed);
        if (result.ec != std::errc() || result.ptr != end)
            return false;
    }
    // Flipping the sign bit, not negating, keeps every other bit of a NaN.
    value = negative ? floatOf(bitsOf(parsed) ^ signBit) : parsed;
    return true;
}

std::string formatMapText(const HexMap& map) {
    std::string out;
    for (int layer = 0; layer < mapLayerCount; ++layer) {
        out += mapLayerName(layer);
        out += '\n';
        const MapLayer& values = mapLayer(map, layer);
        for (int row = 0; row < mapRows; ++row) {
            for (int column = 0; column < mapColumns; ++column) {
                if (column > 0)
                    out += ' ';
                out += formatMapValue(values.cell[row][column]);
            }
            out += '\n';
        }
    }
    return out;
}

namespace {

std::vector<std::string> splitWords(const std::string& line) {
    std::vector<std::string> words;
    std::istringstream in(line);
    std::string word;
    while (in >> word)
        words.push_back(word);
    return words;
}

int layerByName(const std::string& name) {
    for (int layer = 0; layer < mapLayerCount; ++layer)
        if (name == mapLayerName(layer))
            return layer;
    return -1;
}

} // namespace

bool parseMapText(const std::string& text, HexMap& map, std::string& error) {
    HexMap parsed;
    parsed.loadState = map.loadState;
    parsed.loadError = map.loadError;
    bool seen[mapLayerCount] = {};
    int currentLayer = -1;
    int rowsRead = 0;
    int lineNumber = 0;
    std::istringstream in(text);
    std::string line;

    auto fail = [&](const std::string& message) {
        error = "line " + std::to_string(lineNumber) + ": " + message;
        return false;
    };

    while (std::getline(in, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::vector<std::string> words = splitWords(line);
        if (words.empty() || words[0][0] == '#')
            continue;

        if (currentLayer < 0 || rowsRead == mapRows) {
            if (words.size() != 1)
                return fail("expected a layer name (height, water, object or unit), found \"" +
                            line + "\"");
            const int layer = layerByName(words[0]);
            if (layer < 0)
                return fail("unknown layer \"" + words[0] +
                            "\" (expected height, water, object or unit)");
            if (seen[layer])
                return fail("layer \"" + words[0] + "\" appears twice");
            seen[layer] = true;
            currentLayer = layer;
            rowsRead = 0;
            continue;
        }

        if (words.size() != static_cast<size_t>(mapColumns))
            return fail("expected " + std::to_string(mapColumns) + " values for row " +
                        std::to_string(rowsRead) + " of layer " + mapLayerName(currentLayer) +
                        ", found " + std::to_string(words.size()));
        MapLayer& values = mapLayer(parsed, currentLayer);
        for (int column = 0; column < mapColumns; ++column) {
            if (!parseMapValue(words[column], values.cell[rowsRead][column]))
                return fail("\"" + words[column] + "\" (column " + std::to_string(column) +
                            ") is not a number");
        }
        ++rowsRead;
    }

    if (currentLayer >= 0 && rowsRead < mapRows) {
        lineNumber = lineNumber + 1;
        return fail("layer " + std::string(mapLayerName(currentLayer)) + " ends after " +
                    std::to_string(rowsRead) + " of " + std::to_string(mapRows) + " rows");
    }
    for (int layer = 0; layer < mapLayerCount; ++layer) {
        if (!seen[layer]) {
            lineNumber = lineNumber + 1;
            return fail("layer " + std::string(mapLayerName(layer)) + " is missing");
        }
    }
    map = parsed;
    return true;
}
