// Choosing the window's mode at start: from ZKP.cfg, or from what the
// settings tool wrote when the file was missing.

#include "hook_swap.h"
#include "message_recorder.h"
#include "scratch_dir.h"
#include "settings_bytes.h"
#include "shell/display_settings.h"
#include "shell/shell_hooks.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Creation {
    int32_t width, height, bits, frequency;
    uint8_t fullscreen;
};

std::vector<Creation> creations;
bool creationSucceeds = true;

bool recordCreation(const char*, void*, int32_t width, int32_t height, int32_t bits,
                    int32_t frequency, uint8_t fullscreen) {
    creations.push_back({width, height, bits, frequency, fullscreen});
    return creationSucceeds;
}

// Each test runs in its own scratch working directory, with the message boxes
// and the window creations recorded.
class DisplaySettingsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        creations.clear();
        creationSucceeds = true;
    }
    void writeSettings(const Bytes& bytes) { writeFileBytes(displaySettingsPath, bytes); }
    void writeTool(const std::string& script, const fs::path& folder = ".") {
        std::ofstream(folder / configToolName) << script;
        fs::permissions(folder / configToolName, fs::perms::owner_all);
    }
    Creation only() {
        EXPECT_EQ(creations.size(), 1u);
        return creations.empty() ? Creation{} : creations.front();
    }

    // "caption|text|info" (or "|error") for each message box.
    std::vector<std::string> messages() const {
        std::vector<std::string> lines;
        for (const ShownMessage& m : recorder.messages)
            lines.push_back(m.caption + "|" + m.text +
                            (m.icon == MessageIcon::information ? "|info" : "|error"));
        return lines;
    }

    ScratchWorkDir work{"settings"};
    MessageRecorder recorder;
    HookSwap<decltype(ShellHooks::createWindow)> createHook{shellHooks.createWindow,
                                                            recordCreation};
};

} // namespace

TEST_F(DisplaySettingsTest, TheFileChoosesTheMode) {
    auto bytes = settingsBytes(2, 0, 0, 7);
    bytes.push_back(0xAA); // bytes beyond the 13th are ignored
    writeSettings(bytes);
    const auto before = bytes;
    EXPECT_TRUE(loadDisplaySettings("Quillmark", nullptr));
    const Creation c = only();
    EXPECT_EQ(c.fullscreen, 0); // any flag but 1 is windowed
    EXPECT_EQ(c.width, 640);
    EXPECT_EQ(c.height, 480);
    EXPECT_EQ(c.bits, 16);
    EXPECT_EQ(c.frequency, 0); // keep the current rate
    EXPECT_TRUE(recorder.messages.empty());

    creations.clear();
    writeSettings(settingsBytes(1, 99, 5, 8));
    EXPECT_TRUE(loadDisplaySettings("Quillmark", nullptr));
    const Creation d = only();
    EXPECT_EQ(d.fullscreen, 1);
    EXPECT_EQ(d.width, 1024);
    EXPECT_EQ(d.bits, 32);
    EXPECT_EQ(d.frequency, 75);
}

TEST_F(DisplaySettingsTest, NoFileAndNoToolGivesOneMessageThenTheDefaults) {
    EXPECT_TRUE(loadDisplaySettings("Quillmark", nullptr));
    EXPECT_EQ(messages(), std::vector<std::string>{
                              "WAIT FOR CONFIG ERROR|Error executing config program|info"});
    const Creation c = only();
    EXPECT_EQ(c.fullscreen, 1);
    EXPECT_EQ(c.width, 1024);
    EXPECT_EQ(c.height, 768);
    EXPECT_EQ(c.bits, 32);
    EXPECT_EQ(c.frequency, 75);
    EXPECT_FALSE(fs::exists(displaySettingsPath)) << "the program never writes the file";
}

TEST_F(DisplaySettingsTest, TheToolIsWaitedForAndWhatItWroteIsUsed) {
    // A slow tool: the window may be created only after it has ended. The
    // program was started with SIGCHLD ignored (as some launchers do), which
    // must not make the wait fail.
    writeTool("#!/bin/sh\nsleep 0.5\nprintf '\\002\\001\\000\\000\\000\\001\\000\\000\\000"
              "\\004\\000\\000\\000' > ZKP.cfg\n");
    const auto previous = std::signal(SIGCHLD, SIG_IGN);
    EXPECT_TRUE(loadDisplaySettings("Quillmark", nullptr));
    EXPECT_EQ(std::signal(SIGCHLD, previous), SIG_IGN) << "the caller's disposition is put back";
    EXPECT_TRUE(recorder.messages.empty());
    const Creation c = only();
    EXPECT_EQ(c.fullscreen, 0);
    EXPECT_EQ(c.width, 800);
    EXPECT_EQ(c.height, 600);
    EXPECT_EQ(c.bits, 32);
    EXPECT_EQ(c.frequency, 85);
}

TEST_F(DisplaySettingsTest, AToolInstalledOnThePathIsFoundWhenTheGameFolderHasNone) {
    fs::create_directory("bin");
    writeTool("#!/bin/sh\nprintf '\\000\\000\\000\\000\\000' > ZKP.cfg\n", "bin");
    const std::string previousPath = std::getenv("PATH");
    ::setenv("PATH", (fs::current_path() / "bin").c_str(), 1);
    const bool created = loadDisplaySettings("Quillmark", nullptr);
    ::setenv("PATH", previousPath.c_str(), 1);
    EXPECT_TRUE(created);
    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_EQ(only().fullscreen, 0) << "what the tool wrote in the working directory";
    EXPECT_EQ(only().width, 640);
}

TEST_F(DisplaySettingsTest, AToolThatWritesNothingLeavesTheDefaults) {
    writeTool("#!/bin/sh\nexit 3\n");
    EXPECT_TRUE(loadDisplaySettings("Quillmark", nullptr));
    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_EQ(only().width, 1024);
    EXPECT_FALSE(fs::exists(displaySettingsPath));
}

TEST_F(DisplaySettingsTest, AToolThatCannotRunIsReportedAndAFailedWindowToo) {
    writeTool("not a program at all\n"); // no interpreter line: exec fails
    creationSucceeds = false;
    EXPECT_FALSE(loadDisplaySettings("Quillmark", nullptr));
    EXPECT_EQ(messages(), (std::vector<std::string>{
                              "WAIT FOR CONFIG ERROR|Error executing config program|info",
                              "SHUTDOWN ERROR|AHH... It blew up creating the window!|info"}));
    EXPECT_EQ(creations.size(), 1u); // no second attempt
}
