// The default data set's sample map, drawn by the same code as the program:
// not a golden image (that would break with the driver), but a picture with
// plenty in it and the cursor highlight where it belongs.

#include "assets/make_assets.h"
#include "map/scene.h"
#include "message_recorder.h"
#include "platform/offscreen/offscreen_gl.h"
#include "scratch_dir.h"
#include "shell/asset_loading.h"
#include "shell/gl_window.h"

#include <gtest/gtest.h>

#include <set>

TEST(SampleMapRender, ShowsAFullFieldWithTheHighlightOnTheCursor) {
    const ScratchWorkDir work("sample");
    MakeAssetsResult made;
    ASSERT_TRUE(makeAssets(work.path().string(), made)) << made.error;
    const MessageRecorder recorder;

    static AssetSet assets;
    ASSERT_TRUE(loadAssetSetInto(assets));
    constexpr int width = 400, height = 300;
    OffscreenGl gl;
    std::string error;
    ASSERT_TRUE(createOffscreenGl(gl, width, height, &error)) << error;
    resizeScene(width, height);
    SharedSceneState shared;
    ASSERT_EQ(initSceneState(shared, assets, "data/quillmark.map"), 1);
    SceneState scene = shared.state;
    scene.camera.pitch = 90.0f; // straight down: the cursor hex at the centre

    drawSceneFrom(scene, assets);
    const std::vector<uint8_t> withHighlight = readOffscreenGlPixels(gl);
    std::set<uint32_t> colours;
    for (size_t i = 0; i + 2 < withHighlight.size(); i += 3)
        colours.insert(withHighlight[i] << 16 | withHighlight[i + 1] << 8 | withHighlight[i + 2]);
    EXPECT_GT(colours.size(), 1000u) << "textured terrain, objects and units";

    // Without the highlight and arrows, only the middle of the picture changes.
    std::unique_ptr<MeshModel> highlight = std::move(assets.highlightHex);
    std::unique_ptr<MeshModel> arrow = std::move(assets.arrow);
    drawSceneFrom(scene, assets);
    const std::vector<uint8_t> without = readOffscreenGlPixels(gl);
    assets.highlightHex = std::move(highlight);
    assets.arrow = std::move(arrow);
    int changedNearCentre = 0, changedElsewhere = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const size_t i = (static_cast<size_t>(y) * width + x) * 3;
            const bool changed = withHighlight[i] != without[i] ||
                                 withHighlight[i + 1] != without[i + 1] ||
                                 withHighlight[i + 2] != without[i + 2];
            const bool nearCentre = std::abs(x - width / 2) < 40 && std::abs(y - height / 2) < 40;
            (nearCentre ? changedNearCentre : changedElsewhere) += changed;
        }
    EXPECT_GT(changedNearCentre, 100);
    EXPECT_EQ(changedElsewhere, 0);
    EXPECT_TRUE(recorder.messages.empty()) << recorder.lines().front();

    destroyOffscreenGl(gl);
}
