#include "platform/display_settings_file.h"

#include "platform/byte_io.h"

#include <cstring>

const char* const displaySettingsPath = "ZKP.cfg";

namespace {

const uint8_t displayTag[4] = {'Q', 'M', 'D', 'I'};

} // namespace

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

bool decodeDisplaySettings(const uint8_t* bytes, size_t size, DisplaySettings& settings) {
    // A refused read leaves its field, and every later one, as it was.
    ByteReader in{bytes, size};
    if (const uint8_t* flag = in.take(1))
        settings.fullscreenFlag = *flag;
    settings.displayIndex = 0;
    if (!in.i32(settings.resolutionIndex) || !in.i32(settings.colorDepthIndex) ||
        !in.i32(settings.refreshIndex))
        return false;
    // Bytes that other writers left after the 13th are no display index.
    const uint8_t* tag = in.take(sizeof displayTag);
    return tag != nullptr && std::memcmp(tag, displayTag, sizeof displayTag) == 0 &&
           in.i32(settings.displayIndex);
}

size_t encodeDisplaySettings(const DisplaySettings& settings, uint8_t out[displaySettingsMaxSize]) {
    out[0] = settings.fullscreenFlag;
    storeU32(out + 1, static_cast<uint32_t>(settings.resolutionIndex));
    storeU32(out + 5, static_cast<uint32_t>(settings.colorDepthIndex));
    storeU32(out + 9, static_cast<uint32_t>(settings.refreshIndex));
    // The first display needs no field: the file stays the one every reader knows.
    if (settings.displayIndex == 0)
        return displaySettingsSize;
    std::memcpy(out + 13, displayTag, sizeof displayTag);
    storeU32(out + 17, static_cast<uint32_t>(settings.displayIndex));
    return displaySettingsMaxSize;
}

DisplayChoice chooseDisplay(const DisplaySettings& settings) {
    DisplayChoice choice;
    choice.fullscreen = settings.fullscreenFlag == 1;
    resolutionForIndex(settings.resolutionIndex, choice.width, choice.height);
    choice.bits = colorDepthForIndex(settings.colorDepthIndex);
    choice.frequency = refreshForIndex(settings.refreshIndex);
    choice.display = settings.displayIndex;
    return choice;
}
