#pragma once
// How SDL's keys become the Windows virtual-key codes the editor works in.
// Internal to the platform layer (and its tests): callers see only the codes
// in PlatformEvent.

#include <cstdint>

// The virtual-key code for an SDL key code and the key's position (SDL
// scancode), 0 when there is none. Letters and digits follow the layout;
// where the layout's symbol is not ASCII, they go by position.
int32_t virtualKeyForSdlKey(int32_t sdlKeycode, int32_t sdlScancode);
