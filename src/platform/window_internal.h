#pragma once
// The SDL handles behind window.h's opaque records, and the raw events, for
// platform code that hands them to a library of its own (the tools' dialog
// gives both to Dear ImGui). Internal to src/platform.

#include "platform/display_modes.h"
#include "platform/window.h"

#include <SDL.h>

struct PlatformWindow {
    SDL_Window* window = nullptr;
    bool fullscreen = false;
    DisplayMode mode;       // fullscreen: the mode asked of the display
    bool rateAsked = false; // ... with a rate of its own, not the one in force
};

struct PlatformGlContext {
    SDL_GLContext context = nullptr;
};

// The display a window asked to be on is put on: `display` while it is
// connected, else the first. Video must be running.
int connectedDisplay(int32_t display);

// Gives the window the icon's picture; false, leaving it without, when the
// bytes are no PNG it can read.
bool setWindowIcon(SDL_Window* window, const WindowIcon& icon);

// Takes the next event as pollPlatformEvent does, waiting for one up to
// `timeoutMilliseconds` (0: not at all); `raw` is the SDL event it came from.
bool takePlatformEvent(SDL_Event& raw, PlatformEvent& event, int timeoutMilliseconds);
