// The program's window on a real (virtual) X server, driven from outside
// with xdotool as a user's keyboard would.

#include "hook_swap.h"
#include "map/map_file.h"
#include "message_recorder.h"
#include "scratch_dir.h"
#include "shell/gl_window.h"
#include "shell/program_state.h"
#include "shell/shell_hooks.h"
#include "xvfb_server.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

XvfbServer* server = nullptr;

class XvfbEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        server = new XvfbServer;
        std::string error;
        ASSERT_TRUE(server->start(&error)) << error;
        // Modes as a monitor lists them, the desktop at 60 Hz; 640 x 480 lacks 60.
        ASSERT_EQ(runWithDisplay(*server, std::string(X_POKE_PATH) +
                                              " add-modes 1024x768@75 800x600@75 800x600@60 "
                                              "640x480@75 --set 1024x768@60"),
                  0);
        ::setenv("DISPLAY", server->display().c_str(), 1);
        ::unsetenv("SDL_VIDEODRIVER");
        ::unsetenv("WAYLAND_DISPLAY");
    }
    void TearDown() override {
        delete server;
        server = nullptr;
    }
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);

class GlWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        releaseAllKeys(keyState);
        clearKeyEvents(keyQueue);
        glWindow = GlWindow{};
        sceneState.state.map = HexMap{};
    }
    void TearDown() override {
        if (glWindow.window != nullptr)
            destroyGlWindow();
    }

    bool openWindow() { return createGlWindow("Quillmark", nullptr, 640, 480, 32, 0, 0); }
    std::string windowId() const { return std::to_string(platformNativeWindowId(glWindow.window)); }
    int x(const std::string& command) { return runWithDisplay(*server, command + " 2>/dev/null"); }
    // The display's mode in force, as the X server reports it: "WxH@HZ".
    std::string modeInForce() {
        std::string out;
        runWithDisplay(*server, std::string(X_POKE_PATH) + " mode", &out);
        return out.substr(0, out.find('\n'));
    }

    // Handles events as the main loop does until `done` holds or time runs
    // out. Quit messages are counted, with their codes.
    bool pumpUntil(const std::function<bool()>& done, int milliseconds = 3000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        do {
            PlatformEvent event;
            while (pollPlatformEvent(event)) {
                if (event.kind == PlatformEventKind::quit)
                    quitCodes.push_back(event.code);
                else
                    windowProc(event);
            }
            applyKeyTransitions(keyQueue, keyState); // as the tick does
            if (done())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        } while (std::chrono::steady_clock::now() < end);
        return done();
    }

    ScratchWorkDir work{"window"};
    MessageRecorder recorder;
    std::vector<int32_t> quitCodes;
};

} // namespace

TEST_F(GlWindowTest, WindowedCreationSetsViewportProjectionAndScene) {
    ASSERT_TRUE(openWindow()) << (recorder.messages.empty() ? "" : recorder.lines().front());
    EXPECT_EQ(glWindow.fullscreen, 0);
    EXPECT_EQ(glWindow.active, 1);
    EXPECT_NE(mapLoadState(), MapLoadState::notRun);

    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], 640);
    EXPECT_EQ(viewport[3], 480);

    // gluPerspective(45, 640 / 480, 1, 1200), built by hand.
    GLdouble projection[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    const double f = 1.0 / std::tan(22.5 * M_PI / 180.0);
    EXPECT_NEAR(projection[0], f / (640.0 / 480.0), 1e-5);
    EXPECT_NEAR(projection[5], f, 1e-5);
    EXPECT_NEAR(projection[10], (1200.0 + 1.0) / (1.0 - 1200.0), 1e-5);
    EXPECT_NEAR(projection[11], -1.0, 1e-9);
    EXPECT_NEAR(projection[14], 2.0 * 1200.0 * 1.0 / (1.0 - 1200.0), 1e-5);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);

    // A minimised window reports a height of 0: taken as 1.
    resizeScene(800, 0);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[3], 1);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    EXPECT_NEAR(projection[0], f / 800.0, 1e-7);
    EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(GlWindowTest, KeysFromTheKeyboardReachKeyStateByVirtualKeyCode) {
    ASSERT_TRUE(openWindow());
    const std::string id = windowId();
    ASSERT_NE(id, "0");
    const std::pair<const char*, int> keys[] = {
        {"a", 65},
        {"z", 90},
        {"e", 69},
        {"0", 48},
        {"9", 57},
        {"F1", 112},
        {"F12", 123},
        {"Up", 38},
        {"Down", 40},
        {"Left", 37},
        {"Right", 39},
        {"Prior", 33},
        {"Next", 34},
        {"KP_Add", 107},
        {"KP_Subtract", 109},
        {"KP_Multiply", 106},
        {"Scroll_Lock", 145},
        {"Escape", 27},
        {"space", 32},
        {"Return", 13},
        {"Shift_L", 16},
        {"Control_R", 17},
        {"Home", 36},
        {"Delete", 46},
        {"Tab", 9},
        {"minus", 189},
        {"BackSpace", 8},
        {"Pause", 19},
    };
    for (const auto& key : keys) {
        const char* name = key.first;
        const int code = key.second;
        ASSERT_EQ(x("xdotool keydown --window " + id + " " + name), 0) << name;
        EXPECT_TRUE(pumpUntil([&] { return isKeyHeld(keyState, code); })) << name;
        ASSERT_EQ(x("xdotool keyup --window " + id + " " + name), 0) << name;
        EXPECT_TRUE(pumpUntil([&] { return !isKeyHeld(keyState, code); })) << name;
    }

    // Alt, F10 and keys held with Alt are system keys: never recorded. The
    // Escape sent after them shows the events were handled meanwhile.
    x("xdotool keydown --window " + id + " alt+w");
    x("xdotool keydown --window " + id + " Escape"); // with Alt: a system key too
    x("xdotool keyup --window " + id + " Escape alt+w");
    x("xdotool keydown --window " + id + " F10");
    x("xdotool keyup --window " + id + " F10");
    x("xdotool keydown --window " + id + " Escape");
    EXPECT_TRUE(pumpUntil([&] { return isKeyHeld(keyState, 27); }));
    for (int code : {87, 18, 121})
        EXPECT_FALSE(isKeyHeld(keyState, code)) << code;
    x("xdotool keyup --window " + id + " Escape");
}

TEST_F(GlWindowTest, MinimiseRestoreAndCloseRequest) {
    ASSERT_TRUE(openWindow());
    const std::string id = windowId();
    const std::string poke = std::string(X_POKE_PATH);
    ASSERT_EQ(x(poke + " minimise " + id), 0);
    EXPECT_TRUE(pumpUntil([] { return glWindow.active == 0; }));
    ASSERT_EQ(x(poke + " restore " + id), 0);
    EXPECT_TRUE(pumpUntil([] { return glWindow.active == 1; }));

    // A close request posts the quit message with code 0; the window stays
    // until the teardown.
    ASSERT_EQ(x(poke + " close " + id), 0);
    EXPECT_TRUE(pumpUntil([&] { return !quitCodes.empty(); }));
    EXPECT_EQ(quitCodes, std::vector<int32_t>{0});
    EXPECT_NE(glWindow.window, nullptr);
}

TEST_F(GlWindowTest, TeardownSavesTheLoadedMapButAFailedCreationSavesNothing) {
    // A stored map that a failed start must not replace.
    HexMap stored;
    stored.loadState = MapLoadState::loaded;
    stored.height.cell[4][4] = 2.5f;
    ASSERT_TRUE(saveMapTo(stored, mapFilePath));
    const std::string before = readFileText(mapFilePath);

    {
        const HookSwap<decltype(ShellHooks::initScene)> failingScene(shellHooks.initScene,
                                                                     [] { return 0; });
        EXPECT_FALSE(openWindow());
        EXPECT_EQ(glWindow.window, nullptr) << "the teardown ran";
        EXPECT_EQ(readFileText(mapFilePath), before);
        EXPECT_TRUE(recorder.messages.empty());
    }

    // A window that loaded the map writes it back, edits included.
    ASSERT_TRUE(openWindow());
    {
        std::lock_guard<std::mutex> lock(sceneState.mutex);
        EXPECT_EQ(sceneState.state.map.height.cell[4][4], 2.5f);
        sceneState.state.map.water.cell[0][0] = 3.0f;
    }
    destroyGlWindow();
    HexMap saved;
    loadMapFrom(saved, mapFilePath);
    EXPECT_EQ(saved.height.cell[4][4], 2.5f);
    EXPECT_EQ(saved.water.cell[0][0], 3.0f);
    EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(GlWindowTest, AMapThatCannotBeReadIsReportedAtStartAndNeverReplaced) {
    fs::create_directory(mapFilePath);
    std::FILE* capture = std::tmpfile();
    ASSERT_NE(capture, nullptr);
    std::fflush(stderr);
    const int realStderr = ::dup(2);
    ::dup2(::fileno(capture), 2);
    const bool opened = openWindow();
    std::fflush(stderr);
    ::dup2(realStderr, 2);
    ::close(realStderr);
    std::rewind(capture);
    std::string said;
    for (int c; (c = std::fgetc(capture)) != EOF;)
        said += static_cast<char>(c);
    std::fclose(capture);
    ASSERT_TRUE(opened) << said;
    EXPECT_EQ(said, "data/quillmark.map: Is a directory; edits will not be saved\n");
    EXPECT_TRUE(recorder.messages.empty()) << "no box at start-up";

    // The edits are kept, but they were made on an empty field: the box
    // says that copy must not replace the map.
    startRecoveryCopy();
    {
        std::lock_guard<std::mutex> lock(sceneState.mutex);
        sceneState.state.map.height.cell[1][1] = 2.0f;
    }
    destroyGlWindow();
    EXPECT_EQ(recorder.lines(),
              std::vector<std::string>{
                  "Error: Couldn't save the map file data/quillmark.map, which could not be read "
                  "either. Your edits, made on an empty field, are kept in "
                  "data/quillmark.map.recovery: it is not the map and must not replace it"});
    EXPECT_TRUE(fs::is_regular_file(mapRecoveryPath));
    EXPECT_TRUE(fs::is_directory(mapFilePath));
    EXPECT_TRUE(fs::is_empty(mapFilePath));
}

TEST_F(GlWindowTest, AFullscreenModeThatCannotBeHadFailsWithoutFallingBack) {
    const std::string offered = " is not offered by the display (offered: 1024x768 (75, 60 Hz), "
                                "800x600 (75, 60 Hz), 640x480 (75 Hz))";
    EXPECT_FALSE(createGlWindow("Quillmark", nullptr, 1600, 1200, 32, 0, 1));
    EXPECT_EQ(glWindow.failureCause, "fullscreen 1600x1200" + offered);
    EXPECT_EQ(glWindow.window, nullptr) << "no window on the desktop instead";
    EXPECT_EQ(glWindow.fullscreen, 1);
    EXPECT_EQ(mapLoadState(), MapLoadState::notRun);
    EXPECT_TRUE(recorder.messages.empty()) << "the caller reports the failure";
    // A size that is offered, at a rate that is not.
    EXPECT_FALSE(createGlWindow("Quillmark", nullptr, 640, 480, 32, 60, 1));
    EXPECT_EQ(glWindow.failureCause, "fullscreen 640x480 at 60 Hz" + offered);
    EXPECT_EQ(modeInForce(), "1024x768@60");
    stopVideo();
    glWindow.ownsVideo = false;
}

TEST_F(GlWindowTest, FullscreenAtTheScreenSizeDrawsInBothDepths) {
    // Displays list modes at the desktop's depth only: 16 bits asks for the
    // colour buffer, not for a mode.
    for (int32_t bits : {32, 16}) {
        ASSERT_TRUE(createGlWindow("Quillmark", nullptr, 1024, 768, bits, 60, 1))
            << bits << ": " << glWindow.failureCause;
        EXPECT_EQ(modeInForce(), "1024x768@60");
        GLint red = 0;
        glGetIntegerv(GL_RED_BITS, &red);
        EXPECT_GE(red, 5) << bits;
        glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        unsigned char corner[4] = {};
        glReadPixels(1023, 767, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, corner);
        EXPECT_EQ(corner[1], 255) << "the far corner of a 1024 x 768 surface, " << bits;
        EXPECT_EQ(corner[0], 0);
        destroyGlWindow();
    }
    EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(GlWindowTest, KeepingTheRateAsksForNoneAndANamedRateIsHad) {
    // The list puts the fastest rate first; keeping the rate must not take it.
    const std::pair<std::array<int32_t, 3>, const char*> cases[] = {
        {{1024, 768, 0}, "1024x768@60"}, // the desktop's own mode
        {{800, 600, 0}, "800x600@60"},   // the desktop's rate, offered here
        {{640, 480, 0}, "640x480@75"},   // not offered here: the size's first
        {{800, 600, 75}, "800x600@75"},
    };
    for (const auto& c : cases) {
        const auto& [width, height, frequency] = c.first;
        ASSERT_TRUE(createGlWindow("Quillmark", nullptr, width, height, 32, frequency, 1))
            << c.second << ": " << glWindow.failureCause;
        EXPECT_EQ(modeInForce(), c.second);
        destroyGlWindow();
        EXPECT_EQ(modeInForce(), "1024x768@60") << "the desktop's mode comes back";
    }
}
