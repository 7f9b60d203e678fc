// Loading the asset set from scratch folders: the fixed models with their
// texture overrides, and where the numbered series stop.

#include "hook_swap.h"
#include "message_recorder.h"
#include "ms3d_writer.h"
#include "scratch_dir.h"
#include "shell/asset_loading.h"
#include "shell/shell_hooks.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// Every look for a numbered file, in order.
std::vector<std::string> probed;

bool recordingProbe(const char* path) {
    probed.push_back(path);
    return probeModelFile(path);
}

// A one-triangle model whose material names `texture`, and whose vertex x
// is `mark` so that a test can tell which file a model came from.
std::vector<uint8_t> markedModel(float mark, const std::string& texture = "own.bmp") {
    Ms3dFile file;
    appendMs3dQuad(file, 0, mark, 0, mark + 1, 1, 0);
    file.groups[0].materialIndex = 0;
    Ms3dFileMaterial material;
    material.textureName = texture;
    file.materials.push_back(material);
    std::vector<uint8_t> bytes;
    encodeMs3d(file, bytes);
    return bytes;
}

std::string numbered(const char* kind, int i) {
    char name[64];
    std::snprintf(name, sizeof name, "data/%s%04d.ms3d", kind, i);
    return name;
}

bool wasProbed(const std::string& path) {
    for (const std::string& p : probed)
        if (p == path)
            return true;
    return false;
}

// Each case in a scratch game folder of its own, message boxes caught.
class AssetSetLoading : public ::testing::Test {
  protected:
    void SetUp() override {
        probed.clear();
        writeFileBytes("data/Hexagon.ms3d", markedModel(1));
        writeFileBytes("data/HighlightHex.ms3d", markedModel(2));
        writeFileBytes("data/Arrow.ms3d", markedModel(3));
        writeFileBytes("data/Arrow_edit.ms3d", markedModel(4));
    }
    void numberedFiles(const char* kind, std::initializer_list<int> numbers) {
        for (int i : numbers)
            writeFileBytes(numbered(kind, i), markedModel(100.0f + static_cast<float>(i)));
    }
    static float mark(const std::unique_ptr<MeshModel>& model) {
        return model->vertices.at(0).position[0];
    }
    ScratchWorkDir work{"assets"};
    MessageRecorder recorder;
    AssetSet set;
    HookSwap<decltype(ShellHooks::probeModelFile)> probeHook{shellHooks.probeModelFile,
                                                             recordingProbe};
};

} // namespace

TEST_F(AssetSetLoading, FixedModelsGetTheirFilesAndTextureOverrides) {
    ASSERT_TRUE(loadAssetSetInto(set));
    for (int i = 0; i < landHexCount; ++i) {
        ASSERT_NE(set.landHex[i], nullptr);
        EXPECT_EQ(mark(set.landHex[i]), 1.0f);
        EXPECT_EQ(set.landHex[i]->materials.at(0).textureName, "land" + std::to_string(i) + ".bmp");
    }
    EXPECT_EQ(mark(set.waterHex), 1.0f);
    EXPECT_EQ(set.waterHex->materials.at(0).textureName, "water.bmp");
    EXPECT_EQ(mark(set.highlightHex), 2.0f);
    EXPECT_EQ(mark(set.arrow), 3.0f);
    EXPECT_EQ(mark(set.arrowEdit), 4.0f);
    // No override for the others: the file's own texture name stays.
    EXPECT_EQ(set.arrowEdit->materials.at(0).textureName, "own.bmp");
    EXPECT_TRUE(recorder.messages.empty()); // missing textures are silent
}

TEST_F(AssetSetLoading, NoNumberedFilesGivesEmptySeriesOfThirtyModels) {
    ASSERT_TRUE(loadAssetSetInto(set));
    EXPECT_EQ(set.objectCount, 0);
    EXPECT_EQ(set.unitCount, 0);
    for (int i = 0; i < maxNumberedModels; ++i) {
        ASSERT_NE(set.objectModels[i], nullptr);
        ASSERT_NE(set.unitModels[i], nullptr);
        EXPECT_EQ(set.objectModels[i]->vertexCount, 0);
        EXPECT_EQ(set.unitModels[i]->triangleCount, 0);
    }
    EXPECT_EQ(probed, (std::vector<std::string>{"data/object0000.ms3d", "data/guy0000.ms3d"}));
}

TEST_F(AssetSetLoading, AGapEndsTheSeriesAndLaterFilesAreNeverOpened) {
    numberedFiles("object", {0, 1, 3});
    numberedFiles("guy", {0, 2});
    ASSERT_TRUE(loadAssetSetInto(set));
    EXPECT_EQ(set.objectCount, 2);
    EXPECT_EQ(set.unitCount, 1);
    EXPECT_EQ(mark(set.objectModels[1]), 101.0f);
    EXPECT_EQ(set.objectModels[3]->vertexCount, 0);
    EXPECT_FALSE(wasProbed("data/object0003.ms3d"));
    EXPECT_FALSE(wasProbed("data/guy0002.ms3d"));
    EXPECT_EQ(probed, (std::vector<std::string>{"data/object0000.ms3d", "data/object0001.ms3d",
                                                "data/object0002.ms3d", "data/guy0000.ms3d",
                                                "data/guy0001.ms3d"}));
}

TEST_F(AssetSetLoading, ThirtyFilesAtMostAndTheThirtyFirstIsNeverLookedAt) {
    for (int i = 0; i <= 31; ++i)
        numberedFiles("object", {i});
    numberedFiles("guy", {0});
    ASSERT_TRUE(loadAssetSetInto(set));
    EXPECT_EQ(set.objectCount, 30);
    EXPECT_EQ(mark(set.objectModels[29]), 129.0f);
    EXPECT_FALSE(wasProbed("data/object0030.ms3d"));
    EXPECT_EQ(set.unitCount, 1);
    // 30 object probes, then the unit series.
    ASSERT_GE(probed.size(), 31u);
    EXPECT_EQ(probed[29], "data/object0029.ms3d");
    EXPECT_EQ(probed[30], "data/guy0000.ms3d");
}

TEST_F(AssetSetLoading, AnUnparsableObjectStopsBeforeAnyUnitIsProbed) {
    numberedFiles("object", {0, 2});
    writeFileBytes("data/object0001.ms3d", {'n', 'o', 't', ' ', 'a', ' ', 'm', 'o', 'd', 'e', 'l'});
    numberedFiles("guy", {0, 1});
    EXPECT_FALSE(loadAssetSetInto(set));
    EXPECT_EQ(set.objectCount, 2); // raised before the load that failed
    EXPECT_EQ(mark(set.objectModels[0]), 100.0f);
    EXPECT_EQ(set.objectModels[1]->vertexCount, 0);
    for (const std::string& p : probed)
        EXPECT_EQ(p.find("guy"), std::string::npos) << p;
    EXPECT_EQ(set.unitCount, 0);
}

TEST_F(AssetSetLoading, AnUnparsableUnitFailsAfterTheObjectsLoaded) {
    numberedFiles("object", {0});
    numberedFiles("guy", {0});
    writeFileBytes(numbered("guy", 1), {});
    EXPECT_FALSE(loadAssetSetInto(set));
    EXPECT_EQ(set.objectCount, 1);
    EXPECT_EQ(set.unitCount, 2);
}

TEST_F(AssetSetLoading, AMissingFixedModelFailsBeforeAnySeries) {
    numberedFiles("object", {0});
    std::filesystem::remove("data/Arrow_edit.ms3d");
    EXPECT_FALSE(loadAssetSetInto(set));
    EXPECT_NE(set.arrow, nullptr);
    EXPECT_EQ(set.arrow->vertexCount, 4); // loaded before the failure, and kept
    EXPECT_TRUE(probed.empty());
    EXPECT_EQ(set.objectCount, 0);
    EXPECT_EQ(set.objectModels[0], nullptr);
}

TEST_F(AssetSetLoading, AMissingHexagonFailsAtTheFirstModel) {
    std::filesystem::remove("data/Hexagon.ms3d");
    EXPECT_FALSE(loadAssetSetInto(set));
    EXPECT_NE(set.landHex[0], nullptr);
    EXPECT_EQ(set.landHex[1], nullptr); // not created after the failure
    EXPECT_EQ(set.highlightHex, nullptr);
}
