// config.exe's window for real, on an X server of the test's own (Xvfb),
// driven with xdotool.

#include "config_test_support.h"
#include "xvfb_server.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class ConfigWindow : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (runShell("command -v xdotool >/dev/null && command -v timeout >/dev/null") != 0)
            return;
        server = new XvfbServer;
        if (!server->start()) {
            delete server;
            server = nullptr;
        }
    }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }
    void SetUp() override {
        if (server == nullptr)
            GTEST_SKIP() << "no Xvfb, xdotool or timeout here";
    }

    // Starts config.exe in the work folder, waits (bounded) for its window to
    // be shown, runs `actions` with $wid and $pid set, and waits for the tool
    // to end. The result is the tool's exit status; 98 when no window came,
    // 124 when the tool had to be stopped.
    int runWindow(const ConfigFolder& dir, const std::string& actions) {
        const std::string script = "cd " + shellQuote(dir.work().string()) + " || exit 97\n" +
                                   "export DISPLAY=" + server->display() + "\n" +
                                   "unset WAYLAND_DISPLAY SDL_VIDEODRIVER\n"
                                   "timeout 30 " +
                                   shellQuote(QUILLMARK_CONFIG_EXE) + " >" +
                                   shellQuote((dir.path() / "out.txt").string()) + " 2>" +
                                   shellQuote((dir.path() / "err.txt").string()) +
                                   " & pid=$!\n"
                                   "wid=$(timeout 15 xdotool search --sync --onlyvisible --name "
                                   "'^Quillmark display settings$' | head -n 1)\n"
                                   "if [ -z \"$wid\" ]; then kill $pid; wait $pid; exit 98; fi\n"
                                   "sleep 0.5\n" +
                                   actions +
                                   "\n"
                                   "wait $pid\n";
        return runShell(script);
    }

    // The tool may close on the key press, before xdotool sends the release;
    // the X error that xdotool then reports says nothing about the tool.
    static std::string key(const char* name) {
        return std::string("xdotool key --window \"$wid\" ") + name + " 2>/dev/null\n";
    }

    static std::string click(DialogPoint point) {
        return "xdotool mousemove --window \"$wid\" " + std::to_string(int(point.x)) + " " +
               std::to_string(int(point.y)) + " && sleep 0.2 && xdotool click 1 && sleep 0.2\n";
    }

    static XvfbServer* server;
};

XvfbServer* ConfigWindow::server = nullptr;

TEST_F(ConfigWindow, EscapeClosesItAndWritesNothing) {
    ConfigFolder dir;
    EXPECT_EQ(runWindow(dir, key("Escape")), 0) << readFileText(dir.path() / "err.txt");
    EXPECT_TRUE(dir.workEntries().empty()); // not even imgui.ini

    writeFileBytes(dir.settingsFile(), settingsBytes(2, 9, 0, -1));
    EXPECT_EQ(runWindow(dir, click(cancelButton)), 0);
    EXPECT_EQ(readFileBytes(dir.settingsFile()), settingsBytes(2, 9, 0, -1));
    EXPECT_EQ(dir.workEntries(), std::vector<std::string>{"ZKP.cfg"});
}

TEST_F(ConfigWindow, ACloseRequestWritesNothing) {
    ConfigFolder dir;
    // SIGTERM reaches the tool through timeout and becomes SDL's quit request,
    // the same one a window manager's close button sends.
    EXPECT_EQ(runWindow(dir, "kill -TERM $pid"), 0);
    EXPECT_TRUE(dir.workEntries().empty());
}

TEST_F(ConfigWindow, EnterSavesTheShownSettings) {
    ConfigFolder dir;
    EXPECT_EQ(runWindow(dir, key("Return")), 0) << readFileText(dir.path() / "err.txt");
    // A new file starts from the display's own mode: 1024 x 768, rate kept.
    EXPECT_EQ(readFileBytes(dir.settingsFile()), settingsBytes(1, 2, 1, 7));

    writeFileBytes(dir.settingsFile(), settingsBytes(2, 9, 0, 7));
    EXPECT_EQ(runWindow(dir, key("Return")), 0);
    EXPECT_EQ(readFileBytes(dir.settingsFile()), settingsBytes(0, 2, 0, 7));
}

TEST_F(ConfigWindow, MouseChoicesAreSaved) {
    ConfigFolder dir;
    EXPECT_EQ(runWindow(dir, click(windowedRadio) + click(saveButton)), 0)
        << readFileText(dir.path() / "err.txt");
    EXPECT_EQ(readFileBytes(dir.settingsFile()), settingsBytes(0, 2, 1, 7));
    EXPECT_EQ(dir.workEntries(), std::vector<std::string>{"ZKP.cfg"});
}

TEST_F(ConfigWindow, ScriptsCannotWriteAFullscreenModeTheDisplayLacks) {
    // The virtual screen offers 1024 x 768 alone, at a rate it does not report.
    ConfigFolder dir;
    const auto run = [&](const std::string& arguments) {
        return runShell("cd " + shellQuote(dir.work().string()) + " && DISPLAY=" +
                        server->display() + " " + shellQuote(QUILLMARK_CONFIG_EXE) + " " +
                        arguments + " 2>" + shellQuote((dir.path() / "err.txt").string()));
    };
    EXPECT_EQ(run("--fullscreen --resolution 800x600"), 2);
    EXPECT_NE(readFileText(dir.path() / "err.txt")
                  .find("config.exe: fullscreen 800x600 at 75 Hz is not offered by the display "
                        "(offered: 1024x768)\nNothing was written."),
              std::string::npos)
        << readFileText(dir.path() / "err.txt");
    EXPECT_EQ(run("--fullscreen --resolution 1024x768 --refresh 60"), 2);
    EXPECT_TRUE(dir.workEntries().empty());

    EXPECT_EQ(run("--fullscreen --resolution 1024x768 --refresh keep"), 0);
    EXPECT_EQ(readFileBytes(dir.settingsFile()), settingsBytes(1, 2, 1, 7));
    EXPECT_EQ(run("--resolution 800x600 --force"), 0);
    EXPECT_EQ(readFileBytes(dir.settingsFile()), settingsBytes(1, 1, 1, 7));
    EXPECT_EQ(readFileText(dir.path() / "err.txt"), "");
}

} // namespace
