#pragma once
// What `quillmark-tool map check` and `map diff` say about maps.

#include "map/hex_map.h"

#include <string>
#include <vector>

// One line, "row R column C LAYER VALUE: reason[; reason]", for every value
// the editor would draw or edit otherwise than its plain meaning: a value not
// finite, a height not one of 0, 0.5, ..., 3, water not a whole number from 0
// to 7, an object or unit number not a whole number from 0 to the number of
// models of its series.
std::vector<std::string> checkMapValues(const HexMap& map, int objectCount, int unitCount);

// One line, "row R column C LAYER: OLD -> NEW", for every value whose bits
// differ (so -0 and 0 differ, and NaNs with different payloads).
std::vector<std::string> diffMapValues(const HexMap& before, const HexMap& after);
