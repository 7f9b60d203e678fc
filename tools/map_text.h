#pragma once
// The map as text, for reading and editing a map file by hand:
//
//   height
//   <15 lines, rows 0 to 14, of 11 values, columns 0 to 10>
//   water
//   ...
//
// Values are the shortest decimals that read back to the same float bit for
// bit ("inf", "-inf", "nan" for the non-finite ones).

#include "map/hex_map.h"

#include <string>

std::string formatMapText(const HexMap& map);

// Parses text made by formatMapText (or by hand: blank lines and lines
// starting with '#' are skipped, layers may come in any order, each exactly
// once). On failure returns false with a message naming the line.
bool parseMapText(const std::string& text, HexMap& map, std::string& error);

// Shortest text for a float that reads back to the same bits (any NaN as
// "nan" or "-nan").
std::string formatMapValue(float value);
