#pragma once
// The display-settings file ZKP.cfg: 13 bytes, little-endian, no header.
//   offset 0  fullscreen flag (1 = fullscreen, anything else windowed)
//   offset 1  resolution index (signed 32-bit)
//   offset 5  colour-depth index
//   offset 9  refresh-rate index
// Every reader of the format ignores the bytes after the 13th, so the display
// the mode is meant for follows there, only when it is not the first one:
//   offset 13 the tag "QMDI"
//   offset 17 display index (signed 32-bit; 0 is the first display)
// A file without the tag (13 bytes, shorter, or longer with anything else
// after the 13th byte) is for the first display.
// It is written by the configuration tool config.exe and read by the editor
// (shell/display_settings.h); both share this codec.

#include <cstddef>
#include <cstdint>

extern const char* const displaySettingsPath; // "ZKP.cfg"
constexpr size_t displaySettingsSize = 13;    // the fields every reader knows
constexpr size_t displaySettingsMaxSize = 21; // with the display index

struct DisplaySettings {
    uint8_t fullscreenFlag = 1;
    int32_t resolutionIndex = 2;
    int32_t colorDepthIndex = 1;
    int32_t refreshIndex = 3;
    int32_t displayIndex = 0;
};

// The mode a settings record asks for.
struct DisplayChoice {
    bool fullscreen = true;
    int32_t width = 1024;
    int32_t height = 768;
    int32_t bits = 32;
    int32_t frequency = 75; // 0: keep the display's current rate
    int32_t display = 0;    // as stored: the window falls back to the first when it is not there
};

// The tables, by index; an index outside a table gives its default.
constexpr int resolutionCount = 6;
constexpr int colorDepthCount = 2;
constexpr int refreshCount = 8;
void resolutionForIndex(int32_t index, int32_t& width, int32_t& height);
int32_t colorDepthForIndex(int32_t index);
int32_t refreshForIndex(int32_t index);

// Reads the fields a file of `size` bytes holds; fields beyond its end keep
// the values already in `settings`. The display index is read only from its
// tagged field, and is 0 without one. True when that field was there.
bool decodeDisplaySettings(const uint8_t* bytes, size_t size, DisplaySettings& settings);
// The 13 bytes, then the display field when the index is not 0; the result
// is the number of bytes written.
size_t encodeDisplaySettings(const DisplaySettings& settings, uint8_t out[displaySettingsMaxSize]);

// The mode the settings ask for: defaults (fullscreen, 1024 x 768, 32 bits,
// 75 Hz) for every index outside its table.
DisplayChoice chooseDisplay(const DisplaySettings& settings);
