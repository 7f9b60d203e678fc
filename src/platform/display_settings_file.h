#pragma once
// The display-settings file ZKP.cfg: 13 bytes, little-endian, no header.
//   offset 0  fullscreen flag (1 = fullscreen, anything else windowed)
//   offset 1  resolution index (signed 32-bit)
//   offset 5  colour-depth index
//   offset 9  refresh-rate index
// It is written by the configuration tool config.exe and read by the editor
// (shell/display_settings.h); both share this codec.

#include <cstddef>
#include <cstdint>

extern const char* const displaySettingsPath; // "ZKP.cfg"
constexpr size_t displaySettingsSize = 13;

struct DisplaySettings {
    uint8_t fullscreenFlag = 1;
    int32_t resolutionIndex = 2;
    int32_t colorDepthIndex = 1;
    int32_t refreshIndex = 3;
};

// The mode a settings record asks for.
struct DisplayChoice {
    bool fullscreen = true;
    int32_t width = 1024;
    int32_t height = 768;
    int32_t bits = 32;
    int32_t frequency = 75; // 0: keep the display's current rate
};

// The tables, by index; an index outside a table gives its default.
constexpr int resolutionCount = 6;
constexpr int colorDepthCount = 2;
constexpr int refreshCount = 8;
void resolutionForIndex(int32_t index, int32_t& width, int32_t& height);
int32_t colorDepthForIndex(int32_t index);
int32_t refreshForIndex(int32_t index);

// Reads the fields a file of `size` bytes holds; fields beyond its end keep
// the values already in `settings`. Bytes after the 13th are ignored.
void decodeDisplaySettings(const uint8_t* bytes, size_t size, DisplaySettings& settings);
void encodeDisplaySettings(const DisplaySettings& settings, uint8_t out[displaySettingsSize]);

// The mode the settings ask for: defaults (fullscreen, 1024 x 768, 32 bits,
// 75 Hz) for every index outside its table.
DisplayChoice chooseDisplay(const DisplaySettings& settings);
