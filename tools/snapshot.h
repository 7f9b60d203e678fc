#pragma once
// Drawing a game folder's map to an image without any display, with the
// program's own scene code on an offscreen GL context.

#include <cstdint>
#include <string>
#include <vector>

struct SnapshotOptions {
    std::string gameDir = "."; // holds data/
    std::string mapPath;       // empty: data/quillmark.map in gameDir
    int width = 1024;
    int height = 768;
    int cursorRow = 7;
    int cursorColumn = 5;
    float pitch = 60.0f;
    float distance = 25.0f;
    bool editMode = false;
};

struct SnapshotImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;   // top row first
    std::vector<uint8_t> alpha; // one per pixel, same order; empty when opaque
};

// Loads the asset set from the game folder, initialises the scene, settles
// the camera on the cursor and draws one frame. The working directory is
// restored afterwards. On failure returns false with the reason in `error`
// (a model that fails gives the program's own message).
bool renderSnapshot(const SnapshotOptions& options, SnapshotImage& image, std::string& error);

// Writes the image, top row first, as a PNG file (RGBA when it has alpha).
bool writePng(const std::string& path, const SnapshotImage& image);
