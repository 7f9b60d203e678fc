#include "platform/message_box.h"

#include "platform/platform_hooks.h"
#include "platform/platform_internal.h"

#include <SDL.h>

#include <cstdio>

namespace {

bool nonEmptyVariable(const char* name) {
    const char* value = SDL_getenv(name);
    return value != nullptr && value[0] != '\0';
}

// Whether a box can be seen. Boxes also come before the window exists (a
// model that fails to load) and after it is gone (the frame-rate report), so
// a display the program could open counts too; SDL opens one for the box.
bool videoHasDisplay() {
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
        const char* requested = SDL_getenv("SDL_VIDEODRIVER");
        if (requested != nullptr && !realDisplayDriver(requested))
            return false;
        return nonEmptyVariable("DISPLAY") || nonEmptyVariable("WAYLAND_DISPLAY");
    }
    if (!realDisplayDriver(SDL_GetCurrentVideoDriver()))
        return false;
    return SDL_GetNumVideoDisplays() > 0;
}

} // namespace

void showMessageBox(const std::string& caption, const std::string& text, MessageIcon icon) {
    platformHooks.showMessage(caption, text, icon);
}

std::string formatMessageLine(const std::string& caption, const std::string& text) {
    std::string body = text;
    while (!body.empty() && (body.back() == '\n' || body.back() == '\r'))
        body.pop_back();
    for (char& c : body)
        if (c == '\n' || c == '\r')
            c = ' ';
    return caption + ": " + body;
}

void showSystemMessage(const std::string& caption, const std::string& text, MessageIcon icon) {
    const std::string line = formatMessageLine(caption, text);
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
    // A refusal leaves the stderr line as the user's only notice.
    showMessageWindow(caption, text, icon);
}

bool showMessageWindow(const std::string& caption, const std::string& text, MessageIcon icon) {
    if (!videoHasDisplay())
        return false;
    const Uint32 flags =
        icon == MessageIcon::error ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
    return SDL_ShowSimpleMessageBox(flags, caption.c_str(), text.c_str(), SDL_GetKeyboardFocus()) ==
           0;
}
