#pragma once
// Reading the values of command-line options, shared by the commands that
// take numbers, sizes and angles.

// Whether --help or -h is among the arguments.
bool wantsHelp(int argc, char** argv);

// A whole decimal integer from -1,000,000 to 1,000,000, nothing after it.
bool parseIntArgument(const char* text, int& value);

// A number as strtof reads it, nothing after it (NaN and infinities pass:
// the caller's range check decides).
bool parseFloatArgument(const char* text, float& value);

// Two integers joined by `separator`, e.g. "640x480" or "7,5".
bool parsePairArgument(const char* text, char separator, int& first, int& second);

// Picture sizes the tools draw: each side 1 to this many pixels.
constexpr int maxPictureSide = 8192;

// "WIDTHxHEIGHT" with both sides from 1 to maxPictureSide.
bool parsePictureSize(const char* text, int& width, int& height);
