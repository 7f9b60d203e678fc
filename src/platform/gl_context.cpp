#include "platform/gl_context.h"

#include <EGL/egl.h>
#include <GL/glx.h>

bool glContextIsCurrent() {
    return eglGetCurrentContext() != EGL_NO_CONTEXT || glXGetCurrentContext() != nullptr;
}
