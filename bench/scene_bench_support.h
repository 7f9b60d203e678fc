#pragma once
// Shared set-up of the scene benchmarks: the default game folder's assets and
// sample map, drawn offscreen at 1024 x 768.

#include "map/scene.h"
#include "platform/offscreen/offscreen_gl.h"
#include "shell/asset_loading.h"
#include "shell/gl_window.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

struct SceneBench {
    AssetSet assets;
    OffscreenGl gl;
    SharedSceneState shared;

    // Loads everything from `gameDir` (the working directory is changed to it).
    bool open(const std::string& gameDir, int width = 1024, int height = 768) {
        std::error_code error;
        std::filesystem::current_path(gameDir, error);
        if (error) {
            std::fprintf(stderr, "cannot enter %s\n", gameDir.c_str());
            return false;
        }
        if (!loadAssetSetInto(assets)) {
            std::fprintf(stderr, "Couldn't load the model data\\model.ms3d\n");
            return false;
        }
        std::string why;
        if (!createOffscreenGl(gl, width, height, &why)) {
            std::fprintf(stderr, "no offscreen GL: %s\n", why.c_str());
            return false;
        }
        resizeScene(width, height);
        initSceneState(shared, assets, "data/quillmark.map");
        return true;
    }
    std::string renderer() const {
        const auto* text = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
        return text != nullptr ? text : "?";
    }
};

inline std::string gameDirFromArgs(int argc, char** argv) {
    return argc > 1 ? argv[1] : QUILLMARK_GAME_DIR;
}
