#include "platform/offscreen/offscreen_gl.h"

#include "platform/platform_internal.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <cstdio>
#include <cstring>

namespace {

// What failed, with EGL's code for the last error.
std::string eglFailure(const char* what) {
    char code[32];
    std::snprintf(code, sizeof code, " (EGL error 0x%04X)", static_cast<unsigned>(eglGetError()));
    return std::string(what) + code;
}

bool hasExtension(const char* list, const char* name) {
    if (!list)
        return false;
    const size_t length = std::strlen(name);
    for (const char* p = list; (p = std::strstr(p, name)) != nullptr; p += length)
        if ((p == list || p[-1] == ' ') && (p[length] == ' ' || p[length] == '\0'))
            return true;
    return false;
}

EGLDisplay openSurfacelessDisplay(std::string* error) {
    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (!hasExtension(clientExtensions, "EGL_MESA_platform_surfaceless")) {
        setError(error, eglFailure("EGL_MESA_platform_surfaceless is not available"));
        return EGL_NO_DISPLAY;
    }
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) {
        setError(error, eglFailure("eglGetPlatformDisplayEXT is not available"));
        return EGL_NO_DISPLAY;
    }
    EGLDisplay display =
        getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY)
        setError(error, eglFailure("no surfaceless EGL display"));
    return display;
}

// eglChooseConfig ranks deeper colour buffers first, so pick the 8/8/8 one
// with a 16-bit depth buffer ourselves (any depth of at least 16 if none).
EGLConfig chooseConfig(EGLDisplay display) {
    const EGLint attributes[] = {EGL_SURFACE_TYPE,
                                 EGL_PBUFFER_BIT,
                                 EGL_RENDERABLE_TYPE,
                                 EGL_OPENGL_BIT,
                                 EGL_RED_SIZE,
                                 8,
                                 EGL_GREEN_SIZE,
                                 8,
                                 EGL_BLUE_SIZE,
                                 8,
                                 EGL_DEPTH_SIZE,
                                 16,
                                 EGL_NONE};
    EGLint count = 0;
    if (!eglChooseConfig(display, attributes, nullptr, 0, &count) || count <= 0)
        return nullptr;
    std::vector<EGLConfig> configs(static_cast<size_t>(count));
    if (!eglChooseConfig(display, attributes, configs.data(), count, &count))
        return nullptr;
    EGLConfig fallback = nullptr;
    for (EGLint i = 0; i < count; ++i) {
        EGLint red = 0, green = 0, blue = 0, depth = 0;
        eglGetConfigAttrib(display, configs[i], EGL_RED_SIZE, &red);
        eglGetConfigAttrib(display, configs[i], EGL_GREEN_SIZE, &green);
        eglGetConfigAttrib(display, configs[i], EGL_BLUE_SIZE, &blue);
        eglGetConfigAttrib(display, configs[i], EGL_DEPTH_SIZE, &depth);
        if (red != 8 || green != 8 || blue != 8)
            continue;
        if (depth == 16)
            return configs[i];
        if (!fallback && depth >= 16)
            fallback = configs[i];
    }
    return fallback;
}

} // namespace

bool createOffscreenGl(OffscreenGl& gl, int width, int height, std::string* error) {
    gl = OffscreenGl();
    if (width <= 0 || height <= 0) {
        setError(error, "width and height must be positive");
        return false;
    }
    EGLDisplay display = openSurfacelessDisplay(error);
    if (display == EGL_NO_DISPLAY)
        return false;
    EGLint major = 0, minor = 0;
    if (!eglInitialize(display, &major, &minor)) {
        setError(error, eglFailure("eglInitialize failed"));
        return false;
    }
    gl.display = display;
    EGLConfig config = chooseConfig(display);
    if (!config) {
        setError(error,
                 eglFailure("no 8/8/8 pbuffer config with a depth buffer for desktop OpenGL"));
        destroyOffscreenGl(gl);
        return false;
    }
    gl.config = config;
    if (!eglBindAPI(EGL_OPENGL_API)) {
        setError(error, eglFailure("eglBindAPI(EGL_OPENGL_API) failed"));
        destroyOffscreenGl(gl);
        return false;
    }
    const EGLint contextAttributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                        EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    if (context == EGL_NO_CONTEXT) {
        setError(error, eglFailure("eglCreateContext failed"));
        destroyOffscreenGl(gl);
        return false;
    }
    gl.context = context;
    const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    EGLSurface surface = eglCreatePbufferSurface(display, config, surfaceAttributes);
    if (surface == EGL_NO_SURFACE) {
        setError(error, eglFailure("eglCreatePbufferSurface failed"));
        destroyOffscreenGl(gl);
        return false;
    }
    gl.surface = surface;
    gl.width = width;
    gl.height = height;
    if (!makeOffscreenGlCurrent(gl)) {
        setError(error, eglFailure("eglMakeCurrent failed"));
        destroyOffscreenGl(gl);
        return false;
    }
    return true;
}

bool makeOffscreenGlCurrent(const OffscreenGl& gl) {
    return gl.display && gl.context && gl.surface &&
           eglMakeCurrent(gl.display, gl.surface, gl.surface, gl.context) == EGL_TRUE;
}

void releaseCurrentGl(const OffscreenGl& gl) {
    if (gl.display)
        eglMakeCurrent(gl.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

std::vector<uint8_t> readOffscreenGlPixels(const OffscreenGl& gl) {
    const size_t rowSize = static_cast<size_t>(gl.width) * 3;
    std::vector<uint8_t> bottomUp(rowSize * static_cast<size_t>(gl.height));
    if (bottomUp.empty())
        return bottomUp;
    glFinish();
    GLint packAlignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, gl.width, gl.height, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
    // GL returns the bottom row first.
    std::vector<uint8_t> topDown(bottomUp.size());
    for (int row = 0; row < gl.height; ++row)
        std::memcpy(&topDown[static_cast<size_t>(row) * rowSize],
                    &bottomUp[static_cast<size_t>(gl.height - 1 - row) * rowSize], rowSize);
    return topDown;
}

void destroyOffscreenGl(OffscreenGl& gl) {
    if (gl.display) {
        if (eglGetCurrentContext() == gl.context)
            eglMakeCurrent(gl.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (gl.surface)
            eglDestroySurface(gl.display, gl.surface);
        if (gl.context)
            eglDestroyContext(gl.display, gl.context);
        // The display is shared by every context of the process; terminating
        // it here would pull it from under any other live context.
    }
    gl = OffscreenGl();
}
