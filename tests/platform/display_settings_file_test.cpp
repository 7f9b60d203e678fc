// The display-settings file's fields and the tables its indices choose from.

#include "platform/display_settings_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

TEST(DisplayTables, EveryIndexAndItsDefault) {
    const int32_t widths[] = {640, 800, 1024, 1152, 1280, 1600};
    const int32_t heights[] = {480, 600, 768, 864, 1024, 1200};
    for (int32_t i = -2; i <= 7; ++i) {
        int32_t w = 0, h = 0;
        resolutionForIndex(i, w, h);
        const bool inTable = i >= 0 && i < 6;
        EXPECT_EQ(w, inTable ? widths[i] : 1024) << i;
        EXPECT_EQ(h, inTable ? heights[i] : 768) << i;
    }
    EXPECT_EQ(colorDepthForIndex(0), 16);
    for (int32_t i : {1, 2, -1, 1 << 30})
        EXPECT_EQ(colorDepthForIndex(i), 32) << i;
    const int32_t rates[] = {60, 70, 72, 75, 85, 100, 120, 0};
    for (int32_t i = 0; i < 8; ++i)
        EXPECT_EQ(refreshForIndex(i), rates[i]) << i;
    for (int32_t i : {8, -1, INT32_MIN, INT32_MAX})
        EXPECT_EQ(refreshForIndex(i), 75) << i;
}

TEST(DisplaySettingsFile, LittleEndianFieldsAndShortFiles) {
    DisplaySettings written;
    written.fullscreenFlag = 0;
    written.resolutionIndex = 4;
    written.colorDepthIndex = 0;
    written.refreshIndex = -1;
    std::vector<uint8_t> bytes(displaySettingsMaxSize);
    bytes.resize(encodeDisplaySettings(written, bytes.data()));
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0, 4, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));

    for (size_t size = 0; size <= displaySettingsSize; ++size) {
        DisplaySettings settings;
        decodeDisplaySettings(bytes.data(), size, settings);
        const DisplayChoice choice = chooseDisplay(settings);
        EXPECT_EQ(choice.fullscreen, size < 1) << size;
        EXPECT_EQ(choice.width, size >= 5 ? 1280 : 1024) << size;
        EXPECT_EQ(choice.bits, size >= 9 ? 16 : 32) << size;
        EXPECT_EQ(choice.frequency, 75) << size; // -1 and the default alike
    }
}

TEST(DisplaySettingsFile, TheDisplayComesOnlyFromItsTaggedField) {
    DisplaySettings written;
    written.displayIndex = 2;
    uint8_t bytes[displaySettingsMaxSize];
    ASSERT_EQ(encodeDisplaySettings(written, bytes), displaySettingsMaxSize);
    EXPECT_EQ(std::vector<uint8_t>(bytes + 13, bytes + 21),
              (std::vector<uint8_t>{'Q', 'M', 'D', 'I', 2, 0, 0, 0}));

    DisplaySettings settings;
    EXPECT_TRUE(decodeDisplaySettings(bytes, sizeof bytes, settings));
    EXPECT_EQ(chooseDisplay(settings).display, 2);
    // Cut short, or behind anything but the tag, the bytes are no display;
    // and a decode over earlier settings does not keep their display.
    for (size_t size : {size_t{13}, size_t{17}, size_t{20}}) {
        settings.displayIndex = 5;
        EXPECT_FALSE(decodeDisplaySettings(bytes, size, settings)) << size;
        EXPECT_EQ(settings.displayIndex, 0) << size;
    }
    bytes[16] = 'X';
    EXPECT_FALSE(decodeDisplaySettings(bytes, sizeof bytes, settings));
    EXPECT_EQ(settings.displayIndex, 0);

    // The first display writes the 13 bytes alone.
    written.displayIndex = 0;
    EXPECT_EQ(encodeDisplaySettings(written, bytes), displaySettingsSize);
}
