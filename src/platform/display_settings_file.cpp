#include "platform/display_settings_file.h"

#include "platform/byte_io.h"

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

void decodeDisplaySettings(const uint8_t* bytes, size_t size, DisplaySettings& settings) {
    // A refused read leaves its field, and every later one, as it was.
    ByteReader in{bytes, size};
    if (const uint8_t* flag = in.take(1))
        settings.fullscreenFlag = *flag;
    (void)(in.i32(settings.resolutionIndex) && in.i32(settings.colorDepthIndex) &&
           in.i32(settings.refreshIndex));
}

void encodeDisplaySettings(const DisplaySettings& settings, uint8_t out[displaySettingsSize]) {
    out[0] = settings.fullscreenFlag;
    storeU32(out + 1, static_cast<uint32_t>(settings.resolutionIndex));
    storeU32(out + 5, static_cast<uint32_t>(settings.colorDepthIndex));
    storeU32(out + 9, static_cast<uint32_t>(settings.refreshIndex));
}

DisplayChoice chooseDisplay(const DisplaySettings& settings) {
    DisplayChoice choice;
    choice.fullscreen = settings.fullscreenFlag == 1;
    resolutionForIndex(settings.resolutionIndex, choice.width, choice.height);
    choice.bits = colorDepthForIndex(settings.colorDepthIndex);
    choice.frequency = refreshForIndex(settings.refreshIndex);
    return choice;
}
