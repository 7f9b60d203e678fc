#include "platform/window.h"

#include "platform/display_modes.h"
#include "platform/key_mapping.h"
#include "platform/platform_internal.h"
#include "platform/window_internal.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <unistd.h>

namespace {

const char* const appId = "org.quillmark.Quillmark";
uint32_t quitEventType = 0;
volatile sig_atomic_t hangupPending = 0;

void onHangup(int) {
    hangupPending = 1;
}

int (*displayLostHandler)() = nullptr;
pid_t displayLostProcess = 0;

// Xlib exits the process when this returns, so it never does.
int onDisplayIoError(Display*) {
    // A child forked with this handler (SDL may show a box from one) holds
    // nothing of the process's own to end.
    if (::getpid() != displayLostProcess || displayLostHandler == nullptr)
        ::_exit(1);
    // A second thread that finds the connection dead waits for the first
    // one's end.
    static std::atomic_flag entered = ATOMIC_FLAG_INIT;
    if (entered.test_and_set())
        for (;;)
            ::pause();
    ::_exit(displayLostHandler());
}

bool isSystemKey(SDL_Keycode key, uint16_t modifiers) {
    return key == SDLK_LALT || key == SDLK_RALT || key == SDLK_F10 || (modifiers & KMOD_ALT) != 0;
}

} // namespace

void catchHangup() {
    struct sigaction current {};
    // Ignored from the start (nohup): it stays ignored, as SDL leaves SIGINT
    // and SIGTERM.
    if (::sigaction(SIGHUP, nullptr, &current) != 0 || current.sa_handler != SIG_DFL)
        return;
    struct sigaction action {};
    action.sa_handler = onHangup;
    ::sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGHUP, &action, nullptr);
}

void setDisplayLostHandler(int (*handler)()) {
    displayLostHandler = handler;
    displayLostProcess = ::getpid();
    XSetIOErrorHandler(handler != nullptr ? onDisplayIoError : nullptr);
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
    // SDL reads these from the environment when video starts, and no hint
    // stands in for them.
    ::setenv("SDL_VIDEO_WAYLAND_WMCLASS", appId, 0);
    ::setenv("SDL_VIDEO_X11_WMCLASS", appId, 0);
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

bool fullscreenModeAvailable(int32_t display, int32_t width, int32_t height, int32_t frequency,
                             std::string* error) {
    DisplayModes modes;
    if (!queryDisplayModes(modes, error, display))
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
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, request.depthBits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_RED_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_GREEN_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_BLUE_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);

    // The depth is the colour buffer's alone: the mode keeps the desktop's
    // pixel format (format 0), the only one displays list.
    const int display = connectedDisplay(request.display);
    DisplayMode chosen;
    if (request.fullscreen) {
        DisplayModes modes;
        if (!queryDisplayModes(modes, error, display))
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

    // Every window draws in the display's own pixels: a scaled output would
    // otherwise enlarge a low-resolution picture.
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI;
    if (request.fullscreen)
        flags |= SDL_WINDOW_FULLSCREEN;
    else if (!request.dialog)
        flags |= SDL_WINDOW_RESIZABLE;
    // The corner, not SDL's own placement, which centres the window too.
    SDL_Rect bounds{};
    SDL_GetDisplayBounds(display, &bounds);
    const int x = request.dialog ? SDL_WINDOWPOS_CENTERED_DISPLAY(display) : bounds.x;
    const int y = request.dialog ? SDL_WINDOWPOS_CENTERED_DISPLAY(display) : bounds.y;
    SDL_Window* window =
        SDL_CreateWindow(request.title.c_str(), x, y, request.width, request.height, flags);
    if (window == nullptr) {
        setError(error, SDL_GetError());
        return nullptr;
    }
    setWindowIcon(window, request.icon);
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
    // A compositor is not to see the window raised and gone in one instant
    // (sway 1.7 falls over): it hears of the hiding first.
    if ((SDL_GetWindowFlags(window->window) & SDL_WINDOW_SHOWN) != 0) {
        SDL_HideWindow(window->window);
        for (int i = 0; i < 5; ++i) {
            SDL_PumpEvents();
            SDL_Delay(10);
        }
    }
    SDL_DestroyWindow(window->window);
    delete window;
}

namespace {

// Whether a fullscreen window has the mode it asked for. On X11 the display
// switches; a Wayland compositor keeps its own mode and scales the window,
// whose size is then the mode's: either is the mode set.
bool fullscreenModeSet(PlatformWindow* window, SDL_DisplayMode& current) {
    const DisplayMode& asked = window->mode;
    const int display = SDL_GetWindowDisplayIndex(window->window);
    if (display >= 0 && SDL_GetCurrentDisplayMode(display, &current) == 0 &&
        current.w == asked.width && current.h == asked.height &&
        (!window->rateAsked || current.refresh_rate == asked.refreshRate))
        return true;
    if (display < 0 || std::string(SDL_GetCurrentVideoDriver()) != "wayland")
        return false;
    // The mode's size in points: on a scaled output the picture has that
    // many times the scale in pixels.
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(window->window, &width, &height);
    int pixelWidth = 0;
    int pixelHeight = 0;
    SDL_GL_GetDrawableSize(window->window, &pixelWidth, &pixelHeight);
    return (width == asked.width && height == asked.height) ||
           (pixelWidth == asked.width && pixelHeight == asked.height);
}

} // namespace

bool showPlatformWindow(PlatformWindow* window, std::string* error) {
    // A fullscreen window switches the display only now, and a refused switch
    // is not reported: look at what the window got instead.
    SDL_ShowWindow(window->window);
    SDL_RaiseWindow(window->window);
    SDL_SetWindowInputFocus(window->window);
    if (!window->fullscreen)
        return true;
    // A compositor answers in its own time; what it says comes as events.
    SDL_DisplayMode mode{};
    const Uint32 deadline = SDL_GetTicks() + 2000;
    bool set = false;
    while (!(set = fullscreenModeSet(window, mode)) &&
           !SDL_TICKS_PASSED(SDL_GetTicks(), deadline)) {
        SDL_PumpEvents();
        SDL_Delay(10);
    }
    if (set)
        return true;
    if (SDL_GetWindowDisplayIndex(window->window) < 0) {
        setError(error, std::string("cannot tell the display's mode: ") + SDL_GetError());
        return false;
    }
    const DisplayMode& asked = window->mode;
    setError(error, "the display did not switch to fullscreen " +
                        describeMode(asked.width, asked.height,
                                     window->rateAsked ? asked.refreshRate : 0) +
                        "; it stays at " + describeMode(mode.w, mode.h, mode.refresh_rate));
    return false;
}

void platformDrawableSize(PlatformWindow* window, int32_t& width, int32_t& height) {
    int w = 0;
    int h = 0;
    if (window != nullptr)
        SDL_GL_GetDrawableSize(window->window, &w, &h);
    width = w;
    height = h;
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
    SDL_Event raw;
    return takePlatformEvent(raw, event, 0);
}

bool takePlatformEvent(SDL_Event& e, PlatformEvent& event, int timeoutMilliseconds) {
    if (hangupPending != 0) {
        hangupPending = 0;
        event = PlatformEvent{};
        event.kind = PlatformEventKind::closeRequest;
        return true;
    }
    if (SDL_WasInit(SDL_INIT_EVENTS) == 0)
        return false;
    const int taken =
        timeoutMilliseconds > 0 ? SDL_WaitEventTimeout(&e, timeoutMilliseconds) : SDL_PollEvent(&e);
    if (taken == 0)
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
            // In pixels: on a scaled output the window's own size is in
            // points, and the picture would fill a part of it.
            event.kind = PlatformEventKind::resized;
            event.width = e.window.data1;
            event.height = e.window.data2;
            if (SDL_Window* window = SDL_GetWindowFromID(e.window.windowID))
                SDL_GL_GetDrawableSize(window, &event.width, &event.height);
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

void suspendScreenSaver(bool suspend) {
    if (suspend)
        SDL_DisableScreenSaver();
    else
        SDL_EnableScreenSaver();
}
