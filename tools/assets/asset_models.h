#pragma once
// The models of the default data set: the hex tile, the highlight, the two
// cursor arrows, the numbered objects and the numbered units.

#include "ms3d_writer.h"

#include <string>
#include <vector>

struct ModelAsset {
    std::string fileName; // below data/, e.g. "object0003.ms3d"
    std::string title;    // what it shows
    Ms3dFile file;
};

// Corners of the hex tile on the ground (x, z), counter-clockwise seen from
// above, starting with the corner on +x. The tile is the cell of the grid
// itself, so neighbours meet without gaps or overlaps.
void hexTileCorners(float corners[6][2]);

// Hexagon, HighlightHex, Arrow and Arrow_edit.
std::vector<ModelAsset> makeFixedModels();
// object0000 onwards; numbers 1 and 2 on the map (the first two) are low
// platforms a unit stands on.
std::vector<ModelAsset> makeObjectModels();
// guy0000 onwards: the blue army, then the red army.
std::vector<ModelAsset> makeUnitModels();
