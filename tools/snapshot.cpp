#include "snapshot.h"

#include "map/map_file.h"
#include "map/scene.h"
#include "platform/offscreen/offscreen_gl.h"
#include "shell/asset_loading.h"
#include "shell/gl_window.h"

#include <stb/stb_image_write.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

// Model and texture paths are relative to the game folder, as in the
// program; this keeps the caller's working directory whatever happens.
class WorkingDirectory {
  public:
    explicit WorkingDirectory(const fs::path& dir, std::error_code& error)
        : previous(fs::current_path(error)) {
        if (!error)
            fs::current_path(dir, error);
    }
    ~WorkingDirectory() {
        std::error_code ignored;
        fs::current_path(previous, ignored);
    }

  private:
    fs::path previous;
};

} // namespace

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
    return stbi_write_png(path.c_str(), image.width, image.height, 3, image.rgb.data(),
                          image.width * 3) != 0;
}
