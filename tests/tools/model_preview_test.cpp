// quillmark-tool model preview: one model drawn as the editor draws it, its
// textures read from a data folder of any name.

#include "assets/asset_models.h"
#include "bmp_writer.h"
#include "model_import.h"
#include "model_preview.h"
#include "ms3d_writer.h"
#include "run_command.h"
#include "scratch_dir.h"

#include <gtest/gtest.h>
#include <stb/stb_image.h>
#include <stb/stb_image_write.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

namespace {

namespace fs = std::filesystem;

// A quad 1 wide and 2 tall facing +z, textured with two.bmp.
void writeQuadModel(const fs::path& path) {
    Ms3dFile file;
    file.materials.emplace_back();
    file.materials[0].textureName = "two.bmp";
    appendMs3dQuad(file, 0, -0.5f, 0.0f, 0.5f, 2.0f, 0.0f);
    file.groups[0].materialIndex = 0;
    ASSERT_TRUE(writeMs3dFile(file, path.string()));
}

// An 8 x 8 picture of one colour, or red above blue when `bottom` is given.
void writeTexture(const fs::path& path, uint32_t top, uint32_t bottom) {
    std::vector<uint8_t> rgb;
    for (int y = 0; y < 8; ++y) // bottom row first
        for (int x = 0; x < 8; ++x)
            for (int shift : {16, 8, 0})
                rgb.push_back(static_cast<uint8_t>((y < 4 ? bottom : top) >> shift));
    ASSERT_TRUE(writeBmp24(path.string(), 8, 8, rgb));
}

void writeHex(const fs::path& dataDir) {
    for (const ModelAsset& asset : makeFixedModels())
        if (asset.fileName == "Hexagon.ms3d") {
            ASSERT_TRUE(writeMs3dFile(asset.file, (dataDir / asset.fileName).string()));
        }
    writeTexture(dataDir / "land0.bmp", 0x00FF00, 0x00FF00);
}

// What a picture shows: pixels mostly of one primary colour, the mean row of
// the red and blue ones, and whether anything drawn touches the border.
struct Seen {
    int red = 0, green = 0, blue = 0, black = 0;
    double redRow = 0, blueRow = 0;
    bool touchesBorder = false;
};

Seen look(const SnapshotImage& image) {
    Seen seen;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* p = &image.rgb[(static_cast<size_t>(y) * image.width + x) * 3];
            const bool black = p[0] == 0 && p[1] == 0 && p[2] == 0;
            seen.black += black;
            seen.touchesBorder |=
                !black && (x == 0 || y == 0 || x == image.width - 1 || y == image.height - 1);
            if (p[0] > 150 && p[1] < 60 && p[2] < 60)
                ++seen.red, seen.redRow += y;
            if (p[2] > 150 && p[0] < 60 && p[1] < 60)
                ++seen.blue, seen.blueRow += y;
            seen.green += p[1] > 150 && p[0] < 60 && p[2] < 60;
        }
    seen.redRow /= std::max(seen.red, 1);
    seen.blueRow /= std::max(seen.blue, 1);
    return seen;
}

// The textured quad fills part of the picture, whole, red above blue.
void expectUprightQuad(const Seen& seen) {
    EXPECT_GT(seen.red, 200);
    EXPECT_GT(seen.blue, 200);
    EXPECT_LT(seen.redRow, seen.blueRow) << "the texture is upside down";
    EXPECT_GT(seen.black, 1000) << "background remains";
    EXPECT_FALSE(seen.touchesBorder) << "the whole model is in view";
}

// Scratch folders go to a folder of the test's own while it lives.
class TemporaryFolderSwap {
  public:
    explicit TemporaryFolderSwap(const fs::path& folder) {
        if (const char* value = std::getenv("TMPDIR"))
            previous = std::make_unique<std::string>(value);
        setenv("TMPDIR", folder.c_str(), 1);
    }
    ~TemporaryFolderSwap() {
        if (previous)
            setenv("TMPDIR", previous->c_str(), 1);
        else
            unsetenv("TMPDIR");
    }

  private:
    std::unique_ptr<std::string> previous;
};

TEST(ModelPreview, DrawsTheTexturedModelUprightAndLeavesNothingBehind) {
    const ScratchDir temporary("preview-tmp");
    const ScratchWorkDir work("preview");
    const TemporaryFolderSwap swap(temporary.path());
    fs::create_directory("art");
    writeQuadModel("art/quad.ms3d");
    writeTexture("art/two.bmp", 0xFF0000, 0x0000FF);
    const fs::path before = fs::current_path();

    // Relative paths, the textures beside the model in a folder not called data.
    ModelPreviewOptions options;
    options.modelPath = "art/quad.ms3d";
    options.width = options.height = 96;
    options.yaw = options.pitch = 0;
    SnapshotImage image;
    std::string error;
    std::vector<std::string> warnings;
    ASSERT_TRUE(renderModelPreview(options, image, error, warnings)) << error;
    EXPECT_TRUE(warnings.empty());
    EXPECT_EQ(fs::current_path(), before);
    EXPECT_TRUE(folderEntries(temporary.path()).empty());
    const Seen alone = look(image);
    expectUprightQuad(alone);
    EXPECT_EQ(alone.green, 0);

    // On the hex, the land shows below the quad, which is still all in view.
    writeHex("art");
    options.onHex = true;
    options.pitch = 20;
    ASSERT_TRUE(renderModelPreview(options, image, error, warnings)) << error;
    const Seen onHex = look(image);
    EXPECT_GT(onHex.green, 200);
    EXPECT_GT(onHex.red, 50);
    EXPECT_GT(onHex.blue, 50);
    EXPECT_EQ(fs::current_path(), before);
    EXPECT_TRUE(folderEntries(temporary.path()).empty());
}

// Without a background, as the icon is drawn: alpha where something is
// drawn, the hex cut to a slab that fits whole, smoothed edges, an RGBA file.
TEST(ModelPreview, ATransparentPictureHoldsTheWholeSlabWithSoftEdges) {
    const ScratchWorkDir work("preview-alpha");
    writeQuadModel("quad.ms3d");
    writeTexture("two.bmp", 0xFF0000, 0x0000FF);
    writeHex(".");
    ModelPreviewOptions options;
    options.modelPath = "quad.ms3d";
    options.width = options.height = 48;
    options.onHex = options.transparent = true;
    options.pitch = 35;
    options.supersample = 4;
    SnapshotImage image;
    std::string error;
    std::vector<std::string> warnings;
    ASSERT_TRUE(renderModelPreview(options, image, error, warnings)) << error;
    ASSERT_EQ(image.alpha.size(), 48u * 48u);
    int opaque = 0, partial = 0, border = 0;
    for (int i = 0; i < 48 * 48; ++i) {
        opaque += image.alpha[i] == 255;
        partial += image.alpha[i] > 0 && image.alpha[i] < 255;
        border += image.alpha[i] > 0 && (i < 48 || i >= 47 * 48 || i % 48 == 0 || i % 48 == 47);
    }
    EXPECT_GT(opaque, 200);
    EXPECT_GT(partial, 20) << "edges not smoothed";
    EXPECT_EQ(border, 0) << "the hex runs out of the picture";
    int width = 0, height = 0, channels = 0;
    ASSERT_TRUE(writePng("icon.png", image) && stbi_info("icon.png", &width, &height, &channels));
    EXPECT_EQ(channels, 4);
}

TEST(ModelPreview, AnImportedModelShowsItsTexture) {
    const ScratchDir dir("preview-import");
    // The same quad as an OBJ file with its picture as a PNG, red above blue.
    std::ofstream(dir.path() / "quad.mtl") << "newmtl m\nKd 1 1 1\nmap_Kd two.png\n";
    std::ofstream(dir.path() / "quad.obj")
        << "mtllib quad.mtl\nv -0.5 0 0\nv 0.5 0 0\nv 0.5 2 0\nv -0.5 2 0\n"
           "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nusemtl m\nf 1/1 2/2 3/3\nf 1/1 3/3 4/4\n";
    uint8_t rgb[8][8][3] = {};
    for (int y = 0; y < 8; ++y) // top row first
        for (int x = 0; x < 8; ++x)
            rgb[y][x][y < 4 ? 0 : 2] = 255;
    ASSERT_NE(stbi_write_png((dir.path() / "two.png").c_str(), 8, 8, 3, rgb, 24), 0);
    const fs::path data = dir.path() / "data";
    fs::create_directory(data);
    ModelImportSummary summary;
    std::string error;
    ASSERT_TRUE(importModel((dir.path() / "quad.obj").string(), (data / "quad.ms3d").string(),
                            ModelImportOptions(), summary, error))
        << error;

    ModelPreviewOptions options;
    options.modelPath = (data / "quad.ms3d").string();
    options.width = options.height = 96;
    options.yaw = options.pitch = 0;
    SnapshotImage image;
    std::vector<std::string> warnings;
    ASSERT_TRUE(renderModelPreview(options, image, error, warnings)) << error;
    EXPECT_TRUE(warnings.empty());
    expectUprightQuad(look(image));
}

SnapshotImage readPng(const fs::path& path) {
    SnapshotImage image;
    int channels = 0;
    std::unique_ptr<uint8_t, void (*)(void*)> pixels(
        stbi_load(path.c_str(), &image.width, &image.height, &channels, 3), stbi_image_free);
    if (pixels)
        image.rgb.assign(pixels.get(), pixels.get() + size_t(image.width) * image.height * 3);
    return image;
}

TEST(ModelPreviewTool, DrawsAtTheDefaultAngleWithTexturesFromDataAndRefusesBadInput) {
    const ScratchDir dir("preview-tool"), temporary("preview-tmp");
    const TemporaryFolderSwap swap(temporary.path()); // the tool inherits it
    const fs::path models = dir.path() / "models", textures = dir.path() / "textures";
    fs::create_directories(models);
    fs::create_directories(textures);
    writeQuadModel(models / "quad.ms3d");
    writeTexture(textures / "two.bmp", 0xFF0000, 0x0000FF);
    const std::string model = shellQuote((models / "quad.ms3d").string());
    const fs::path out = dir.path() / "out.png";
    const std::string to = " -o " + shellQuote(out.string());

    CommandResult result = runTool("model preview " + model + " --data " +
                                   shellQuote(textures.string()) + " --size 160x120" + to);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    expectUprightQuad(look(readPng(out)));

    // Beside the model there is no texture: named, and the quad drawn plain.
    result = runTool("model preview " + model + " --size 160x120" + to);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.err.find("two.bmp"), std::string::npos) << result.err;
    EXPECT_EQ(look(readPng(out)).red, 0);

    fs::remove(out);
    writeFileBytes(models / "short.ms3d",
                   {'M', 'S', '3', 'D', '0', '0', '0', '0', '0', '0', 4, 0, 0, 0, 9});
    const struct {
        std::string arguments;
        int status;
        std::string says;
    } refusals[] = {
        {shellQuote((models / "none.ms3d").string()) + to, 1, "No such file"},
        {shellQuote((models / "short.ms3d").string()) + to, 1, "truncated in the vertex section"},
        {model + " --data " + shellQuote(textures.string()) + " --on-hex" + to, 1, "Hexagon.ms3d"},
        {model + " --data " + shellQuote((dir.path() / "none").string()) + to, 1, "not a folder"},
        {model + " --size 8193x10" + to, 2, "--size"},
        {model + " --pitch 91" + to, 2, "--pitch"},
        {model + " --yaw nan" + to, 2, "--yaw"},
        {model + " --yaw", 2, "--yaw needs a value"},
        {model, 2, "-o OUT.png is required"},
    };
    for (const auto& refusal : refusals) {
        result = runTool("model preview " + refusal.arguments);
        EXPECT_EQ(result.status, refusal.status) << refusal.arguments;
        EXPECT_NE(result.err.find(refusal.says), std::string::npos) << result.err;
        EXPECT_FALSE(fs::exists(out)) << refusal.arguments;
    }
    EXPECT_TRUE(folderEntries(temporary.path()).empty());
}

} // namespace
