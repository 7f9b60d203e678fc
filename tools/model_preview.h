#pragma once
// Drawing one MS3D model on its own, lit and textured as the editor draws it,
// to an image without any display.

#include "snapshot.h"

#include <string>
#include <vector>

struct ModelPreviewOptions {
    std::string modelPath;
    std::string dataDir; // where the model's texture names point; empty: the model's folder
    int width = 800;
    int height = 600;
    float yaw = 30.0f;        // the model turns this far about the upright axis,
                              // counter-clockwise seen from above; 0 faces +z
    float pitch = 25.0f;      // how far the camera looks down (negative: up)
    bool onHex = false;       // stand it on the land hex: dataDir/Hexagon.ms3d with land0.bmp
    bool transparent = false; // no background: the image gets alpha
    int supersample = 1;      // drawn this many times larger, then each block averaged
};

// Loads the model (and the hex) as the editor does, with its textures from
// dataDir, places the camera at the given angle as close as it can be with
// the whole model (and the hex's top) in view, and draws one frame with the
// editor's light. Textures are read through a scratch folder in the system's
// temporary folder whose `data` links to dataDir; that folder is gone and the
// working directory is as before when this returns. False with the reason in
// `error` when the model or the hex cannot be loaded or nothing can be drawn;
// `warnings` names the textures that did not load (drawn without them).
bool renderModelPreview(const ModelPreviewOptions& options, SnapshotImage& image,
                        std::string& error, std::vector<std::string>& warnings);
