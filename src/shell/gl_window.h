#pragma once
// The program's window and its OpenGL context.

#include "platform/window.h"

#include <cstdint>
#include <string>

struct GlWindow {
    PlatformWindow* window = nullptr;
    PlatformGlContext* renderContext = nullptr;
    bool ownsVideo = false;   // video runs for the window: the teardown stops it
    uint8_t fullscreen = 1;   // tells the teardown to restore the display mode
    uint8_t active = 1;       // 0 while minimised: the main loop does not draw
    std::string failureCause; // why the last createGlWindow failed, for stderr
    int32_t display = 0;      // the display createGlWindow opens on, as config.exe chose
    WindowIcon icon;          // the program's icon, for docks and task switchers
};

extern GlWindow glWindow;

// Opens the window and its context, sets the projection and initialises the
// scene (shellHooks.initScene: initScene). False when any step fails (after
// tearing down what exists), with the cause in glWindow.failureCause; shows
// no message of its own.
bool createGlWindow(const char* title, void* instance, int32_t width, int32_t height, int32_t bits,
                    int32_t frequency, uint8_t fullscreen);

// Restores the display mode, releases the context and the window, reports
// each failed release, then saves the map (saveMapAtEnd, in a box). True
// when the map was saved.
bool destroyGlWindow();

// The save that ends a run: the map, only when the scene has loaded it, then
// its recovery copy settled. A failed save is reported as the error box, in
// one (`inBox`) or only as the box's line on stderr, for an end that has no
// display left. True when the map was saved.
bool saveMapAtEnd(bool inBox);

// Handles one event from the queue other than the quit message: minimise and
// restore, close requests, keys for the tick, resizes and focus.
void windowProc(const PlatformEvent& event);

// Viewport and perspective projection for a client area of this size (a
// height of 0, as a minimised window reports, counts as 1); leaves the
// model-view matrix selected and set to the identity.
void resizeScene(int32_t width, int32_t height);
