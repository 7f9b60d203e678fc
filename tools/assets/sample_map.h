#pragma once
// The sample map of the default data set: a coast with beaches, meadows and
// a village by a river, a lake, forests, hills rising to snow, a castle,
// roads and a bridge, and two small armies.

#include "map/hex_map.h"

void makeSampleMap(HexMap& map);
