#include "shell/gl_window.h"

#include "platform/message_box.h"
#include "shell/program_state.h"
#include "shell/shell_hooks.h"

#include <cstdio>

#include <GL/gl.h>
#include <GL/glu.h>

GlWindow glWindow;

namespace {

void reportShutdownError(const char* text) {
    showMessageBox("SHUTDOWN ERROR", text, MessageIcon::information);
}

} // namespace

bool createGlWindow(const char* title, void* instance, int32_t width, int32_t height, int32_t bits,
                    int32_t frequency, uint8_t fullscreen) {
    (void)instance; // the program's own module; nothing here needs it
    glWindow.fullscreen = fullscreen;
    glWindow.failureCause.clear();
    std::string& cause = glWindow.failureCause;

    // Video on a display a person can see; the teardown stops it again.
    std::string error;
    if (!startVideo(&cause))
        return false;
    glWindow.ownsVideo = true;

    WindowRequest request;
    request.title = title;
    request.width = width;
    request.height = height;
    request.bits = bits;
    request.frequency = frequency;
    request.fullscreen = fullscreen != 0;
    request.display = glWindow.display;
    request.icon = glWindow.icon;
    if (request.fullscreen &&
        !fullscreenModeAvailable(glWindow.display, width, height, frequency, &cause))
        return false; // no fallback to a window on the desktop, no teardown

    glWindow.window = createPlatformWindow(request, &error);
    if (glWindow.window == nullptr) {
        cause = "the window could not be created: " + error;
        destroyGlWindow();
        return false;
    }
    glWindow.renderContext = createPlatformGlContext(glWindow.window, &error);
    if (glWindow.renderContext == nullptr) {
        cause = "no OpenGL context for the window: " + error;
        destroyGlWindow();
        return false;
    }
    // The display switches to the fullscreen mode only here, so a refusal
    // finds the window and context already made: they go again, unsaved.
    if (!showPlatformWindow(glWindow.window, &cause)) {
        destroyGlWindow();
        return false;
    }
    // On a scaled display the picture has more pixels than the window has
    // points: the projection is for the pixels.
    int32_t pixelWidth = width;
    int32_t pixelHeight = height;
    platformDrawableSize(glWindow.window, pixelWidth, pixelHeight);
    resizeScene(pixelWidth, pixelHeight);
    if (shellHooks.initScene() == 0) {
        cause = "the scene could not be set up";
        destroyGlWindow();
        return false;
    }
    return true;
}

bool destroyGlWindow() {
    if (glWindow.fullscreen != 0)
        leaveFullscreen(glWindow.window);
    if (glWindow.renderContext != nullptr) {
        if (!releaseCurrentGlContext(glWindow.window))
            reportShutdownError("Release Of DC And RC Failed.");
        deletePlatformGlContext(glWindow.renderContext);
        glWindow.renderContext = nullptr;
    }
    if (glWindow.window != nullptr) {
        destroyPlatformWindow(glWindow.window);
        glWindow.window = nullptr;
    }
    if (glWindow.ownsVideo) {
        stopVideo();
        glWindow.ownsVideo = false;
    }
    return saveMapAtEnd(true);
}

bool saveMapAtEnd(bool inBox) {
    // Only a map that the scene loaded is saved: a creation that failed
    // before that must not replace the stored map with empty layers.
    const MapLoadState loaded = mapLoadState();
    if (loaded == MapLoadState::notRun)
        return false;
    const bool saved = saveMapFile();
    const bool kept = settleRecoveryCopy(saved);
    if (saved)
        return true;
    // Edits on a map that could not be read were made on an empty field: a
    // copy of them put over the map would lose the map itself.
    const char* text =
        !kept ? "Couldn't save the map file data/quillmark.map"
        : loaded == MapLoadState::unreadable
            ? "Couldn't save the map file data/quillmark.map, which could not be read either. "
              "Your edits, made on an empty field, are kept in data/quillmark.map.recovery: it "
              "is not the map and must not replace it"
            : "Couldn't save the map file data/quillmark.map; your edits are kept in "
              "data/quillmark.map.recovery";
    if (inBox)
        showMessageBox("Error", text, MessageIcon::error);
    else
        std::fprintf(stderr, "%s\n", formatMessageLine("Error", text).c_str());
    return false;
}

void windowProc(const PlatformEvent& event) {
    switch (event.kind) {
    case PlatformEventKind::minimised:
        glWindow.active = 0;
        break;
    case PlatformEventKind::restored:
        glWindow.active = 1;
        break;
    case PlatformEventKind::closeRequest:
        postQuitEvent(0); // the window itself goes only with the teardown
        break;
    // Queued for the tick, which applies them in order. Keys without a
    // virtual-key code are ignored; codes of 256 or more are refused.
    case PlatformEventKind::keyDown:
    case PlatformEventKind::keyUp:
        if (event.code > 0)
            queueKeyTransition(keyQueue, event.code, event.kind == PlatformEventKind::keyDown);
        break;
    case PlatformEventKind::resized:
        resizeScene(event.width, event.height);
        break;
    case PlatformEventKind::focusGained:
        suspendScreenSaver(true);
        break;
    case PlatformEventKind::focusLost:
        suspendScreenSaver(false);
        break;
    default:
        break;
    }
}

void resizeScene(int32_t width, int32_t height) {
    if (height == 0)
        height = 1;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(width) / static_cast<double>(height), 1.0, 1200.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
