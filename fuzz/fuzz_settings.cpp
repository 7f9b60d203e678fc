// Fuzz target: the display-settings file read over any length. Each field the
// bytes hold is taken from them, the others keep their defaults; whatever the
// indices, the chosen mode is one of the tables' entries or the default.

#include "platform/display_settings_file.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>

namespace {

int32_t readInt32(const uint8_t* p) {
    uint32_t bits = 0;
    for (int i = 3; i >= 0; --i)
        bits = bits << 8 | p[i];
    return static_cast<int32_t>(bits);
}

bool knownResolution(int32_t width, int32_t height) {
    static const int32_t sizes[][2] = {{640, 480},  {800, 600},   {1024, 768},
                                       {1152, 864}, {1280, 1024}, {1600, 1200}};
    for (const auto& size : sizes)
        if (width == size[0] && height == size[1])
            return true;
    return false;
}

bool knownFrequency(int32_t frequency) {
    for (int32_t known : {60, 70, 72, 75, 85, 100, 120, 0})
        if (frequency == known)
            return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const DisplaySettings defaults;
    DisplaySettings settings;
    decodeDisplaySettings(data, size, settings);

    if (settings.fullscreenFlag != (size >= 1 ? data[0] : defaults.fullscreenFlag) ||
        settings.resolutionIndex != (size >= 5 ? readInt32(data + 1) : defaults.resolutionIndex) ||
        settings.colorDepthIndex != (size >= 9 ? readInt32(data + 5) : defaults.colorDepthIndex) ||
        settings.refreshIndex != (size >= 13 ? readInt32(data + 9) : defaults.refreshIndex))
        __builtin_trap();

    const DisplayChoice choice = chooseDisplay(settings);
    if (choice.fullscreen != (settings.fullscreenFlag == 1) ||
        !knownResolution(choice.width, choice.height) || (choice.bits != 16 && choice.bits != 32) ||
        !knownFrequency(choice.frequency))
        __builtin_trap();
    // Out-of-table indices give exactly the defaults.
    if ((settings.resolutionIndex < 0 || settings.resolutionIndex >= resolutionCount) &&
        (choice.width != 1024 || choice.height != 768))
        __builtin_trap();
    if ((settings.refreshIndex < 0 || settings.refreshIndex >= refreshCount) &&
        choice.frequency != 75)
        __builtin_trap();
    if (settings.colorDepthIndex != 0 && choice.bits != 32)
        __builtin_trap();

    // The display index comes only from its tagged field.
    const bool tagged = size >= displaySettingsMaxSize && std::memcmp(data + 13, "QMDI", 4) == 0;
    if (settings.displayIndex != (tagged ? readInt32(data + 17) : 0))
        __builtin_trap();

    // A whole record writes back as the bytes it came from, the display
    // field with it unless it names the first display.
    if (size >= displaySettingsSize) {
        uint8_t written[displaySettingsMaxSize];
        const size_t length = encodeDisplaySettings(settings, written);
        const size_t expected =
            tagged && settings.displayIndex != 0 ? displaySettingsMaxSize : displaySettingsSize;
        if (length != expected || std::memcmp(written, data, length) != 0)
            __builtin_trap();
    }
    return 0;
}
