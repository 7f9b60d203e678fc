#include "platform/message_box.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <utility>

namespace {

std::mutex sinkMutex;
MessageSink installedSink;

bool noScreenDriver(const char* driver) {
    return std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0 ||
           std::strcmp(driver, "evdev") == 0;
}

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
        if (requested != nullptr && noScreenDriver(requested))
            return false;
        return nonEmptyVariable("DISPLAY") || nonEmptyVariable("WAYLAND_DISPLAY");
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr || noScreenDriver(driver))
        return false;
    return SDL_GetNumVideoDisplays() > 0;
}

} // namespace

MessageSink setMessageSink(MessageSink sink) {
    std::lock_guard<std::mutex> lock(sinkMutex);
    MessageSink previous = std::move(installedSink);
    installedSink = std::move(sink);
    return previous;
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

void showMessageBox(const std::string& caption, const std::string& text, MessageIcon icon) {
    MessageSink sink;
    {
        std::lock_guard<std::mutex> lock(sinkMutex);
        sink = installedSink;
    }
    if (sink) {
        sink(caption, text, icon);
        return;
    }
    const std::string line = formatMessageLine(caption, text);
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
    if (!videoHasDisplay())
        return;
    const Uint32 flags =
        icon == MessageIcon::error ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
    // A refusal leaves the stderr line as the user's only notice.
    SDL_ShowSimpleMessageBox(flags, caption.c_str(), text.c_str(), SDL_GetKeyboardFocus());
}
