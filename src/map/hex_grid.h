#pragma once
// Spacing of the hex grid on the x-z plane, shared by the scene, the cursor's
// camera follow and the tools that build tiles to fit it. Rows run along x;
// even rows sit half a column further along z than odd ones.

#include "map/hex_map.h"

constexpr float hexRowStep = 1.5f;                     // x distance between neighbouring rows
constexpr float hexColumnStep = 1.74f;                 // z distance between neighbouring columns
constexpr float hexHalfColumnStep = hexColumnStep / 2; // z shift of the even rows
// How far along z one row's columns carry the drawing.
constexpr float hexRowLength = static_cast<float>(mapColumns) * hexColumnStep;

// Both derived steps are exactly the floats 0.87f and 19.14f, on which the
// reference pictures depend bit for bit.
static_assert(hexHalfColumnStep == 0.87f, "half column step drifted");
static_assert(hexRowLength == 19.14f, "row length drifted");
