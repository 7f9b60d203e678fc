#include "platform/window.h"

#include "platform/display_modes.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <cstring>

struct PlatformWindow {
    SDL_Window* window = nullptr;
    bool fullscreen = false;
    DisplayMode mode;       // fullscreen: the mode asked of the display
    bool rateAsked = false; // ... with a rate of its own, not the one in force
};

struct PlatformGlContext {
    SDL_GLContext context = nullptr;
};

namespace {

uint32_t quitEventType = 0;

void setError(std::string* error, const std::string& text) {
    if (error != nullptr)
        *error = text;
}

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

bool isSystemKey(SDL_Keycode key, uint16_t modifiers) {
    return key == SDLK_LALT || key == SDLK_RALT || key == SDLK_F10 || (modifiers & KMOD_ALT) != 0;
}

bool realDisplayDriver(const char* driver) {
    return driver != nullptr && std::strcmp(driver, "offscreen") != 0 &&
           std::strcmp(driver, "dummy") != 0 && std::strcmp(driver, "evdev") != 0;
}

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

bool startVideo(std::string* error) {
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0)
        return true;
    // Only a real display will do; never fall back to an invisible driver.
    const char* requested = SDL_getenv("SDL_VIDEODRIVER");
    if (requested != nullptr && !realDisplayDriver(requested)) {
        setError(error, std::string("video driver '") + requested + "' shows nothing");
        return false;
    }
    // One close request, one quit message: SDL would add a quit event of its
    // own when the last window is asked to close. Signals still bring one.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        setError(error, std::string("no display to open a window on: ") + SDL_GetError());
        return false;
    }
    if (!realDisplayDriver(SDL_GetCurrentVideoDriver())) {
        setError(error, "no display to open a window on (is DISPLAY or WAYLAND_DISPLAY set?)");
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        return false;
    }
    if (quitEventType == 0)
        quitEventType = SDL_RegisterEvents(1);
    return true;
}

void stopVideo() {
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0)
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
}

bool videoStarted() {
    return SDL_WasInit(SDL_INIT_VIDEO) != 0;
}

bool fullscreenModeAvailable(int32_t width, int32_t height, int32_t frequency, std::string* error) {
    DisplayModes modes;
    if (!queryDisplayModes(modes, error))
        return false;
    DisplayMode chosen;
    if (chooseFullscreenMode(modes, width, height, frequency, chosen))
        return true;
    setError(error, notOfferedReason(modes, width, height, frequency));
    return false;
}

PlatformWindow* createPlatformWindow(const WindowRequest& request, std::string* error) {
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    const bool sixteen = request.bits == 16;
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, sixteen ? 5 : 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, sixteen ? 6 : 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, sixteen ? 5 : 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_RED_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_GREEN_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_BLUE_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);

    // The depth is the colour buffer's alone: the mode keeps the desktop's
    // pixel format (format 0), the only one displays list.
    DisplayMode chosen;
    if (request.fullscreen) {
        DisplayModes modes;
        if (!queryDisplayModes(modes, error))
            return nullptr;
        if (!chooseFullscreenMode(modes, request.width, request.height, request.frequency,
                                  chosen)) {
            setError(error,
                     notOfferedReason(modes, request.width, request.height, request.frequency));
            return nullptr;
        }
    }
    SDL_DisplayMode mode{};
    mode.w = chosen.width;
    mode.h = chosen.height;
    mode.refresh_rate = chosen.refreshRate;

    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    flags |= request.fullscreen ? SDL_WINDOW_FULLSCREEN : SDL_WINDOW_RESIZABLE;
    SDL_Window* window =
        SDL_CreateWindow(request.title.c_str(), 0, 0, request.width, request.height, flags);
    if (window == nullptr) {
        setError(error, SDL_GetError());
        return nullptr;
    }
    if (request.fullscreen) {
        if (SDL_SetWindowDisplayMode(window, &mode) != 0 ||
            SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) != 0) {
            setError(error, SDL_GetError());
            SDL_DestroyWindow(window);
            return nullptr;
        }
        SDL_ShowCursor(SDL_DISABLE);
    }
    auto* result = new PlatformWindow;
    result->window = window;
    result->fullscreen = request.fullscreen;
    result->mode = chosen;
    result->rateAsked = request.frequency != 0;
    return result;
}

void leaveFullscreen(PlatformWindow* window) {
    if (window != nullptr && window->window != nullptr)
        SDL_SetWindowFullscreen(window->window, 0);
    SDL_ShowCursor(SDL_ENABLE);
}

void destroyPlatformWindow(PlatformWindow* window) {
    if (window == nullptr)
        return;
    SDL_DestroyWindow(window->window);
    delete window;
}

bool showPlatformWindow(PlatformWindow* window, std::string* error) {
    // A fullscreen window switches the display only now, and a refused switch
    // is not reported: look at the mode in force instead.
    SDL_ShowWindow(window->window);
    SDL_RaiseWindow(window->window);
    SDL_SetWindowInputFocus(window->window);
    if (!window->fullscreen)
        return true;
    SDL_DisplayMode mode;
    const int display = SDL_GetWindowDisplayIndex(window->window);
    if (display < 0 || SDL_GetCurrentDisplayMode(display, &mode) != 0) {
        setError(error, std::string("cannot tell the display's mode: ") + SDL_GetError());
        return false;
    }
    const DisplayMode& asked = window->mode;
    if (mode.w == asked.width && mode.h == asked.height &&
        (!window->rateAsked || mode.refresh_rate == asked.refreshRate))
        return true;
    setError(error, "the display did not switch to fullscreen " +
                        describeMode(asked.width, asked.height,
                                     window->rateAsked ? asked.refreshRate : 0) +
                        "; it stays at " + describeMode(mode.w, mode.h, mode.refresh_rate));
    return false;
}

uint32_t platformWindowId(PlatformWindow* window) {
    return SDL_GetWindowID(window->window);
}

unsigned long platformNativeWindowId(PlatformWindow* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window == nullptr || !SDL_GetWindowWMInfo(window->window, &info) ||
        info.subsystem != SDL_SYSWM_X11)
        return 0;
    return static_cast<unsigned long>(info.info.x11.window);
}

PlatformGlContext* createPlatformGlContext(PlatformWindow* window, std::string* error) {
    SDL_GLContext context = SDL_GL_CreateContext(window->window);
    if (context == nullptr) {
        setError(error, SDL_GetError());
        return nullptr;
    }
    if (SDL_GL_MakeCurrent(window->window, context) != 0) {
        setError(error, SDL_GetError());
        SDL_GL_DeleteContext(context);
        return nullptr;
    }
    auto* result = new PlatformGlContext;
    result->context = context;
    return result;
}

bool releaseCurrentGlContext(PlatformWindow* window) {
    return SDL_GL_MakeCurrent(window != nullptr ? window->window : nullptr, nullptr) == 0;
}

void deletePlatformGlContext(PlatformGlContext* context) {
    if (context == nullptr)
        return;
    SDL_GL_DeleteContext(context->context);
    delete context;
}

void swapPlatformWindow(PlatformWindow* window) {
    if (window != nullptr)
        SDL_GL_SwapWindow(window->window);
}

bool pollPlatformEvent(PlatformEvent& event) {
    SDL_Event e;
    if (SDL_WasInit(SDL_INIT_EVENTS) == 0 || SDL_PollEvent(&e) == 0)
        return false;
    event = PlatformEvent{};
    if (quitEventType != 0 && e.type == quitEventType) {
        event.kind = PlatformEventKind::quit;
        event.code = e.user.code;
        return true;
    }
    switch (e.type) {
    case SDL_QUIT: // also what SIGINT and SIGTERM become
        event.kind = PlatformEventKind::closeRequest;
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        const bool down = e.type == SDL_KEYDOWN;
        event.code = virtualKeyForSdlKey(e.key.keysym.sym, e.key.keysym.scancode);
        event.repeat = e.key.repeat != 0;
        if (isSystemKey(e.key.keysym.sym, e.key.keysym.mod))
            event.kind = down ? PlatformEventKind::systemKeyDown : PlatformEventKind::systemKeyUp;
        else
            event.kind = down ? PlatformEventKind::keyDown : PlatformEventKind::keyUp;
        break;
    }
    case SDL_WINDOWEVENT:
        switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            event.kind = PlatformEventKind::closeRequest;
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
            event.kind = PlatformEventKind::minimised;
            break;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED:
            event.kind = PlatformEventKind::restored;
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            event.kind = PlatformEventKind::resized;
            event.width = e.window.data1;
            event.height = e.window.data2;
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            event.kind = PlatformEventKind::focusGained;
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            event.kind = PlatformEventKind::focusLost;
            break;
        default:
            break;
        }
        break;
    default:
        break;
    }
    return true;
}

void postQuitEvent(int32_t code) {
    if (quitEventType == 0)
        return;
    SDL_Event e;
    SDL_zero(e);
    e.type = quitEventType;
    e.user.code = code;
    SDL_PushEvent(&e);
}

void holdOffScreenSaver(bool holdOff) {
    if (holdOff)
        SDL_DisableScreenSaver();
    else
        SDL_EnableScreenSaver();
}
