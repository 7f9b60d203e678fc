#pragma once
// Reading the values of command-line options, shared by the commands that
// take numbers, sizes and angles.

#include <string>

struct ContainmentLimits;

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

// --max-memory MIB and --max-seconds S, the limits of a contained reader
// (model import, bmp import), 1 to 1,000,000 each. 1 when argv[i] is one of
// them with a good value (i then at the value), 0 when it is neither, -1 with
// the reason in `error` when its value is missing or bad.
int readReaderLimit(int argc, char** argv, int& i, ContainmentLimits& limits, std::string& error);

// The help text of those two options.
extern const char* const readerLimitsHelp;
