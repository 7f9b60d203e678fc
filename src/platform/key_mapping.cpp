#include "platform/key_mapping.h"

#include <SDL.h>

namespace {

struct KeyMapping {
    SDL_Keycode sdl;
    int32_t virtualKey;
};

// SDL key codes to Windows virtual-key codes. Letters and digits follow the
// keyboard layout (their SDL codes are the characters); the rest by position.
const KeyMapping keyTable[] = {
    {SDLK_BACKSPACE, 8},      {SDLK_TAB, 9},           {SDLK_CLEAR, 12},
    {SDLK_RETURN, 13},        {SDLK_LSHIFT, 16},       {SDLK_RSHIFT, 16},
    {SDLK_LCTRL, 17},         {SDLK_RCTRL, 17},        {SDLK_LALT, 18},
    {SDLK_RALT, 18},          {SDLK_PAUSE, 19},        {SDLK_CAPSLOCK, 20},
    {SDLK_ESCAPE, 27},        {SDLK_SPACE, 32},        {SDLK_PAGEUP, 33},
    {SDLK_PAGEDOWN, 34},      {SDLK_END, 35},          {SDLK_HOME, 36},
    {SDLK_LEFT, 37},          {SDLK_UP, 38},           {SDLK_RIGHT, 39},
    {SDLK_DOWN, 40},          {SDLK_SELECT, 41},       {SDLK_EXECUTE, 43},
    {SDLK_PRINTSCREEN, 44},   {SDLK_INSERT, 45},       {SDLK_DELETE, 46},
    {SDLK_HELP, 47},          {SDLK_LGUI, 91},         {SDLK_RGUI, 92},
    {SDLK_APPLICATION, 93},   {SDLK_SLEEP, 95},        {SDLK_KP_0, 96},
    {SDLK_KP_1, 97},          {SDLK_KP_2, 98},         {SDLK_KP_3, 99},
    {SDLK_KP_4, 100},         {SDLK_KP_5, 101},        {SDLK_KP_6, 102},
    {SDLK_KP_7, 103},         {SDLK_KP_8, 104},        {SDLK_KP_9, 105},
    {SDLK_KP_MULTIPLY, 106},  {SDLK_KP_PLUS, 107},     {SDLK_KP_ENTER, 13},
    {SDLK_KP_MINUS, 109},     {SDLK_KP_PERIOD, 110},   {SDLK_KP_DECIMAL, 110},
    {SDLK_KP_DIVIDE, 111},    {SDLK_KP_COMMA, 108},    {SDLK_F1, 112},
    {SDLK_F2, 113},           {SDLK_F3, 114},          {SDLK_F4, 115},
    {SDLK_F5, 116},           {SDLK_F6, 117},          {SDLK_F7, 118},
    {SDLK_F8, 119},           {SDLK_F9, 120},          {SDLK_F10, 121},
    {SDLK_F11, 122},          {SDLK_F12, 123},         {SDLK_F13, 124},
    {SDLK_F14, 125},          {SDLK_F15, 126},         {SDLK_F16, 127},
    {SDLK_F17, 128},          {SDLK_F18, 129},         {SDLK_F19, 130},
    {SDLK_F20, 131},          {SDLK_F21, 132},         {SDLK_F22, 133},
    {SDLK_F23, 134},          {SDLK_F24, 135},         {SDLK_NUMLOCKCLEAR, 144},
    {SDLK_SCROLLLOCK, 145},   {SDLK_AC_BACK, 166},     {SDLK_AC_FORWARD, 167},
    {SDLK_AC_REFRESH, 168},   {SDLK_AC_STOP, 169},     {SDLK_AC_SEARCH, 170},
    {SDLK_AC_BOOKMARKS, 171}, {SDLK_AC_HOME, 172},     {SDLK_MUTE, 173},
    {SDLK_VOLUMEDOWN, 174},   {SDLK_VOLUMEUP, 175},    {SDLK_AUDIONEXT, 176},
    {SDLK_AUDIOPREV, 177},    {SDLK_AUDIOSTOP, 178},   {SDLK_AUDIOPLAY, 179},
    {SDLK_MAIL, 180},         {SDLK_MEDIASELECT, 181}, {SDLK_SEMICOLON, 186},
    {SDLK_COLON, 186},        {SDLK_EQUALS, 187},      {SDLK_PLUS, 187},
    {SDLK_COMMA, 188},        {SDLK_LESS, 188},        {SDLK_MINUS, 189},
    {SDLK_UNDERSCORE, 189},   {SDLK_PERIOD, 190},      {SDLK_GREATER, 190},
    {SDLK_SLASH, 191},        {SDLK_QUESTION, 191},    {SDLK_BACKQUOTE, 192},
    {SDLK_LEFTBRACKET, 219},  {SDLK_BACKSLASH, 220},   {SDLK_RIGHTBRACKET, 221},
    {SDLK_QUOTE, 222},        {SDLK_QUOTEDBL, 222},    {SDLK_CRSEL, 247},
    {SDLK_EXSEL, 248},        {SDLK_CLEARAGAIN, 254},
};

} // namespace

int32_t virtualKeyForSdlKey(int32_t sdlKeycode, int32_t sdlScancode) {
    if (sdlKeycode >= SDLK_a && sdlKeycode <= SDLK_z)
        return 'A' + (sdlKeycode - SDLK_a);
    if (sdlKeycode >= SDLK_0 && sdlKeycode <= SDLK_9)
        return '0' + (sdlKeycode - SDLK_0);
    // A layout whose letters are not Latin (Russian, Greek, ...) gives the
    // letter keys their own characters; they keep their letter codes by
    // position, so the edit keys work on every layout.
    const bool nonAsciiSymbol =
        sdlKeycode == SDLK_UNKNOWN || (sdlKeycode > 127 && (sdlKeycode & SDLK_SCANCODE_MASK) == 0);
    if (nonAsciiSymbol) {
        if (sdlScancode >= SDL_SCANCODE_A && sdlScancode <= SDL_SCANCODE_Z)
            return 'A' + (sdlScancode - SDL_SCANCODE_A);
        if (sdlScancode >= SDL_SCANCODE_1 && sdlScancode <= SDL_SCANCODE_9)
            return '1' + (sdlScancode - SDL_SCANCODE_1);
        if (sdlScancode == SDL_SCANCODE_0)
            return '0';
    }
    for (const KeyMapping& mapping : keyTable)
        if (mapping.sdl == sdlKeycode)
            return mapping.virtualKey;
    return 0;
}
