// The values config.exe accepts and the settings its window starts from.

#include "config_settings.h"

#include <gtest/gtest.h>

namespace {

TEST(ConfigValues, EveryTableEntryIsAcceptedByItsMeaning) {
    const char* resolutions[] = {"640x480",  "800x600",   "1024x768",
                                 "1152x864", "1280x1024", "1600x1200"};
    for (int32_t i = 0; i < 6; ++i) {
        int32_t index = -5;
        EXPECT_TRUE(parseResolution(resolutions[i], index)) << resolutions[i];
        EXPECT_EQ(index, i) << resolutions[i];
    }
    const char* rates[] = {"60", "70", "72", "75", "85", "100", "120", "keep"};
    for (int32_t i = 0; i < 8; ++i) {
        int32_t index = -5;
        EXPECT_TRUE(parseRefresh(rates[i], index)) << rates[i];
        EXPECT_EQ(index, i) << rates[i];
    }
    int32_t index = -5;
    EXPECT_TRUE(parseColorDepth("16", index));
    EXPECT_EQ(index, 0);
    EXPECT_TRUE(parseColorDepth("32", index));
    EXPECT_EQ(index, 1);
}

TEST(ConfigValues, NearMissesAreRefused) {
    int32_t index = 42;
    for (const char* text : {"", "1024", "1024x", "x768", "1024x767", "1024 x 768", " 1024x768",
                             "01024x768", "1024x768x", "768x1024", "-640x480"})
        EXPECT_FALSE(parseResolution(text, index)) << text;
    for (const char* text : {"", "0", "7", "61", "75Hz", "+75", "075", "-1", "kee", "keeps"})
        EXPECT_FALSE(parseRefresh(text, index)) << text;
    for (const char* text : {"", "0", "1", "8", "24", "016", "32 "})
        EXPECT_FALSE(parseColorDepth(text, index)) << text;
    EXPECT_EQ(index, 42); // untouched by failures
}

TEST(ConfigArguments, ValuesTakeTheNextArgumentOrFollowAnEqualsSign) {
    ConfigOptions options;
    std::string error;
    const char* spaced[] = {"--depth", "16", "--refresh=keep", "--show"};
    ASSERT_TRUE(parseConfigArguments(4, spaced, options, error)) << error;
    EXPECT_EQ(options.colorDepthIndex, 0);
    EXPECT_EQ(options.refreshIndex, 7);
    EXPECT_TRUE(options.show);
    EXPECT_FALSE(options.fullscreen.has_value());
    EXPECT_FALSE(options.resolutionIndex.has_value());
    EXPECT_TRUE(changesSettings(options));

    // A value is never taken from the option after it by accident.
    const char* missing[] = {"--resolution", "--windowed"};
    EXPECT_FALSE(parseConfigArguments(2, missing, options, error));
    EXPECT_NE(error.find("--resolution needs a value"), std::string::npos) << error;

    const char* showOnly[] = {"--show"};
    ASSERT_TRUE(parseConfigArguments(1, showOnly, options, error));
    EXPECT_FALSE(changesSettings(options));
}

TEST(ConfigDialogStart, ShowsWhatTheProgramWouldUse) {
    DisplaySettings odd;
    odd.fullscreenFlag = 2;
    odd.resolutionIndex = 6;
    odd.colorDepthIndex = -1;
    odd.refreshIndex = 8;
    const DisplaySettings shown = normalizedSettings(odd);
    EXPECT_EQ(shown.fullscreenFlag, 0);
    EXPECT_EQ(shown.resolutionIndex, 2);
    EXPECT_EQ(shown.colorDepthIndex, 1);
    EXPECT_EQ(shown.refreshIndex, 3);

    DisplaySettings edge;
    edge.fullscreenFlag = 1;
    edge.resolutionIndex = 5;
    edge.colorDepthIndex = 0;
    edge.refreshIndex = 7;
    const DisplaySettings kept = normalizedSettings(edge);
    EXPECT_EQ(kept.fullscreenFlag, 1);
    EXPECT_EQ(kept.resolutionIndex, 5);
    EXPECT_EQ(kept.colorDepthIndex, 0);
    EXPECT_EQ(kept.refreshIndex, 7);
}

TEST(ConfigDisplay, OffersWhatTheDisplayHasAndStartsNearItsMode) {
    // A laptop panel: 1366 x 768, with few of the table's modes.
    DisplayModes laptop;
    laptop.desktop = {1366, 768, 60};
    laptop.offered = {
        {1366, 768, 60}, {1024, 768, 60}, {800, 600, 60}, {800, 600, 56}, {640, 480, 60}};
    EXPECT_EQ(offeredResolutions(laptop, true), (std::vector<int32_t>{0, 1, 2}));
    EXPECT_EQ(offeredResolutions(laptop, false), (std::vector<int32_t>{0, 1, 2})); // 864 too tall
    EXPECT_EQ(offeredRefreshRates(laptop, 1), (std::vector<int32_t>{0, 7}));
    EXPECT_EQ(offeredRefreshRates(laptop, 5), std::vector<int32_t>{7});
    // Its own size is not in the table: only a window is sure to work.
    const DisplaySettings first = settingsNearestDesktop(laptop);
    EXPECT_EQ(first.fullscreenFlag, 0);
    EXPECT_EQ(first.resolutionIndex, 2); // 1024 x 768, the largest that fits
    EXPECT_EQ(first.colorDepthIndex, 1);
    EXPECT_EQ(first.refreshIndex, 7);

    // The program's own defaults (75 Hz) would not start on it.
    std::string reason;
    EXPECT_FALSE(fullscreenOffered(DisplaySettings{}, laptop, reason));
    EXPECT_EQ(reason, "fullscreen 1024x768 at 75 Hz is not offered by the display (offered: "
                      "1366x768 (60 Hz), 1024x768 (60 Hz), 800x600 (60, 56 Hz), 640x480 (60 Hz))");
    EXPECT_TRUE(fullscreenOffered(first, laptop, reason));

    // A display that reports no rates, and lists only its own size: "keep"
    // is still had, and with no table size, the window goes on the desktop.
    DisplayModes wide;
    wide.desktop = {1920, 1080, 0};
    wide.offered = {wide.desktop};
    const DisplaySettings windowed = settingsNearestDesktop(wide);
    EXPECT_EQ(windowed.fullscreenFlag, 0);
    EXPECT_EQ(windowed.resolutionIndex, 4); // 1280 x 1024, the largest that fits
    DisplayModes virtualScreen;
    virtualScreen.desktop = {1024, 768, 0};
    virtualScreen.offered = {virtualScreen.desktop};
    DisplaySettings keep = settingsNearestDesktop(virtualScreen);
    EXPECT_EQ(keep.fullscreenFlag, 1);
    EXPECT_TRUE(fullscreenOffered(keep, virtualScreen, reason));
    keep.refreshIndex = 0;
    EXPECT_FALSE(fullscreenOffered(keep, virtualScreen, reason));

    // A compositor that lists every size but only has its own: fullscreen
    // at that one, not at a smaller listed one it would have to scale.
    DisplayModes wayland;
    wayland.desktop = {1600, 1200, 60};
    wayland.offered = {wayland.desktop, {1280, 1024, 60}, {1024, 768, 60}, {800, 600, 60}};
    const DisplaySettings own = settingsNearestDesktop(wayland);
    EXPECT_EQ(own.fullscreenFlag, 1);
    EXPECT_EQ(own.resolutionIndex, 5);
    EXPECT_EQ(own.refreshIndex, 7);
}

} // namespace
