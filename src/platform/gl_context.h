#pragma once
// Asking whether the calling thread has a current OpenGL context.

// True when an EGL context (such as the offscreen one) or a GLX context (such
// as the window's) is current on the calling thread.
bool glContextIsCurrent();
