#pragma once
// A window with its OpenGL context (the editor's, or a tool's dialog),
// display modes, and the event queue, over SDL2. Events reach the caller
// already translated to the terms the program works in: Windows virtual-key
// codes, close requests, minimise and restore.

#include <cstddef>
#include <cstdint>
#include <string>

struct PlatformWindow; // opaque
struct PlatformGlContext;

enum class PlatformEventKind {
    other,        // anything the program does not handle
    quit,         // the quit message a close request posted
    closeRequest, // the user (or a signal: SIGINT, SIGTERM, SIGHUP) asked the window to close
    keyDown,
    keyUp,
    systemKeyDown, // Alt, F10, or any key with Alt held: never recorded
    systemKeyUp,
    minimised,
    restored,
    resized,
    focusGained,
    focusLost,
};

struct PlatformEvent {
    PlatformEventKind kind = PlatformEventKind::other;
    int32_t code = 0;  // keys: Windows virtual-key code (0 when the key has none);
                       // quit: the exit code posted
    int32_t width = 0; // resized: the new size of the picture, in pixels
    int32_t height = 0;
    bool repeat = false; // keys: an auto-repeated key-down
};

// From now on a hang-up (SIGHUP: the terminal closed, the SSH connection
// dropped) arrives as a close request, as SIGINT and SIGTERM do once video
// runs, instead of ending the process unsaved. Left alone when ignored.
void catchHangup();

// From now on, a display connection found dead (the X server ended, the SSH
// connection that carried it dropped) calls `handler`, and the process then
// ends at once with the status it returns: no exit(), whose static
// destructors would meet threads that still run, no return to the display
// library. It runs on the thread whose display call failed and must touch
// no window, GL or display. A child forked with it ends with status 1
// without calling it. Null puts the display library's own handling back.
void setDisplayLostHandler(int (*handler)());

// Starts the video subsystem on a real display. Refuses (false, with the
// reason) when there is none: SDL would otherwise fall back to an invisible
// offscreen driver and a window would "succeed" that nobody can see. The
// windows' Wayland app_id and X11 class are the desktop entry's name,
// org.quillmark.Quillmark, so that docks match them with it (unless
// SDL_VIDEO_WAYLAND_WMCLASS or SDL_VIDEO_X11_WMCLASS names them otherwise).
bool startVideo(std::string* error = nullptr);
void stopVideo();
bool videoStarted();

// Whether display `display` (the first when there is no such display) offers
// fullscreen at this size and rate (any rate when 0); the reason when not,
// naming what it offers.
bool fullscreenModeAvailable(int32_t display, int32_t width, int32_t height, int32_t frequency,
                             std::string* error = nullptr);

// A PNG file's bytes, for the window's icon; none when empty.
struct WindowIcon {
    const uint8_t* png = nullptr;
    size_t size = 0;
};

struct WindowRequest {
    std::string title;
    int32_t width = 640;
    int32_t height = 480;
    int32_t bits = 32;      // 16 gives a 5/6/5 colour buffer, else 8/8/8
    int32_t depthBits = 16; // the depth buffer; 0 for none
    int32_t frequency = 0;  // fullscreen refresh rate; 0 asks for none in particular
    bool fullscreen = false;
    bool dialog = false; // a tool's dialog: centred, fixed size, sharp on high-density screens
    int32_t display = 0; // where it opens: 0 is the first, which also stands in for one not there
    WindowIcon icon;     // one that cannot be read leaves the window without
};

// Creates the window, hidden, with a double-buffered RGB pixel format and the
// depth buffer asked for, on the display asked for: at its top-left corner,
// a dialog in its middle. Fullscreen chooses the display mode (failing when the
// display does not offer it) and hides the mouse cursor; the display
// switches when the window is shown.
PlatformWindow* createPlatformWindow(const WindowRequest& request, std::string* error = nullptr);
// Leaves fullscreen (restoring the desktop's mode) and shows the cursor again.
void leaveFullscreen(PlatformWindow* window);
void destroyPlatformWindow(PlatformWindow* window);
// Shows, raises and focuses the window. A fullscreen window fails (with the
// reason) when it has not got the mode it asked for within two seconds: the
// display in that mode, or, under Wayland, which scales instead, a window of
// that size (in points, or in pixels).
bool showPlatformWindow(PlatformWindow* window, std::string* error = nullptr);
// The size of the window's picture in pixels, which on a scaled display is
// not its size in points. Resize events report this size too.
void platformDrawableSize(PlatformWindow* window, int32_t& width, int32_t& height);
// The X11 window id, for tests and tools that drive the window from outside.
unsigned long platformNativeWindowId(PlatformWindow* window);

// A compatibility-profile GL context for the window, made current.
PlatformGlContext* createPlatformGlContext(PlatformWindow* window, std::string* error = nullptr);
bool releaseCurrentGlContext(PlatformWindow* window);
void deletePlatformGlContext(PlatformGlContext* context);
void swapPlatformWindow(PlatformWindow* window);

// Takes the next waiting event without waiting. False when none waits.
bool pollPlatformEvent(PlatformEvent& event);
// Posts the quit message with an exit code; a later poll returns it.
void postQuitEvent(int32_t code);

// Keeps the screensaver and display power-saving off (or lets them run).
void suspendScreenSaver(bool suspend);
