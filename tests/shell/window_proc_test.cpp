// The window's handling of events, without a display.

#include "shell/gl_window.h"
#include "shell/program_state.h"

#include <gtest/gtest.h>

namespace {

PlatformEvent event(PlatformEventKind kind, int32_t code = 0) {
    PlatformEvent e;
    e.kind = kind;
    e.code = code;
    return e;
}

int heldCount() {
    int held = 0;
    for (int code = 0; code < keyStateSize; ++code)
        held += isKeyHeld(keyState, code);
    return held;
}

} // namespace

TEST(WindowProc, KeysReachKeyStateThroughTheTicksQueue) {
    releaseAllKeys(keyState);
    clearKeyEvents(keyQueue);
    windowProc(event(PlatformEventKind::keyDown, vkW));
    EXPECT_FALSE(isKeyHeld(keyState, vkW)) << "only the tick writes KeyState";
    // Auto-repeated downs keep it held; only the up clears it.
    PlatformEvent repeat = event(PlatformEventKind::keyDown, vkW);
    repeat.repeat = true;
    windowProc(repeat);
    windowProc(repeat);
    windowProc(event(PlatformEventKind::keyUp, vkW));
    applyKeyTransitions(keyQueue, keyState);
    EXPECT_TRUE(isKeyHeld(keyState, vkW));
    EXPECT_EQ(heldCount(), 1);
    applyKeyTransitions(keyQueue, keyState);
    EXPECT_FALSE(isKeyHeld(keyState, vkW));

    // System keys (Alt, F10, anything with Alt) are never recorded; keys
    // with no code and codes past the table change nothing.
    windowProc(event(PlatformEventKind::systemKeyDown, 18));
    windowProc(event(PlatformEventKind::systemKeyDown, 121));
    windowProc(event(PlatformEventKind::systemKeyDown, vkA));
    windowProc(event(PlatformEventKind::keyDown, 0));
    windowProc(event(PlatformEventKind::keyDown, 256));
    windowProc(event(PlatformEventKind::keyDown, 300));
    windowProc(event(PlatformEventKind::keyDown, -5));
    applyKeyTransitions(keyQueue, keyState);
    EXPECT_EQ(heldCount(), 0);
    windowProc(event(PlatformEventKind::keyDown, 255));
    applyKeyTransitions(keyQueue, keyState);
    EXPECT_TRUE(isKeyHeld(keyState, 255));
    windowProc(event(PlatformEventKind::keyUp, 255));
    applyKeyTransitions(keyQueue, keyState);
}

TEST(WindowProc, MinimiseStopsDrawingAndFocusAloneDoesNot) {
    glWindow.active = 1;
    windowProc(event(PlatformEventKind::focusLost));
    EXPECT_EQ(glWindow.active, 1);
    windowProc(event(PlatformEventKind::minimised));
    EXPECT_EQ(glWindow.active, 0);
    windowProc(event(PlatformEventKind::focusGained));
    EXPECT_EQ(glWindow.active, 0);
    windowProc(event(PlatformEventKind::restored));
    EXPECT_EQ(glWindow.active, 1);
}

TEST(WindowCreation, NoRealDisplayMeansNoWindow) {
    // The tests run with SDL's offscreen driver, which would show nothing.
    EXPECT_FALSE(createGlWindow("Quillmark", nullptr, 640, 480, 32, 0, 0));
    EXPECT_EQ(glWindow.window, nullptr);
    EXPECT_EQ(mapLoadState(), MapLoadState::notRun) << "no scene, so nothing may be saved";
}
