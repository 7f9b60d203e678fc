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

// Takes the next event as pollPlatformEvent does, waiting for one up to
// `timeoutMilliseconds` (0: not at all); `raw` is the SDL event it came from.
bool takePlatformEvent(SDL_Event& raw, PlatformEvent& event, int timeoutMilliseconds);
