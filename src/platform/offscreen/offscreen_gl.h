#pragma once
// An offscreen OpenGL context with a colour and depth buffer, rendered by
// Mesa's software renderer without any display server. Used by tests and by
// tools that draw scenes to images.

#include <cstdint>
#include <string>
#include <vector>

// Handles are kept opaque so that callers need no EGL headers.
struct OffscreenGl {
    void* display = nullptr;
    void* config = nullptr;
    void* context = nullptr;
    void* surface = nullptr;
    int width = 0;
    int height = 0;
};

// Creates a legacy (compatibility profile) context with an 8-bit RGB colour
// buffer and a 16-bit depth buffer of the given size, and makes it current on
// the calling thread. On failure `error` says why and `gl` stays empty.
bool createOffscreenGl(OffscreenGl& gl, int width, int height, std::string* error = nullptr);

// Makes the context current on the calling thread.
bool makeOffscreenGlCurrent(const OffscreenGl& gl);

// Leaves the calling thread with no current context.
void releaseCurrentGl(const OffscreenGl& gl);

// Finishes drawing and returns the colour buffer as width x height RGB
// triples, rows from the TOP of the image down (the order of image files
// such as PPM), tightly packed. Requires the context to be current.
std::vector<uint8_t> readOffscreenGlPixels(const OffscreenGl& gl);

// Releases the context and its surface (no longer current afterwards).
void destroyOffscreenGl(OffscreenGl& gl);
