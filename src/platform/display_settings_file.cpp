#include "platform/display_settings_file.h"

const char* const displaySettingsPath = "ZKP.cfg";

void resolutionForIndex(int32_t index, int32_t& width, int32_t& height) {
    static const int32_t table[resolutionCount][2] = {{640, 480},  {800, 600},   {1024, 768},
                                                      {1152, 864}, {1280, 1024}, {1600, 1200}};
    if (index < 0 || index >= resolutionCount) {
        width = 1024;
        height = 768;
        return;
    }
    width = table[index][0];
    height = table[index][1];
}

int32_t colorDepthForIndex(int32_t index) {
    return index == 0 ? 16 : 32;
}

int32_t refreshForIndex(int32_t index) {
    static const int32_t table[refreshCount] = {60, 70, 72, 75, 85, 100, 120, 0};
    return index >= 0 && index < refreshCount ? table[index] : 75;
}

namespace {

int32_t readInt32(const uint8_t* p) {
    const uint32_t bits = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                          static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
    return static_cast<int32_t>(bits);
}

void writeInt32(int32_t value, uint8_t* p) {
    const uint32_t bits = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(bits >> (8 * i));
}

} // namespace

void decodeDisplaySettings(const uint8_t* bytes, size_t size, DisplaySettings& settings) {
    if (size >= 1)
        settings.fullscreenFlag = bytes[0];
    if (size >= 5)
        settings.resolutionIndex = readInt32(bytes + 1);
    if (size >= 9)
        settings.colorDepthIndex = readInt32(bytes + 5);
    if (size >= 13)
        settings.refreshIndex = readInt32(bytes + 9);
}

void encodeDisplaySettings(const DisplaySettings& settings, uint8_t out[displaySettingsSize]) {
    out[0] = settings.fullscreenFlag;
    writeInt32(settings.resolutionIndex, out + 1);
    writeInt32(settings.colorDepthIndex, out + 5);
    writeInt32(settings.refreshIndex, out + 9);
}

DisplayChoice chooseDisplay(const DisplaySettings& settings) {
    DisplayChoice choice;
    choice.fullscreen = settings.fullscreenFlag == 1;
    resolutionForIndex(settings.resolutionIndex, choice.width, choice.height);
    choice.bits = colorDepthForIndex(settings.colorDepthIndex);
    choice.frequency = refreshForIndex(settings.refreshIndex);
    return choice;
}
