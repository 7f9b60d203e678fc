#include "snapshot.h"

#include "map/map_file.h"
#include "map/scene.h"
#include "platform/atomic_file.h"
#include "platform/offscreen/offscreen_gl.h"
#include "shell/asset_loading.h"
#include "shell/gl_window.h"
#include "working_directory.h"

#include <stb/stb_image_write.h>

#include <filesystem>

namespace fs = std::filesystem;

bool renderSnapshot(const SnapshotOptions& options, SnapshotImage& image, std::string& error) {
    std::error_code fsError;
    const std::string mapPath = options.mapPath.empty()
                                    ? std::string(mapFilePath)
                                    : fs::absolute(options.mapPath, fsError).string();
    WorkingDirectory cwd(options.gameDir, fsError);
    if (fsError) {
        error = "cannot enter " + options.gameDir + ": " + fsError.message();
        return false;
    }

    static AssetSet assets; // models live until the process ends
    if (!loadAssetSetInto(assets)) {
        error = "Couldn't load the model data\\model.ms3d";
        return false;
    }

    OffscreenGl gl;
    if (!createOffscreenGl(gl, options.width, options.height, &error))
        return false;
    resizeScene(options.width, options.height);

    SharedSceneState shared;
    initSceneState(shared, assets, mapPath);
    SceneState scene = shared.state;
    scene.editor.cursorRow = static_cast<int16_t>(options.cursorRow);
    scene.editor.cursorColumn = static_cast<int16_t>(options.cursorColumn);
    scene.editor.editMode = options.editMode ? 1 : 0;
    scene.camera.pitch = options.pitch;
    scene.camera.distance = options.distance;
    // The pan settled on the cursor, as after the glide has ended.
    scene.camera.targetX = scene.camera.panX = -hexCentreX(options.cursorRow);
    scene.camera.targetZ = scene.camera.panZ = -hexCentreZ(options.cursorRow, options.cursorColumn);

    drawSceneFrom(scene, assets);
    image.width = options.width;
    image.height = options.height;
    image.rgb = readOffscreenGlPixels(gl);
    destroyOffscreenGl(gl);
    return true;
}

bool writePng(const std::string& path, const SnapshotImage& image) {
    // Encoded in memory and written whole, so a failed write leaves no
    // half-written picture behind.
    std::vector<uint8_t> png;
    const auto append = [](void* context, void* data, int size) {
        auto& out = *static_cast<std::vector<uint8_t>*>(context);
        const auto* bytes = static_cast<const uint8_t*>(data);
        out.insert(out.end(), bytes, bytes + size);
    };
    std::vector<uint8_t> rgba;
    const int channels = image.alpha.empty() ? 3 : 4;
    if (channels == 4)
        for (size_t i = 0; i < image.alpha.size(); ++i) {
            rgba.insert(rgba.end(), &image.rgb[3 * i], &image.rgb[3 * i + 3]);
            rgba.push_back(image.alpha[i]);
        }
    return stbi_write_png_to_func(append, &png, image.width, image.height, channels,
                                  channels == 4 ? rgba.data() : image.rgb.data(),
                                  image.width * channels) != 0 &&
           writeFileAtomically(path, png.data(), png.size());
}
