#pragma once
// The fullscreen modes a display offers, and how a request for a
// size and refresh rate is matched against them. Shared by the editor's
// window and config.exe, so that both agree on what can be had.
//
// Colour depth is no part of a mode here: displays list their modes at the
// desktop's depth only, and the depth a program asks for is a request for
// its GL colour buffer instead.

#include <cstdint>
#include <string>
#include <vector>

struct DisplayMode {
    int32_t width = 0;
    int32_t height = 0;
    int32_t refreshRate = 0; // hertz; 0 where the display does not report it
};

struct DisplayModes {
    std::vector<DisplayMode> offered; // as the display lists them
    DisplayMode desktop;              // the mode in force before any change
};

// Asks display `display` (0, the first, when there is no such display now).
// Starts the video subsystem for the question when it is not running (and
// stops it again). False, with the reason, when there is no display to ask.
bool queryDisplayModes(DisplayModes& modes, std::string* error = nullptr, int32_t display = 0);

// Whether a fullscreen mode of this size, at this rate (any rate when 0),
// is offered.
bool modeOffered(const DisplayModes& modes, int32_t width, int32_t height, int32_t frequency);

// The mode a fullscreen request is given. A frequency of 0 asks for no
// particular rate: at the desktop's size the desktop's mode, elsewhere the
// desktop's rate when that size offers it, or else the size's first listed
// rate. False when the size, or the named rate at it, is not offered.
bool chooseFullscreenMode(const DisplayModes& modes, int32_t width, int32_t height,
                          int32_t frequency, DisplayMode& chosen);

// "800x600", or "800x600 at 60 Hz" when the frequency is not 0.
std::string describeMode(int32_t width, int32_t height, int32_t frequency);
// The offered modes by size, e.g. "1024x768 (75, 60 Hz), 800x600 (60 Hz)";
// a size whose rate is not reported shows alone.
std::string describeOfferedModes(const DisplayModes& modes);
// Why a fullscreen request cannot be had, e.g. "fullscreen 1600x1200 is not
// offered by the display (offered: 1024x768 (60 Hz))".
std::string notOfferedReason(const DisplayModes& modes, int32_t width, int32_t height,
                             int32_t frequency);
