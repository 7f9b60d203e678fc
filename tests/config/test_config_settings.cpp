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

} // namespace
