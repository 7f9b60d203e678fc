#include "platform/display_modes.h"

#include "platform/platform_internal.h"
#include "platform/window.h"
#include "platform/window_internal.h"

#include <SDL.h>

#include <algorithm>

int connectedDisplay(int32_t display) {
    // A display unplugged since the settings were written is no reason to fail.
    return display >= 0 && display < SDL_GetNumVideoDisplays() ? display : 0;
}

bool queryDisplayModes(DisplayModes& modes, std::string* error, int32_t display) {
    modes = DisplayModes{};
    const bool wasStarted = videoStarted();
    if (!wasStarted && !startVideo(error))
        return false;
    const int index = connectedDisplay(display);
    SDL_DisplayMode mode;
    bool ok = SDL_GetDesktopDisplayMode(index, &mode) == 0;
    if (ok) {
        modes.desktop = {mode.w, mode.h, mode.refresh_rate};
        const int count = SDL_GetNumDisplayModes(index);
        for (int i = 0; i < count; ++i)
            if (SDL_GetDisplayMode(index, i, &mode) == 0)
                modes.offered.push_back({mode.w, mode.h, mode.refresh_rate});
    } else {
        setError(error, SDL_GetError());
    }
    if (!wasStarted)
        stopVideo();
    return ok;
}

namespace {

bool sameSize(const DisplayMode& mode, int32_t width, int32_t height) {
    return mode.width == width && mode.height == height;
}

const DisplayMode* findMode(const DisplayModes& modes, int32_t width, int32_t height,
                            int32_t frequency) {
    for (const DisplayMode& mode : modes.offered)
        if (sameSize(mode, width, height) && mode.refreshRate == frequency)
            return &mode;
    return nullptr;
}

const DisplayMode* firstOfSize(const DisplayModes& modes, int32_t width, int32_t height) {
    for (const DisplayMode& mode : modes.offered)
        if (sameSize(mode, width, height))
            return &mode;
    return nullptr;
}

} // namespace

bool modeOffered(const DisplayModes& modes, int32_t width, int32_t height, int32_t frequency) {
    return frequency == 0 ? firstOfSize(modes, width, height) != nullptr
                          : findMode(modes, width, height, frequency) != nullptr;
}

bool chooseFullscreenMode(const DisplayModes& modes, int32_t width, int32_t height,
                          int32_t frequency, DisplayMode& chosen) {
    const DisplayMode* mode = nullptr;
    if (frequency != 0) {
        mode = findMode(modes, width, height, frequency);
    } else if (sameSize(modes.desktop, width, height)) {
        chosen = modes.desktop; // nothing to change
        return true;
    } else {
        // The list puts the fastest rate first; the desktop's is the one the
        // user already has.
        mode = findMode(modes, width, height, modes.desktop.refreshRate);
        if (mode == nullptr)
            mode = firstOfSize(modes, width, height);
    }
    if (mode == nullptr)
        return false;
    chosen = *mode;
    return true;
}

std::string describeMode(int32_t width, int32_t height, int32_t frequency) {
    std::string text = std::to_string(width) + "x" + std::to_string(height);
    if (frequency != 0)
        text += " at " + std::to_string(frequency) + " Hz";
    return text;
}

std::string describeOfferedModes(const DisplayModes& modes) {
    std::vector<const DisplayMode*> sizes;
    for (const DisplayMode& mode : modes.offered)
        if (std::none_of(sizes.begin(), sizes.end(), [&](const DisplayMode* seen) {
                return sameSize(*seen, mode.width, mode.height);
            }))
            sizes.push_back(&mode);
    if (sizes.empty())
        return "none";
    std::string text;
    for (const DisplayMode* size : sizes) {
        if (!text.empty())
            text += ", ";
        text += describeMode(size->width, size->height, 0);
        std::vector<int32_t> rates;
        for (const DisplayMode& mode : modes.offered)
            if (sameSize(mode, size->width, size->height) && mode.refreshRate != 0 &&
                std::find(rates.begin(), rates.end(), mode.refreshRate) == rates.end())
                rates.push_back(mode.refreshRate);
        for (size_t i = 0; i < rates.size(); ++i)
            text += (i == 0 ? " (" : ", ") + std::to_string(rates[i]);
        if (!rates.empty())
            text += " Hz)";
    }
    return text;
}

std::string notOfferedReason(const DisplayModes& modes, int32_t width, int32_t height,
                             int32_t frequency) {
    return "fullscreen " + describeMode(width, height, frequency) +
           " is not offered by the display (offered: " + describeOfferedModes(modes) + ")";
}
