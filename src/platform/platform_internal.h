#pragma once
// Helpers shared by the platform layer's own files; nothing outside
// src/platform includes this.

#include <cstring>
#include <string>

// Reports a failure to a caller that may not want the reason (null `error`).
inline void setError(std::string* error, const std::string& text) {
    if (error != nullptr)
        *error = text;
}

// Whether an SDL video driver shows its windows to a person. SDL falls back
// to drivers that draw nowhere (offscreen, dummy) or on a bare console
// (evdev); a window or box there would "succeed" unseen.
inline bool realDisplayDriver(const char* driver) {
    return driver != nullptr && std::strcmp(driver, "offscreen") != 0 &&
           std::strcmp(driver, "dummy") != 0 && std::strcmp(driver, "evdev") != 0;
}
