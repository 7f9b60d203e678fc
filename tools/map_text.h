#pragma once
// The map as text, for reading and editing a map file by hand:
//
//   height
//   <15 lines, rows 0 to 14, of 11 values, columns 0 to 10>
//   water
//   ...
//
// Values are the shortest decimals that read back to the same float bit for
// bit: "inf" and "-inf"; "nan" and "-nan" for the usual quiet NaN; any other
// NaN with its bits, sign aside, in hex ("nan(0x7fc00001)", "-nan(0x7f800001)").

#include "map/hex_map.h"

#include <string>

std::string formatMapText(const HexMap& map);

// Parses text made by formatMapText (or by hand: blank lines and lines
// starting with '#' are skipped, layers may come in any order, each exactly
// once). On failure returns false with a message naming the line.
bool parseMapText(const std::string& text, HexMap& map, std::string& error);

// Shortest text for a float that reads back to the same bits.
std::string formatMapValue(float value);

// Reads one value as formatMapValue writes it; also takes a leading '+' and
// anything std::from_chars reads as a decimal float. False for other text,
// and for a decimal out of the float range.
bool parseMapValue(const std::string& word, float& value);
