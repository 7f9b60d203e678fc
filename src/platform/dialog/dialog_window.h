#pragma once
// A small window for tools that need a few controls: an OpenGL 2 context with
// Dear ImGui set up on it. The caller draws with plain ImGui calls and never
// sees SDL.

#include "platform/window.h"

#include <cstdint>
#include <functional>
#include <string>

// Opens a `width` x `height` window titled `title` and runs it until it is
// closed, `drawFrame` returns false, or a quit is requested (a close button,
// SIGINT or SIGTERM). `drawFrame` is called once per frame between ImGui's
// NewFrame and Render. ImGui keeps no settings file.
//
// The window shows `icon`. `displayChanged` hears the index of the display
// the window is on before the first frame, and again whenever it moves to
// another one.
//
// False, with the reason in `error`, when the window cannot be opened, in
// particular when there is no real display to show it on.
bool runDialogWindow(const char* title, int width, int height,
                     const std::function<bool()>& drawFrame, std::string* error = nullptr,
                     const WindowIcon& icon = {},
                     const std::function<void(int32_t display)>& displayChanged = {});
