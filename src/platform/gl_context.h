#pragma once
// Asking whether the calling thread has a current OpenGL context.

// True when an EGL context (the tools' offscreen one, or the window's on
// Wayland, where SDL makes EGL contexts) or a GLX context (the window's on
// X11) is current on the calling thread.
bool glContextIsCurrent();
