// The default data set made by make-assets: it loads whole, its textures
// decode and join across tiles, its geometry holds what the scene relies
// on, and it is the same on every run without ever replacing a map.

#include "assets/asset_models.h"
#include "assets/asset_textures.h"
#include "assets/make_assets.h"
#include "image/bmp_image.h"
#include "map/map_file.h"
#include "message_recorder.h"
#include "model_info.h"
#include "scratch_dir.h"
#include "shell/asset_loading.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <optional>
#include <set>

namespace {

namespace fs = std::filesystem;

struct Corner {
    float position[3];
    float normal[3];
    float s, t; // t as drawn
};

Corner corner(const MeshModel& model, const MeshTriangle& triangle, int j) {
    Corner c;
    const MeshVertex& v = model.vertices.at(triangle.vertexIndices[j]);
    for (int k = 0; k < 3; ++k) {
        c.position[k] = v.position[k];
        c.normal[k] = triangle.vertexNormals[j][k];
    }
    c.s = triangle.s[j];
    c.t = triangle.t[j];
    return c;
}

// The face normal from the winding, counter-clockwise seen from the front.
std::array<float, 3> windingNormal(const Corner c[3]) {
    float e1[3], e2[3];
    for (int k = 0; k < 3; ++k) {
        e1[k] = c[1].position[k] - c[0].position[k];
        e2[k] = c[2].position[k] - c[0].position[k];
    }
    return {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
            e1[0] * e2[1] - e1[1] * e2[0]};
}

// Height of the highest face straight above (x, z), if any.
std::optional<float> surfaceAt(const MeshModel& model, float x, float z) {
    std::optional<float> best;
    for (const MeshTriangle& triangle : model.triangles) {
        Corner c[3] = {corner(model, triangle, 0), corner(model, triangle, 1),
                       corner(model, triangle, 2)};
        const float ax = c[0].position[0], az = c[0].position[2];
        const float bx = c[1].position[0] - ax, bz = c[1].position[2] - az;
        const float cx = c[2].position[0] - ax, cz = c[2].position[2] - az;
        const float det = bx * cz - bz * cx;
        if (std::fabs(det) < 1e-9f)
            continue; // a vertical face
        const float u = ((x - ax) * cz - (z - az) * cx) / det;
        const float v = (bx * (z - az) - bz * (x - ax)) / det;
        if (u < 0 || v < 0 || u + v > 1)
            continue;
        const float y = c[0].position[1] + u * (c[1].position[1] - c[0].position[1]) +
                        v * (c[2].position[1] - c[0].position[1]);
        if (!best || y > *best)
            best = y;
    }
    return best;
}

class DefaultAssets : public ::testing::Test {
  protected:
    // Makes the set in the scratch folder (the current directory).
    void make() {
        MakeAssetsResult result;
        ASSERT_TRUE(makeAssets(root.string(), result)) << result.error;
        made = result;
    }
    ScratchWorkDir work{"assets"};
    const fs::path root = work.path();
    MessageRecorder recorder;
    MakeAssetsResult made;
};

} // namespace

TEST_F(DefaultAssets, TheWholeSetLoadsWithEveryModelIntact) {
    make();
    AssetSet set;
    ASSERT_TRUE(loadAssetSetInto(set));
    EXPECT_GE(set.objectCount, 8);
    EXPECT_GE(set.unitCount, 6);
    EXPECT_EQ(set.objectCount, static_cast<int>(makeObjectModels().size()));
    EXPECT_EQ(set.unitCount, static_cast<int>(makeUnitModels().size()));
    EXPECT_TRUE(recorder.messages.empty()) << recorder.lines().front(); // every texture decoded

    std::vector<const MeshModel*> models = {set.landHex[0].get(), set.waterHex.get(),
                                            set.highlightHex.get(), set.arrow.get(),
                                            set.arrowEdit.get()};
    for (int i = 0; i < set.objectCount; ++i)
        models.push_back(set.objectModels[i].get());
    for (int i = 0; i < set.unitCount; ++i)
        models.push_back(set.unitModels[i].get());
    for (size_t m = 0; m < models.size(); ++m) {
        const MeshModel& model = *models[m];
        SCOPED_TRACE("model " + std::to_string(m));
        EXPECT_GT(model.triangleCount, 0);
        // Low-poly: the whole field is drawn in immediate mode every frame.
        EXPECT_LE(model.triangleCount, 320);
        const ModelIndexProblems problems = findIndexProblems(model);
        EXPECT_EQ(problems.vertexIndices, 0);
        EXPECT_EQ(problems.triangleIndices, 0);
        EXPECT_EQ(problems.materialIndices, 0);
        for (const MeshGroup& group : model.groups)
            EXPECT_GE(group.materialIndex, 0);
        // Stored normals are unit length and agree with the winding, so
        // back-face culling keeps the lit side.
        int disagreeing = 0;
        for (const MeshTriangle& triangle : model.triangles) {
            const Corner c[3] = {corner(model, triangle, 0), corner(model, triangle, 1),
                                 corner(model, triangle, 2)};
            const auto n = windingNormal(c);
            for (const Corner& k : c) {
                const float length =
                    std::sqrt(k.normal[0] * k.normal[0] + k.normal[1] * k.normal[1] +
                              k.normal[2] * k.normal[2]);
                EXPECT_NEAR(length, 1.0f, 1e-4f);
                if (n[0] * k.normal[0] + n[1] * k.normal[1] + n[2] * k.normal[2] <= 0)
                    ++disagreeing;
            }
        }
        EXPECT_EQ(disagreeing, 0);
    }
}

TEST_F(DefaultAssets, TexturesDecodeToPowerOfTwoImagesInTheirStatedForms) {
    make();
    const auto textures = makeTextureAssets();
    std::map<BmpForm, int> forms;
    for (const TextureAsset& texture : textures) {
        SCOPED_TRACE(texture.fileName);
        const std::string path = "data/" + texture.fileName;
        auto image = loadBmpImage(path.c_str());
        ASSERT_NE(image, nullptr);
        EXPECT_TRUE(image->width == 64 || image->width == 128) << image->width;
        EXPECT_EQ(image->height, image->width);
        EXPECT_EQ(image->data.size(), static_cast<size_t>(image->width) * image->height * 3);

        // The file really is in the form it claims.
        const std::vector<uint8_t> bytes = readFileBytes(path);
        DibDescription dib;
        ASSERT_EQ(readDibDescription(bytes.data(), bytes.size(), dib), DibStatus::ok);
        const bool core = texture.form == BmpForm::core8 || texture.form == BmpForm::core24;
        EXPECT_EQ(dib.headerSize, core ? 12u : 40u);
        const bool eightBit = texture.form != BmpForm::rgb24 && texture.form != BmpForm::core24;
        EXPECT_EQ(dib.bitCount, eightBit ? 8 : 24);
        EXPECT_EQ(dib.compression, texture.form == BmpForm::rle8 ? 1u : 0u);
        ++forms[texture.form];
    }
    EXPECT_EQ(forms.size(), 5u); // every form the decoder reads is exercised
    const std::vector<std::string> names = {"land0.bmp", "land1.bmp", "land2.bmp", "land3.bmp",
                                            "land4.bmp", "land5.bmp", "land6.bmp", "water.bmp"};
    for (const std::string& name : names)
        EXPECT_TRUE(fs::exists("data/" + name)) << name;
}

TEST_F(DefaultAssets, TexturesRepeatWithTheTileGridSoTilesJoinWithoutSeams) {
    make();
    for (const TextureAsset& texture : makeTextureAssets()) {
        SCOPED_TRACE(texture.fileName);
        auto image = loadBmpImage(("data/" + texture.fileName).c_str());
        ASSERT_NE(image, nullptr);
        const int w = image->width, h = image->height;
        // The next tile of the neighbouring row samples the texture half a
        // repeat further along both s and t: it must show the same pixels.
        int worst = 0;
        long total = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int k = 0; k < 3; ++k) {
                    const int a = image->data[(static_cast<size_t>(y) * w + x) * 3 + k];
                    const int b =
                        image->data[(static_cast<size_t>((y + h / 2) % h) * w + (x + w / 2) % w) *
                                        3 +
                                    k];
                    worst = std::max(worst, std::abs(a - b));
                    total += std::abs(a - b);
                }
        EXPECT_LE(worst, 3);
        EXPECT_LT(static_cast<double>(total) / (w * h * 3), 0.2);
        // And it is not flat: a texture with no detail would pass trivially.
        int lo = 255, hi = 0;
        for (uint8_t v : image->data) {
            lo = std::min<int>(lo, v);
            hi = std::max<int>(hi, v);
        }
        EXPECT_GT(hi - lo, 30);
    }
}

TEST_F(DefaultAssets, HexTileFillsTheGridWithTexturesMappedByPosition) {
    make();
    AssetSet set;
    ASSERT_TRUE(loadAssetSetInto(set));
    const MeshModel& hex = *set.landHex[0];
    float lowest = 0;
    int topFaces = 0;
    for (const MeshTriangle& triangle : hex.triangles) {
        const Corner c[3] = {corner(hex, triangle, 0), corner(hex, triangle, 1),
                             corner(hex, triangle, 2)};
        const bool top = c[0].position[1] == 0 && c[1].position[1] == 0 && c[2].position[1] == 0;
        for (const Corner& k : c) {
            lowest = std::min(lowest, k.position[1]);
            if (top) {
                EXPECT_NEAR(k.normal[1], 1.0f, 1e-6f);
                EXPECT_NEAR(k.s, k.position[2] / 1.74f, 1e-5f);
                EXPECT_NEAR(k.t, k.position[0] / 3.0f, 1e-5f);
            } else {
                // Walls face outward, away from the tile's axis.
                EXPECT_EQ(k.normal[1], 0.0f);
                EXPECT_GT(k.normal[0] * k.position[0] + k.normal[2] * k.position[2], 0.0f);
            }
        }
        topFaces += top;
    }
    EXPECT_GT(topFaces, 0);
    EXPECT_LE(lowest, -3.5f); // deep enough for raised tiles and lowered water

    // Neighbours in a row (1.74 along z) and in the next row (1.5, 0.87)
    // share two corners exactly: no gaps, no overlaps.
    float corners[6][2];
    hexTileCorners(corners);
    const float offsets[3][2] = {{0, 1.74f}, {1.5f, 0.87f}, {1.5f, -0.87f}};
    for (const auto& o : offsets) {
        int shared = 0;
        for (const auto& a : corners)
            for (const auto& b : corners)
                if (std::fabs(a[0] - (b[0] + o[0])) < 1e-5f &&
                    std::fabs(a[1] - (b[1] + o[1])) < 1e-5f)
                    ++shared;
        EXPECT_EQ(shared, 2) << o[0] << "," << o[1];
    }
}

TEST_F(DefaultAssets, MarkersAndPlatformsSitWhereTheSceneExpects) {
    make();
    AssetSet set;
    ASSERT_TRUE(loadAssetSetInto(set));
    // Units on objects 1 and 2 are raised 0.25: those are platforms of that height.
    for (int i = 0; i < 2; ++i) {
        const auto top = surfaceAt(*set.objectModels[i], 0.05f, 0.03f);
        ASSERT_TRUE(top.has_value()) << i;
        EXPECT_NEAR(*top, 0.25f, 0.02f) << i;
    }
    // The highlight lies just above the top face, untextured.
    float highest = -10;
    for (const MeshVertex& v : set.highlightHex->vertices)
        highest = std::max(highest, v.position[1]);
    EXPECT_GT(highest, 0.0f);
    EXPECT_LT(highest, 0.2f);
    for (const MeshMaterial& m : set.highlightHex->materials)
        EXPECT_TRUE(m.textureName.empty());
    // The arrows point down at the tile from about a unit above it.
    for (const MeshModel* arrow : {set.arrow.get(), set.arrowEdit.get()}) {
        const MeshVertex* tip = &arrow->vertices.at(0);
        for (const MeshVertex& v : arrow->vertices)
            if (v.position[1] < tip->position[1])
                tip = &v;
        EXPECT_NEAR(tip->position[1], 1.0f, 0.25f);
        EXPECT_NEAR(tip->position[0], 0.0f, 1e-6f);
        EXPECT_NEAR(tip->position[2], 0.0f, 1e-6f);
    }
    // View and edit arrows in clearly different colours.
    const float* view = set.arrow->materials.at(0).diffuse;
    const float* edit = set.arrowEdit->materials.at(0).diffuse;
    EXPECT_GT(std::fabs(view[0] - edit[0]) + std::fabs(view[1] - edit[1]) +
                  std::fabs(view[2] - edit[2]),
              0.3f);
}

TEST_F(DefaultAssets, SampleMapUsesOnlyModelsThatExistAndEditorValues) {
    make();
    EXPECT_TRUE(made.mapWritten);
    ASSERT_EQ(fs::file_size("data/quillmark.map"), static_cast<uintmax_t>(mapFileSize));
    HexMap map;
    loadMapFrom(map, "data/quillmark.map");
    const int objects = static_cast<int>(makeObjectModels().size());
    const int units = static_cast<int>(makeUnitModels().size());
    std::set<float> heights, objectsUsed, unitsUsed;
    int water = 0;
    for (int r = 0; r < mapRows; ++r)
        for (int c = 0; c < mapColumns; ++c) {
            const float h = map.height.cell[r][c], w = map.water.cell[r][c];
            const float o = map.object.cell[r][c], u = map.unit.cell[r][c];
            EXPECT_EQ(h * 2, std::floor(h * 2));
            EXPECT_TRUE(h >= 0 && h <= 3);
            EXPECT_TRUE(w >= 0 && w <= 7 && w == std::floor(w));
            EXPECT_TRUE(o >= 0 && o <= objects && o == std::floor(o));
            EXPECT_TRUE(u >= 0 && u <= units && u == std::floor(u));
            heights.insert(h);
            objectsUsed.insert(o);
            unitsUsed.insert(u);
            water += w > 0;
        }
    EXPECT_EQ(heights.size(), 7u);        // every land texture appears
    EXPECT_GE(objectsUsed.size(), 10u);   // nearly every object
    EXPECT_GE(unitsUsed.size(), 8u);      // both armies
    EXPECT_GT(water, 15);                 // sea, river and lake
    EXPECT_TRUE(objectsUsed.count(2.0f)); // the bridge
}

TEST_F(DefaultAssets, TwoRunsWriteTheSameBytes) {
    make();
    std::map<std::string, std::vector<uint8_t>> first;
    for (const auto& entry : fs::directory_iterator("data"))
        first[entry.path().filename().string()] = readFileBytes(entry.path());
    fs::remove_all("data");
    make();
    std::map<std::string, std::vector<uint8_t>> second;
    for (const auto& entry : fs::directory_iterator("data"))
        second[entry.path().filename().string()] = readFileBytes(entry.path());
    EXPECT_EQ(first.size(), second.size());
    for (const auto& [name, bytes] : first)
        EXPECT_TRUE(second[name] == bytes) << name;
    EXPECT_GE(first.size(), 8u + 4u + 8u + 6u + 1u);
}

TEST_F(DefaultAssets, AnExistingMapIsNeverReplaced) {
    const std::vector<uint8_t> userMap(mapFileSize, 0x3F);
    writeFileBytes("data/quillmark.map", userMap);
    make();
    EXPECT_FALSE(made.mapWritten);
    EXPECT_EQ(readFileBytes("data/quillmark.map"), userMap);
    // Not even an empty file or a name that is not a regular file.
    writeFileBytes("data/quillmark.map", {});
    make();
    EXPECT_EQ(fs::file_size("data/quillmark.map"), 0u);
    fs::remove("data/quillmark.map");
    fs::create_directory("data/quillmark.map");
    make();
    EXPECT_TRUE(fs::is_directory("data/quillmark.map"));
}

TEST_F(DefaultAssets, AFolderThatCannotBeMadeIsAnError) {
    writeFileBytes("blocker", {1, 2, 3});
    MakeAssetsResult result;
    EXPECT_FALSE(makeAssets((root / "blocker").string(), result));
    EXPECT_FALSE(result.error.empty());
}
