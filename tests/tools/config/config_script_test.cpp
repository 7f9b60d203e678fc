// config.exe without a window: the options write ZKP.cfg, --show reads it,
// and anything wrong leaves the file alone.

#include "config_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Runs config.exe in the scratch work folder with no display at all, so
// script mode is proven never to need one. `environment` is put before it.
CommandResult runConfig(const ConfigFolder& dir, const std::string& arguments,
                        const std::string& environment = "") {
    return runCapturing("cd " + shellQuote(dir.work().string()) +
                        " && env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER " + environment +
                        " " + shellQuote(QUILLMARK_CONFIG_EXE) + " " + arguments);
}

TEST(ConfigScript, WritesExactlyTheThirteenBytesAsked) {
    {
        ConfigFolder dir;
        const CommandResult run =
            runConfig(dir, "--windowed --resolution 1024x768 --depth 32 --refresh keep");
        EXPECT_EQ(run.status, 0) << run.err;
        const Bytes expected{0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x00,
                             0x00, 0x00, 0x07, 0x00, 0x00, 0x00};
        EXPECT_EQ(readFileBytes(dir.settingsFile()), expected);
        EXPECT_EQ(dir.workEntries(), std::vector<std::string>{"ZKP.cfg"}); // no temporaries left
    }
    struct Case {
        const char* arguments;
        Bytes expected;
    };
    const Case cases[] = {
        {"--fullscreen --resolution 640x480 --depth 16 --refresh 60", settingsBytes(1, 0, 0, 0)},
        {"--fullscreen --resolution=1600x1200 --depth=32 --refresh=120", settingsBytes(1, 5, 1, 6)},
        {"--windowed --resolution 1152x864 --refresh 72", settingsBytes(0, 3, 1, 2)},
        {"--resolution 1280X1024 --depth 16 --refresh 100", settingsBytes(1, 4, 0, 5)},
        {"--refresh 85", settingsBytes(1, 2, 1, 4)}, // the rest from the defaults
        {"--resolution 800x600 --refresh 70", settingsBytes(1, 1, 1, 1)},
        {"--windowed --windowed", settingsBytes(0, 2, 1, 3)},
    };
    for (const Case& c : cases) {
        ConfigFolder dir;
        const CommandResult run = runConfig(dir, c.arguments);
        EXPECT_EQ(run.status, 0) << c.arguments << ": " << run.err;
        EXPECT_EQ(readFileBytes(dir.settingsFile()), c.expected) << c.arguments;
        // With no display to ask, a fullscreen mode goes unchecked, and says so once.
        const size_t warning = run.err.find("warning: cannot ask the display");
        EXPECT_EQ(warning != std::string::npos, c.expected[0] == 1) << c.arguments << run.err;
        EXPECT_EQ(run.err.find("warning", warning + 1), std::string::npos) << run.err;
    }
}

TEST(ConfigScript, OmittedOptionsKeepTheFileExactly) {
    ConfigFolder dir;
    // Odd but legal contents: flag 2 (windowed), indices outside their tables.
    writeFileBytes(dir.settingsFile(), settingsBytes(2, 9, 0, -1));
    CommandResult run = runConfig(dir, "--depth 32");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(readFileBytes(dir.settingsFile()), settingsBytes(2, 9, 1, -1));

    run = runConfig(dir, "--fullscreen --refresh keep");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(readFileBytes(dir.settingsFile()), settingsBytes(1, 9, 1, 7));

    // A longer file is cut back to the 13 bytes that mean something.
    Bytes longer = settingsBytes(0, 4, 0, 2);
    longer.insert(longer.end(), {0xAA, 0xBB, 0xCC});
    writeFileBytes(dir.settingsFile(), longer);
    run = runConfig(dir, "--resolution 640x480");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(readFileBytes(dir.settingsFile()), settingsBytes(0, 0, 0, 2));

    // The display rides after the 13 bytes, only when it is not the first,
    // and stays through later changes.
    run = runConfig(dir, "--display 2 --windowed");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(readFileBytes(dir.settingsFile()), settingsBytesOnDisplay(0, 0, 0, 2, 2));
    run = runConfig(dir, "--depth 32 --show");
    EXPECT_EQ(readFileBytes(dir.settingsFile()), settingsBytesOnDisplay(0, 0, 1, 2, 2));
    EXPECT_NE(run.out.find("21 bytes, with the display"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("on display:   2 (the first when"), std::string::npos) << run.out;
    run = runConfig(dir, "--display 0");
    EXPECT_EQ(readFileBytes(dir.settingsFile()), settingsBytes(0, 0, 1, 2));

    // A short file keeps what it holds; the fields it lacks take the defaults.
    writeFileBytes(dir.settingsFile(), Bytes{0x00, 0x01, 0x00, 0x00, 0x00});
    run = runConfig(dir, "--refresh 100");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(readFileBytes(dir.settingsFile()), settingsBytes(0, 1, 1, 5));
}

TEST(ConfigScript, BadArgumentsFailAndWriteNothing) {
    const std::vector<std::string> bad = {
        "--depth 24",
        "--depth 8 --windowed",
        "--windowed --depth",
        "--resolution 1920x1080",
        "--resolution 1024x768x",
        "--resolution 1024",
        "--refresh 50",
        "--refresh 0",
        "--refresh -1",
        "--fullscreen --windowed",
        "--frobnicate",
        "--windowed extra",
        "--display -1",
        "--display 64",
        "--display 1x",
        "--display=",
    };
    for (const std::string& arguments : bad) {
        ConfigFolder dir;
        CommandResult run = runConfig(dir, arguments);
        EXPECT_NE(run.status, 0) << arguments;
        EXPECT_NE(run.err.find("config.exe: "), std::string::npos) << arguments << ": " << run.err;
        EXPECT_TRUE(dir.workEntries().empty()) << arguments;

        const Bytes before = settingsBytes(0, 3, 0, 6);
        writeFileBytes(dir.settingsFile(), before);
        run = runConfig(dir, arguments);
        EXPECT_NE(run.status, 0) << arguments;
        EXPECT_EQ(readFileBytes(dir.settingsFile()), before) << arguments;
        EXPECT_EQ(dir.workEntries(), std::vector<std::string>{"ZKP.cfg"}) << arguments;
    }
    ConfigFolder dir;
    const CommandResult run = runConfig(dir, "--depth 24");
    EXPECT_NE(run.err.find("'24'"), std::string::npos) << run.err; // names what was wrong
}

TEST(ConfigScript, UnreadableSettingsFileIsAnErrorNotADefault) {
    ConfigFolder dir;
    std::filesystem::create_directory(dir.settingsFile());
    const CommandResult run = runConfig(dir, "--windowed");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("ZKP.cfg"), std::string::npos) << run.err;
    EXPECT_TRUE(std::filesystem::is_directory(dir.settingsFile()));
}

TEST(ConfigScript, ShowPrintsMeaningsAndRawValues) {
    ConfigFolder dir;
    CommandResult run = runConfig(dir, "--show");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("no file"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("fullscreen (flag byte 1)"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("1024x768 (index 2)"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("75 Hz (index 3)"), std::string::npos) << run.out;
    EXPECT_TRUE(dir.workEntries().empty()); // showing never creates the file

    writeFileBytes(dir.settingsFile(), settingsBytes(0, 1, 0, 7));
    run = runConfig(dir, "--show");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("13 bytes"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("windowed (flag byte 0)"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("800x600 (index 1)"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("16 bits (index 0)"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("keep the current rate (index 7)"), std::string::npos) << run.out;

    // Out-of-range values are shown as what the program makes of them.
    writeFileBytes(dir.settingsFile(), settingsBytes(2, -1, 5, 8));
    run = runConfig(dir, "--show");
    EXPECT_NE(run.out.find("windowed (flag byte 2)"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("1024x768 (index -1, outside"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("32 bits (index 5, outside"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("75 Hz (index 8, outside"), std::string::npos) << run.out;
    EXPECT_EQ(readFileBytes(dir.settingsFile()), settingsBytes(2, -1, 5, 8));

    // With changes, --show prints the file as written.
    run = runConfig(dir, "--resolution 1600x1200 --show");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("1600x1200 (index 5)"), std::string::npos) << run.out;
    EXPECT_EQ(readFileBytes(dir.settingsFile()), settingsBytes(2, 5, 5, 8));
}

TEST(ConfigScript, HelpDescribesTheOptionsAndWritesNothing) {
    ConfigFolder dir;
    const CommandResult run = runConfig(dir, "--help");
    EXPECT_EQ(run.status, 0);
    for (const char* option :
         {"--fullscreen", "--windowed", "--resolution", "--depth", "--refresh", "--show", "keep"})
        EXPECT_NE(run.out.find(option), std::string::npos) << option;
    EXPECT_TRUE(dir.workEntries().empty());
}

TEST(ConfigScript, WithoutDisplayOrOptionsItSaysSoAndWritesNothing) {
    // No display at all, and the invisible drivers SDL would fall back to.
    for (const char* environment : {"", "SDL_VIDEODRIVER=offscreen", "SDL_VIDEODRIVER=dummy"}) {
        ConfigFolder dir;
        CommandResult run = runConfig(dir, "", environment);
        EXPECT_NE(run.status, 0) << environment;
        EXPECT_NE(run.err.find("cannot show the settings window"), std::string::npos)
            << environment << ": " << run.err;
        EXPECT_NE(run.err.find("Nothing was written"), std::string::npos) << run.err;
        EXPECT_TRUE(dir.workEntries().empty()) << environment;

        writeFileBytes(dir.settingsFile(), settingsBytes(0, 0, 0, 0));
        run = runConfig(dir, "", environment);
        EXPECT_NE(run.status, 0) << environment;
        EXPECT_EQ(readFileBytes(dir.settingsFile()), settingsBytes(0, 0, 0, 0)) << environment;

        // A box that cannot be shown says so in the status, for the
        // launcher to try another way.
        run = runConfig(dir, "'--message=Quillmark cannot start'", environment);
        EXPECT_EQ(run.status, 1) << environment;
        EXPECT_EQ(readFileBytes(dir.settingsFile()), settingsBytes(0, 0, 0, 0)) << environment;
    }
}

} // namespace
