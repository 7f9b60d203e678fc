// model import and bmp import: models and pictures written here, imported,
// then read back with the editor's own MS3D loader and BMP decoder.

#include "../model/model_test_support.h"
#include "encoded_bytes.h"
#include "hook_swap.h"
#include "image/bmp_image.h"
#include "image_import.h"
#include "model/mesh_model.h"
#include "model_import.h"
#include "platform/contained_run.h"
#include "platform/platform_hooks.h"
#include "platform/sandbox.h"
#include "run_command.h"
#include "scratch_dir.h"
#include "unprivileged.h"

#include <gtest/gtest.h>
#include <stb/stb_image_write.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// Red over blue: the top half red, the bottom half blue, so that a picture
// turned upside down shows.
Picture redOverBlue(int width, int height) {
    Picture picture;
    picture.width = width;
    picture.height = height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.rgb.insert(picture.rgb.end(), {uint8_t(y < height / 2 ? 255 : 0), 0,
                                                   uint8_t(y < height / 2 ? 0 : 255)});
    return picture;
}

Bytes pngOf(const Picture& picture) {
    return pngBytesOf(picture.width, picture.height, picture.rgb);
}

RgbImage decodeBmp(const fs::path& path) {
    const Bytes bytes = readFileBytes(path);
    RgbImage image;
    EXPECT_EQ(decodeDibBytes(bytes.data(), bytes.size(), image), DibStatus::ok) << path;
    return image;
}

bool isRed(const uint8_t* rgb) {
    return rgb[0] > 200 && rgb[2] < 60;
}

bool isBlue(const uint8_t* rgb) {
    return rgb[2] > 200 && rgb[0] < 60;
}

// A decoded texture has power-of-two sides, red on top and blue below (the
// decoder's first row is the bottom one).
void expectTexture(const RgbImage& image, int width, int height) {
    EXPECT_EQ(image.width, width);
    EXPECT_EQ(image.height, height);
    ASSERT_EQ(image.data.size(), size_t(width) * height * 3);
    EXPECT_TRUE(isBlue(&image.data[0])) << "bottom row";
    EXPECT_TRUE(isRed(&image.data[(size_t(height) - 1) * width * 3])) << "top row";
}

Ms3dModel loadMs3d(const fs::path& path) {
    const Bytes bytes = readFileBytes(path);
    Ms3dModel model;
    EXPECT_TRUE(parseMs3d(bytes.data(), bytes.size(), nullptr, model)) << path;
    return model;
}

// The texel that the first corner at `x`, `y` samples, as GL would: the
// loader's t = 0 is the texture's first row.
const uint8_t* texelAtCorner(const MeshModel& model, const RgbImage& texture, float x, float y) {
    for (const MeshTriangle& triangle : model.triangles)
        for (int c = 0; c < 3; ++c) {
            const float* p = model.vertices.at(triangle.vertexIndices[c]).position;
            if (std::fabs(p[0] - x) < 1e-4f && std::fabs(p[1] - y) < 1e-4f) {
                const int column = int(std::lround(triangle.s[c] * (texture.width - 1)));
                const int row = int(std::lround(triangle.t[c] * (texture.height - 1)));
                return &texture.data.at((size_t(row) * texture.width + column) * 3);
            }
        }
    ADD_FAILURE() << "no corner at " << x << ", " << y;
    static const uint8_t none[3] = {};
    return none;
}

ModelBounds boundsOf(const MeshModel& model) {
    ModelBounds bounds;
    for (int axis = 0; axis < 3; ++axis) {
        bounds.min[axis] = model.vertices.at(0).position[axis];
        bounds.max[axis] = bounds.min[axis];
        for (const MeshVertex& vertex : model.vertices) {
            bounds.min[axis] = std::min(bounds.min[axis], vertex.position[axis]);
            bounds.max[axis] = std::max(bounds.max[axis], vertex.position[axis]);
        }
    }
    return bounds;
}

bool mentions(const std::vector<std::string>& lines, const std::string& text) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.find(text) != std::string::npos;
    });
}

// `arguments` run in `dir` by `tool`, by default one whose reader does `fault`.
CommandResult runFaulty(const char* fault, const fs::path& dir, const std::string& arguments,
                        const char* tool = QUILLMARK_FAULTS_TOOL_PATH) {
    return runCapturing("cd " + shellQuote(dir.string()) + " && QUILLMARK_TEST_READER_FAULT=" +
                        fault + " timeout 60 " + shellQuote(tool) + " " + arguments);
}

const char* const wallMtl = "newmtl Painted\nKa 0.1 0.2 0.3\nKd 0.4 0.5 0.6\nKs 0.7 0.8 0.9\n"
                            "Ns 20\nmap_Kd wall.png\n"
                            "newmtl Plain\nKd 0.25 0.25 0.25\n"
                            "newmtl Unused\nKd 1 1 1\n";

// A textured wall 2 wide and 4 tall, and a roof triangle on it that shares
// two of its corners.
const char* const wallObj = "mtllib wall.mtl\n"
                            "o Wall\nv 0 0 0\nv 2 0 0\nv 2 4 0\nv 0 4 0\n"
                            "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvn 0 0 1\n"
                            "usemtl Painted\nf 1/1/1 2/2/1 3/3/1\nf 1/1/1 3/3/1 4/4/1\n"
                            "o Roof_with_a_name_longer_than_its_field\n"
                            "v 0 4 0\nv 2 4 0\nv 1 5 0\nusemtl Plain\nf 5 6 7\n";

TEST(ModelImport, ObjWithMtlAndPngTextureLoadsInTheEditor) {
    ScratchDir dir("import");
    dir.file("wall.mtl", bytesOf(wallMtl));
    dir.file("wall.png", pngOf(redOverBlue(48, 20))); // sides not powers of two
    const fs::path data = dir.path() / "data";
    fs::create_directories(data);
    ModelImportSummary summary;
    std::string error;
    ASSERT_TRUE(importModel(dir.file("wall.obj", bytesOf(wallObj)), (data / "wall.ms3d").string(),
                            ModelImportOptions(), summary, error))
        << error;

    const Ms3dModel model = loadMs3d(data / "wall.ms3d");
    EXPECT_EQ(model.groupCount, 2);
    EXPECT_EQ(model.triangleCount, 3);
    EXPECT_EQ(model.vertexCount, 5);   // the roof's shared corners are one vertex each
    ASSERT_EQ(model.materialCount, 2); // the unused material is left out
    const MeshMaterial& painted = model.materials[0];
    const float ambient[4] = {0.1f, 0.2f, 0.3f, 1}, diffuse[4] = {0.4f, 0.5f, 0.6f, 1},
                specular[4] = {0.7f, 0.8f, 0.9f, 1};
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(painted.ambient[i], ambient[i]);
        EXPECT_FLOAT_EQ(painted.diffuse[i], diffuse[i]);
        EXPECT_FLOAT_EQ(painted.specular[i], specular[i]);
    }
    EXPECT_FLOAT_EQ(painted.shininess, 20);
    EXPECT_EQ(painted.textureName, "wall-0.bmp");
    EXPECT_FLOAT_EQ(model.materials[1].diffuse[0], 0.25f);
    EXPECT_EQ(model.materials[1].textureName, "");
    EXPECT_EQ(model.groups[0].materialIndex, 0);
    EXPECT_EQ(model.groups[1].materialIndex, 1);

    // The size is kept; the base stands on y = 0, centred on x = z = 0.
    const ModelBounds bounds = boundsOf(model);
    EXPECT_FLOAT_EQ(bounds.min[0], -1);
    EXPECT_FLOAT_EQ(bounds.max[0], 1);
    EXPECT_FLOAT_EQ(bounds.min[1], 0);
    EXPECT_FLOAT_EQ(bounds.max[1], 5);

    // Nearest powers of two: 48 -> 64, 20 -> 16. Source v runs up from the
    // picture's bottom: the wall's foot is blue, its top red.
    const RgbImage texture = decodeBmp(data / "wall-0.bmp");
    expectTexture(texture, 64, 16);
    EXPECT_TRUE(isBlue(texelAtCorner(model, texture, -1, 0)));
    EXPECT_TRUE(isRed(texelAtCorner(model, texture, -1, 4)));

    // The long group name is cut to fit its field, with its terminator.
    EXPECT_TRUE(mentions(summary.warnings, "Roof_with_a_name_longer_than_its_field"));
    const std::string file = readFileText(data / "wall.ms3d");
    EXPECT_NE(file.find(std::string("Roof_with_a_name_longer_than_it") + '\0'), std::string::npos);
    EXPECT_EQ(folderEntries(data), (std::vector<std::string>{"wall-0.bmp", "wall.ms3d"}));
}

TEST(ModelImport, GltfWithEmbeddedTextureOnAMirroredNode) {
    ScratchDir dir("import");
    // One triangle facing +z, mirrored in x by its node: positions then
    // texture coordinates, as little-endian floats.
    const float values[] = {0, 0, 0, 1, 0, 0, 0, 1, 0, /* uv */ 0, 0, 1, 0, 0, 1};
    Bytes buffer(sizeof values);
    std::memcpy(buffer.data(), values, sizeof values);
    const std::string gltf =
        R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],)"
        R"("nodes":[{"mesh":0,"scale":[-1,1,1]}],"meshes":[{"name":"Sail","primitives":[{"attributes":)"
        R"({"POSITION":0,"TEXCOORD_0":1},"material":0}]}],)"
        R"("materials":[{"name":"Canvas","pbrMetallicRoughness":{"baseColorFactor":)"
        R"([1,0.5,0.25,1],"baseColorTexture":{"index":0}}}],)"
        R"("textures":[{"source":0}],"images":[{"uri":"data:image/png;base64,)" +
        base64Of(pngOf(redOverBlue(40, 40))) +
        R"("}],"buffers":[{"byteLength":60,"uri":"data:application/octet-stream;base64,)" +
        base64Of(buffer) +
        R"("}],"bufferViews":[{"buffer":0,"byteLength":36},)"
        R"({"buffer":0,"byteOffset":36,"byteLength":24}],)"
        R"("accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3",)"
        R"("min":[0,0,0],"max":[1,1,0]},)"
        R"({"bufferView":1,"componentType":5126,"count":3,"type":"VEC2"}]})";
    ModelImportSummary summary;
    std::string error;
    const fs::path out = dir.path() / "sail.ms3d";
    ASSERT_TRUE(importModel(dir.file("sail.gltf", bytesOf(gltf)), out.string(),
                            ModelImportOptions(), summary, error))
        << error;

    const Ms3dModel model = loadMs3d(out);
    EXPECT_EQ(model.triangleCount, 1);
    ASSERT_EQ(model.materialCount, 1);
    EXPECT_FLOAT_EQ(model.materials[0].diffuse[1], 0.5f);
    EXPECT_FLOAT_EQ(model.materials[0].diffuse[2], 0.25f);
    EXPECT_EQ(model.materials[0].textureName, "sail-0.bmp");
    ASSERT_EQ(summary.textures.size(), 1u);
    EXPECT_EQ(summary.textures[0].source, "embedded texture 0");
    // The mirror turned the corners round, so the face still shows its
    // front (counter-clockwise) on the side its normal points to.
    const MeshTriangle& triangle = model.triangles.at(0);
    const float* p[3];
    for (int c = 0; c < 3; ++c)
        p[c] = model.vertices.at(triangle.vertexIndices[c]).position;
    const float winding =
        (p[1][0] - p[0][0]) * (p[2][1] - p[0][1]) - (p[1][1] - p[0][1]) * (p[2][0] - p[0][0]);
    EXPECT_GT(winding * triangle.vertexNormals[0][2], 0);
    EXPECT_FLOAT_EQ(triangle.vertexNormals[0][2], 1);
    // glTF counts v down from the picture's top: uv (0, 0), the corner at
    // the origin, is red; uv (0, 1) blue.
    const RgbImage texture = decodeBmp(dir.path() / "sail-0.bmp");
    expectTexture(texture, 32, 32);
    EXPECT_TRUE(isRed(texelAtCorner(model, texture, 0.5f, 0)));
    EXPECT_TRUE(isBlue(texelAtCorner(model, texture, 0.5f, 1)));
}

TEST(ModelImport, HeightAndUpAxisFitTheModelOnTheHex) {
    ScratchDir dir("import");
    // Z up: a floor triangle facing +z at z = 2 and a spike up to z = 6,
    // sharing two corners, with no normals in the file.
    const std::string in = dir.file("spike.obj", bytesOf("v 3 -1 2\nv 5 -1 2\nv 4 0 2\nv 4.5 0 6\n"
                                                         "f 1 2 3\nf 1 2 4\n"));
    const std::string out = (dir.path() / "spike.ms3d").string();
    const CommandResult run =
        runTool("model import " + shellQuote(in) + " " + shellQuote(out) + " --height 1.5 --up z");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("bounding box before fitting: x 3 to 5, y -1 to 0, z 2 to 6"),
              std::string::npos)
        << run.out;

    const Ms3dModel model = loadMs3d(out);
    const ModelBounds bounds = boundsOf(model);
    EXPECT_FLOAT_EQ(bounds.min[1], 0);
    EXPECT_FLOAT_EQ(bounds.max[1], 1.5f);
    for (int axis : {0, 2})
        EXPECT_FLOAT_EQ(bounds.min[axis], -bounds.max[axis]) << "centred on axis " << axis;
    EXPECT_FLOAT_EQ(bounds.max[0], 0.375f); // 2 wide, scaled by 1.5 / 4
    // The spike's tip is the top.
    EXPECT_TRUE(std::any_of(model.vertices.begin(), model.vertices.end(), [](const MeshVertex& v) {
        return v.position[1] == 1.5f && v.position[0] == 0.1875f;
    }));
    // Each face takes its own normal at every corner, shared ones too: the
    // floor's +z now points up, the spike's face leans towards +z.
    for (int corner = 0; corner < 3; ++corner) {
        EXPECT_FLOAT_EQ(model.triangles.at(0).vertexNormals[corner][1], 1);
        EXPECT_NEAR(model.triangles.at(1).vertexNormals[corner][1], 0.2425f, 1e-4f);
        EXPECT_NEAR(model.triangles.at(1).vertexNormals[corner][2], 0.9701f, 1e-4f);
    }
}

TEST(ModelImport, RefusalsWriteNothing) {
    ScratchDir dir("import");
    const fs::path out = dir.path() / "out" / "model.ms3d";
    fs::create_directories(out.parent_path());
    auto expectRefused = [&](const std::string& in, const std::string& said) {
        const CommandResult run =
            runTool("model import " + shellQuote(in) + " " + shellQuote(out.string()));
        EXPECT_EQ(run.status, 1) << in;
        EXPECT_NE(run.err.find(said), std::string::npos) << run.err;
        EXPECT_TRUE(folderEntries(out.parent_path()).empty()) << in;
    };
    expectRefused((dir.path() / "missing.obj").string(), "no such file");

    // One more vertex than the format counts, three to a triangle.
    std::string obj;
    for (int i = 0; i < 65536 + 2; ++i)
        obj += "v " + std::to_string(i) + (i % 3 == 1 ? " 1 0\n" : " 0 0\n") +
               (i % 3 == 2 ? "f -3 -2 -1\n" : "");
    expectRefused(dir.file("many.obj", bytesOf(obj)), "65538 vertices (at most 65535)");

    std::string mtl, faces = "mtllib many.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\n";
    for (int i = 0; i < 128; ++i) {
        mtl += "newmtl m" + std::to_string(i) + "\n";
        faces += "usemtl m" + std::to_string(i) + "\nf 1 2 3\n";
    }
    dir.file("many.mtl", bytesOf(mtl));
    expectRefused(dir.file("materials.obj", bytesOf(faces)), "128 materials (at most 127)");

    // What cannot be drawn: lines, or points without faces (which Assimp's
    // own check refuses first); a line's worth of triangle; a coordinate
    // past the float range; and a size no map shows, unless fitted.
    const std::string corners = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    expectRefused(dir.file("lines.obj", bytesOf(corners + "l 1 2 3\n")), "holds no triangles");
    expectRefused(dir.file("points.obj", bytesOf(corners)), "holds no triangles");
    expectRefused(dir.file("line.obj", bytesOf("v 0 0 0\nv 1 0 0\nv 2 0 0\nf 1 2 3\n")),
                  "no extent along two axes");
    expectRefused(dir.file("inf.obj", bytesOf("v 1e39 0 0\nv 0 1 0\nv 0 0 1\nf 1 2 3\n")),
                  "not finite numbers");
    const std::string huge =
        dir.file("huge.obj", bytesOf("v 0 0 0\nv 2e6 0 0\nv 0 1 0\nf 1 2 3\n"));
    expectRefused(huge, "2e+06 units across");
    EXPECT_EQ(
        runTool("model import " + shellQuote(huge) + " " + shellQuote(out.string()) + " --height 1")
            .status,
        0);
    fs::remove(out);

    ModelCounts counts{maxImportVertices, maxImportTriangles, maxImportGroups, maxImportMaterials};
    std::string error;
    EXPECT_TRUE(checkModelLimits(counts, error));
    counts.triangles++;
    EXPECT_FALSE(checkModelLimits(counts, error));
    EXPECT_NE(error.find("65536 triangles"), std::string::npos) << error;

    // A texture that does not decode: the model is still written, untextured.
    dir.file("broken.png", bytesOf("not a picture"));
    dir.file("broken.mtl", bytesOf("newmtl Painted\nmap_Kd broken.png\n"));
    const std::string in = dir.file(
        "broken.obj", bytesOf("mtllib broken.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl Painted\n"
                              "f 1 2 3\n"));
    ModelImportSummary summary;
    ASSERT_TRUE(importModel(in, out.string(), ModelImportOptions(), summary, error)) << error;
    EXPECT_TRUE(mentions(summary.warnings, "broken.png"));
    EXPECT_EQ(loadMs3d(out).materials.at(0).textureName, "");
    EXPECT_EQ(folderEntries(out.parent_path()), std::vector<std::string>{"model.ms3d"});
}

TEST(ModelImport, AReaderThatCrashesRunsAwaySpinsOrBlocksEndsAloneAndWritesNothing) {
    ScratchDir dir("import");
    const std::string in =
        shellQuote(dir.file("tri.obj", bytesOf("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n")));
    const std::string picture = shellQuote(dir.file("tri.png", pngOf(redOverBlue(4, 4))));
    dir.file("wall.mtl", bytesOf(wallMtl));
    dir.file("wall.png", pngOf(redOverBlue(4, 4)));
    const std::string wall = shellQuote(dir.file("wall.obj", bytesOf(wallObj)));
    const fs::path out = dir.path() / "out";
    fs::create_directories(out);
    struct Case {
        const char* fault;
        std::string arguments;
        const char* said;
        const char* reader = nullptr; // by default the command's own
    };
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    // The sanitizer reports the SEGV itself and exits with its own status; its shadow memory
    // leaves no room for an address-space limit.
    const char* const segv = "";
#else
    const char* const segv = "crashed (segmentation fault)";
#endif
    std::vector<Case> cases = {
        {"crash", "model import " + in + " out/m.ms3d", segv},
        {"spin", "model import " + in + " out/m.ms3d --max-seconds 1",
         "took more than 1 s (--max-seconds raises it)"},
        // The model read, its texture's decoding fails.
        {"picture-crash", "model import " + wall + " out/m.ms3d", segv, "the picture reader "},
        {"crash", "bmp import " + picture + " out/t.bmp", segv},
        {"block", "bmp import " + picture + " out/t.bmp --max-seconds 1",
         "took more than 1 s (--max-seconds raises it)"}};
    if (addressSpaceLimitApplies()) {
        cases.push_back({"memory", "model import " + in + " out/m.ms3d --max-memory 512",
                         "needed more than 512 MiB (--max-memory raises it)"});
        // 48 MB decoded; a file too large to map (a hole on disk); a model's
        // texture, which the picture reader decodes too.
        const std::string large = dir.file("wall.png", pngOf(redOverBlue(4000, 4000)));
        const std::string huge = dir.file("huge.png", pngOf(redOverBlue(4, 4)));
        fs::resize_file(huge, 100 << 20);
        for (const std::string& big : {"bmp import " + shellQuote(large) + " out/t.bmp",
                                       "bmp import " + shellQuote(huge) + " out/t.bmp",
                                       "model import " + wall + " out/m.ms3d"})
            cases.push_back({"", big + " --max-memory 60",
                             "needed more than 60 MiB (--max-memory raises it)",
                             "the picture reader "});
    } else {
        std::printf("memory cases left out: a sanitizer build sets no address-space limit\n");
    }
    for (const Case& run : cases) {
        const CommandResult result = runFaulty(run.fault, dir.path(), run.arguments);
        EXPECT_EQ(result.status, 1) << run.arguments;
        const std::string reader = run.reader != nullptr     ? run.reader
                                   : run.arguments[0] == 'm' ? "the model reader "
                                                             : "the picture reader ";
        EXPECT_NE(result.err.find(reader + run.said), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("; nothing written"), std::string::npos) << result.err;
        EXPECT_TRUE(folderEntries(out).empty()) << run.arguments;
    }
    const std::string fifo = (dir.path() / "fifo.png").string();
    ASSERT_EQ(runShell("mkfifo " + shellQuote(fifo)), 0);
    for (const char* command : {"bmp import ", "model import "})
        for (const auto& [at, kind] : {std::pair(fifo, "a FIFO"), {dir.path(), "a folder"}}) {
            const CommandResult run = runTool(command + shellQuote(at) + " out");
            const std::string said = at + ": it is " + kind + ", not a regular file";
            EXPECT_EQ(run.status, 1) << command << at;
            EXPECT_NE(run.err.find(said), std::string::npos) << run.err;
        }
    // Killed while its reader blocks, the tool takes it along (gone, or a zombie).
    const CommandResult killed = runCapturing(
        "cd " + shellQuote(dir.path().string()) + "\nQUILLMARK_TEST_READER_FAULT=block " +
        shellQuote(QUILLMARK_FAULTS_TOOL_PATH) + " bmp import tri.png out/t.bmp & tool=$!\n" +
        R"(for i in $(seq 200); do read -r reader </proc/$tool/task/$tool/children
        [ -n "$reader" ] && break; sleep 0.05; done; kill -KILL $tool; [ -n "$reader" ] || exit 2
        for i in $(seq 200); do state=$(sed 's/.*) //' /proc/$reader/stat 2>/dev/null | cut -c1)
        case "$state" in ''|Z) exit 0;; esac; sleep 0.05; done
        kill -KILL $reader; echo "reader $reader left in state $state"; exit 1)");
    EXPECT_EQ(killed.status, 0) << killed.out << killed.err;
    // The ordinary tool holds no fault to set off.
    const std::string variable = "QUILLMARK_TEST_READER_FAULT", plain = "bmp import " + picture;
    EXPECT_EQ(runFaulty("crash", dir.path(), plain + " out/t.bmp", quillmarkToolPath()).status, 0);
    EXPECT_EQ(readFileText(quillmarkToolPath()).find(variable), std::string::npos);
}

TEST(ModelImport, TexturesAreFoundInAnyLetterCaseAndEachPictureWrittenOnce) {
    ScratchDir dir("import");
    // Two materials name the one picture on disk, tex.png: one in capitals,
    // one by a Windows path.
    dir.file("tex.png", pngOf(redOverBlue(8, 8)));
    dir.file("case.mtl", bytesOf("newmtl Upper\nmap_Kd TEX.PNG\nnewmtl Windows\n"
                                 "map_Kd C:\\art\\TEX.png\n"));
    const std::string in =
        dir.file("case.obj", bytesOf("mtllib case.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\n"
                                     "vt 0 0\nvt 1 0\nvt 0 1\nusemtl Upper\nf 1/1 2/2 3/3\n"
                                     "usemtl Windows\nf 2/2 4/3 3/1\n"));
    const fs::path out = dir.path() / "out" / "case.ms3d";
    fs::create_directories(out.parent_path());
    ModelImportSummary summary;
    std::string error;
    ASSERT_TRUE(importModel(in, out.string(), ModelImportOptions(), summary, error)) << error;
    const Ms3dModel model = loadMs3d(out);
    ASSERT_EQ(model.materialCount, 2);
    for (const MeshMaterial& material : model.materials)
        EXPECT_EQ(material.textureName, "case-0.bmp");
    expectTexture(decodeBmp(out.parent_path() / "case-0.bmp"), 8, 8);
    EXPECT_EQ(folderEntries(out.parent_path()),
              (std::vector<std::string>{"case-0.bmp", "case.ms3d"}));
    EXPECT_TRUE(mentions(summary.warnings,
                         "texture TEX.PNG read from " + (dir.path() / "tex.png").string()));

    // Two files that differ only in case: the first in sorted order, said so.
    dir.file("TEX.png", pngOf(redOverBlue(2, 2)));
    ASSERT_TRUE(importModel(in, out.string(), ModelImportOptions(), summary, error)) << error;
    ASSERT_EQ(summary.textures.size(), 1u);
    EXPECT_EQ(summary.textures[0].source, (dir.path() / "TEX.png").string());
    EXPECT_TRUE(mentions(summary.warnings, "the first in sorted order"));
}

TEST(ModelImport, TexturesOutsideTheModelsFolderAreReadOnTheTrustedSide) {
    ScratchDir dir("import");
    fs::create_directories(dir.path() / "models");
    fs::create_directories(dir.path() / "textures");
    fs::create_directories(dir.path() / "out");
    dir.file("textures/bark.png", pngOf(redOverBlue(8, 8)));
    dir.file("models/leaves.png", pngOf(redOverBlue(16, 4)));
    const std::string faces = "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nvt 0 0\nvt 1 0\nvt 0 1\n"
                              "usemtl Bark\nf 1/1 2/2 3/3\nusemtl Leaves\nf 2/2 4/3 3/1\n";
    // Named from the model's own folder, one in other capitals.
    dir.file(
        "models/tree.mtl",
        bytesOf("newmtl Bark\nmap_Kd ../textures/bark.png\nnewmtl Leaves\nmap_Kd LEAVES.PNG\n"));
    dir.file("models/tree.obj", bytesOf("mtllib tree.mtl\n" + faces));
    const CommandResult run =
        runCapturing("cd " + shellQuote((dir.path() / "models").string()) + " && " +
                     shellQuote(quillmarkToolPath()) + " model import tree.obj ../out/tree.ms3d");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("tree-0.bmp (8 x 8) from ../textures/bark.png (8 x 8)"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("tree-1.bmp (16 x 4) from leaves.png (16 x 4)"), std::string::npos);
    const Ms3dModel tree = loadMs3d(dir.path() / "out" / "tree.ms3d");
    ASSERT_EQ(tree.materialCount, 2);
    EXPECT_EQ(tree.materials[0].textureName, "tree-0.bmp");
    EXPECT_EQ(tree.materials[1].textureName, "tree-1.bmp");
    expectTexture(decodeBmp(dir.path() / "out" / "tree-0.bmp"), 8, 8);
    expectTexture(decodeBmp(dir.path() / "out" / "tree-1.bmp"), 16, 4);

    // The model reader reads nothing outside the model's folder: not an MTL
    // there, whose texture would be found. The texture the MTL beside the
    // model names there still is.
    if (sandboxSupport().landlockAbi == 0) {
        std::printf("confinement left out: this kernel has no Landlock\n");
        return;
    }
    dir.file("elsewhere.mtl", bytesOf("newmtl Leaves\nmap_Kd leaves.png\n"));
    dir.file("models/near.mtl", bytesOf("newmtl Bark\nmap_Kd ../textures/bark.png\n"));
    ModelImportSummary summary;
    std::string error;
    ASSERT_TRUE(importModel(
        dir.file("models/far.obj", bytesOf("mtllib ../elsewhere.mtl\nmtllib near.mtl\n" + faces)),
        (dir.path() / "out" / "far.ms3d").string(), ModelImportOptions(), summary, error))
        << error;
    ASSERT_EQ(summary.textures.size(), 1u);
    EXPECT_EQ(summary.textures[0].source,
              (dir.path() / "models" / "../textures/bark.png").string());
    const Ms3dModel far = loadMs3d(dir.path() / "out" / "far.ms3d");
    ASSERT_EQ(far.materialCount, 2);
    EXPECT_EQ(far.materials[0].textureName, "far-0.bmp");
    EXPECT_EQ(far.materials[1].textureName, "");

    // A model named by a link is read where the link leads, with its MTL.
    fs::create_symlink(dir.path() / "models" / "tree.obj", dir.path() / "out" / "link.obj");
    ASSERT_TRUE(importModel((dir.path() / "out" / "link.obj").string(),
                            (dir.path() / "out" / "linked.ms3d").string(), ModelImportOptions(),
                            summary, error))
        << error;
    EXPECT_EQ(summary.textures.size(), 2u);
}

// A LightWave object built field by field: big-endian IFF chunks.
struct Iff {
    Bytes bytes;
    Iff& id(const char* four) {
        bytes.insert(bytes.end(), four, four + 4);
        return *this;
    }
    Iff& u16(uint16_t value) {
        bytes.insert(bytes.end(), {uint8_t(value >> 8), uint8_t(value)});
        return *this;
    }
    Iff& u32(uint32_t value) { return u16(uint16_t(value >> 16)).u16(uint16_t(value)); }
    Iff& f32(float value) {
        uint32_t bits;
        std::memcpy(&bits, &value, 4);
        return u32(bits);
    }
    Iff& text(const std::string& value) { // with its terminator, padded to an even length
        bytes.insert(bytes.end(), value.begin(), value.end());
        bytes.resize(bytes.size() + 2 - value.size() % 2);
        return *this;
    }
    Iff& chunk(const char* type, const Iff& body, bool sub = false) {
        id(type);
        sub ? u16(uint16_t(body.bytes.size())) : u32(uint32_t(body.bytes.size()));
        bytes.insert(bytes.end(), body.bytes.begin(), body.bytes.end());
        return *this;
    }
};

TEST(ModelImport, AProjectedTextureGetsCoordinatesMadeForIt) {
    ScratchDir dir("import");
    dir.file("tex.png", pngOf(redOverBlue(8, 8)));
    // A 2 x 1 quad in z = 0 whose surface lays tex.png on it by a planar
    // projection along z; the file has no texture coordinates of its own.
    Iff points;
    const float corners[] = {0, 0, 2, 0, 2, 1, 0, 1};
    for (int i = 0; i < 8; i += 2)
        points.f32(corners[i]).f32(corners[i + 1]).f32(0);
    Iff object;
    object.id("LWO2")
        .chunk("TAGS", Iff().text("Skin"))
        .chunk("LAYR", Iff().u16(0).u16(0).f32(0).f32(0).f32(0).text(""))
        .chunk("PNTS", points)
        .chunk("POLS", Iff().id("FACE").u16(4).u16(0).u16(1).u16(2).u16(3))
        .chunk("PTAG", Iff().id("SURF").u16(0).u16(0))
        .chunk("CLIP", Iff().u32(1).chunk("STIL", Iff().text("tex.png"), true))
        .chunk(
            "SURF",
            Iff().text("Skin").text("").chunk(
                "BLOK",
                Iff()
                    .chunk("IMAP", Iff().text("\x80").chunk("CHAN", Iff().id("COLR"), true), true)
                    .chunk("PROJ", Iff().u16(0), true)  // planar
                    .chunk("AXIS", Iff().u16(2), true)  // along z
                    .chunk("IMAG", Iff().u16(1), true), // the clip
                true));
    const std::string in = dir.file("quad.lwo", Iff().chunk("FORM", object).bytes);
    const fs::path out = dir.path() / "quad.ms3d";
    ModelImportSummary summary;
    std::string error;
    ASSERT_TRUE(importModel(in, out.string(), ModelImportOptions(), summary, error)) << error;

    const Ms3dModel model = loadMs3d(out);
    ASSERT_EQ(model.materialCount, 1);
    EXPECT_EQ(model.materials[0].textureName, "quad-0.bmp");
    std::set<float> s, t;
    for (const MeshTriangle& triangle : model.triangles)
        for (int c = 0; c < 3; ++c) {
            s.insert(triangle.s[c]);
            t.insert(triangle.t[c]);
        }
    EXPECT_EQ(s, (std::set<float>{0, 1}));
    EXPECT_EQ(t, (std::set<float>{0, 1}));
}

TEST(ModelImport, UpAxisAndTurnPlaceTheBox) {
    ScratchDir dir("import");
    // A corner of a box 1 by 2 by 3, the long side along z.
    const std::string in = dir.file(
        "corner.obj", bytesOf("v 0 0 0\nv 1 0 0\nv 0 2 0\nv 0 0 3\nf 1 3 2\nf 1 2 4\nf 1 4 3\n"));
    const fs::path out = dir.path() / "corner.ms3d";
    ModelImportOptions options;
    options.up = UpAxis::minusZ;
    options.turn = 90;
    ModelImportSummary summary;
    std::string error;
    ASSERT_TRUE(importModel(in, out.string(), options, summary, error)) << error;
    // -z up turns (x, y, z) to (x, -z, y): the long side points down. A
    // quarter turn counter-clockwise seen from above then takes +x to -z and
    // +z to +x; the box is 2 by 3 by 1, standing on y = 0, centred.
    std::set<std::vector<float>> corners;
    for (const MeshVertex& vertex : loadMs3d(out).vertices)
        corners.insert({vertex.position[0], vertex.position[1], vertex.position[2]});
    EXPECT_EQ(corners, (std::set<std::vector<float>>{
                           {-1, 3, 0.5f}, {-1, 3, -0.5f}, {1, 3, 0.5f}, {-1, 0, 0.5f}}));
}

int failingWriteAt = 0; // the write that fails, counted from 1
ssize_t failOneWrite(int fd, const void* data, size_t size) {
    if (--failingWriteAt == 0) {
        errno = EIO;
        return -1;
    }
    return ::write(fd, data, size);
}

std::map<std::string, Bytes> folderFiles(const fs::path& folder) {
    std::map<std::string, Bytes> files;
    for (const std::string& name : folderEntries(folder))
        files[name] = readFileBytes(folder / name);
    return files;
}

TEST(ModelImport, AFailedWriteAtAnyStepLeavesTheEarlierImportWhole) {
    ScratchDir dir("import");
    dir.file("two.mtl", bytesOf("newmtl A\nmap_Kd a.png\nnewmtl B\nmap_Kd b.png\n"));
    const std::string in =
        dir.file("two.obj", bytesOf("mtllib two.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\n"
                                    "usemtl A\nf 1 2 3\nusemtl B\nf 2 4 3\n"));
    const fs::path out = dir.path() / "out" / "two.ms3d";
    fs::create_directories(out.parent_path());
    auto import = [&](int sides) {
        dir.file("a.png", pngOf(redOverBlue(sides, sides)));
        dir.file("b.png", pngOf(redOverBlue(sides * 2, sides)));
        ModelImportSummary summary;
        std::string error;
        return importModel(in, out.string(), ModelImportOptions(), summary, error);
    };
    ASSERT_TRUE(import(4));
    const auto earlier = folderFiles(out.parent_path());
    ASSERT_EQ(earlier.size(), 3u); // two-0.bmp, two-1.bmp, two.ms3d

    // The new textures, then the model: each write in turn fails.
    int failAt = 1;
    for (; failAt < 10; ++failAt) {
        failingWriteAt = failAt;
        const HookSwap<decltype(PlatformHooks::writeFile)> failing(platformHooks.writeFile,
                                                                   failOneWrite);
        if (import(8))
            break;
        EXPECT_EQ(folderFiles(out.parent_path()), earlier) << "write " << failAt << " failed";
    }
    EXPECT_EQ(failAt, 4);
    // Committed: the new textures under new numbers, the old ones gone.
    EXPECT_EQ(folderEntries(out.parent_path()),
              (std::vector<std::string>{"two-2.bmp", "two-3.bmp", "two.ms3d"}));
    EXPECT_EQ(loadMs3d(out).materials.at(0).textureName, "two-2.bmp");
    expectTexture(decodeBmp(out.parent_path() / "two-2.bmp"), 8, 8);
}

TEST(ModelImport, TexturesTakeFreeNamesAndOnlyTheImportsOwnFilesGo) {
    ScratchDir dir("import");
    const fs::path data = dir.path() / "data";
    fs::create_directories(data);
    for (const fs::path& folder : {dir.path(), data}) // for the run as a user
        fs::permissions(folder, fs::perms::all);
    dir.file("tex.png", pngOf(redOverBlue(4, 4)));
    dir.file("box.mtl", bytesOf("newmtl A\nmap_Kd tex.png\n"));
    const std::string in = dir.file(
        "box.obj", bytesOf("mtllib box.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl A\nf 1 2 3\n"));
    const auto import = [&](const fs::path& out, std::string& error) {
        ModelImportSummary summary;
        return importModel(in, out.string(), ModelImportOptions(), summary, error);
    };
    // The user's own castle-0.bmp and a dangling link; the model's write
    // fails on a read-only castle.ms3d.
    const fs::path castle = data / "castle.ms3d";
    ASSERT_TRUE(writeFileBytes(data / "castle-0.bmp", bytesOf("the user's own")));
    fs::create_symlink("nowhere.bmp", data / "castle-1.bmp");
    ASSERT_TRUE(writeFileBytes(castle, bytesOf("not a model")));
    fs::permissions(castle, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const auto before = folderFiles(data);
    const int refused = runUnprivileged([&] {
        std::string error;
        return import(castle, error) ? 1 : error.find("nothing written") == std::string::npos;
    });
    EXPECT_EQ(refused, 0);
    EXPECT_EQ(folderFiles(data), before);
    EXPECT_EQ(fs::read_symlink(data / "castle-1.bmp"), "nowhere.bmp");

    fs::remove(castle);
    std::string error;
    ASSERT_TRUE(import(castle, error)) << error;
    EXPECT_EQ(loadMs3d(castle).materials.at(0).textureName, "castle-2.bmp");
    EXPECT_EQ(readFileText(data / "castle-0.bmp"), "the user's own");
    EXPECT_EQ(fs::read_symlink(data / "castle-1.bmp"), "nowhere.bmp");

    // object0008.ms3d, a copy, still names object0007-0.bmp when 0007 is
    // imported again, and another model names object0007-1.bmp in other
    // capitals; a FIFO among the models is passed over. object0007-2.bmp,
    // which nothing else names, goes.
    const fs::path seven = data / "object0007.ms3d";
    ASSERT_TRUE(import(seven, error)) << error;
    fs::copy_file(seven, data / "object0008.ms3d");
    ModelImportSummary summary;
    ASSERT_TRUE(importModel(in, seven.string(), ModelImportOptions(), summary, error)) << error;
    EXPECT_TRUE(mentions(summary.warnings, "kept the replaced model's object0007-0.bmp: "
                                           "object0008.ms3d names it"));
    Ms3dFile other = sampleMs3d();
    other.materials.at(0).textureName = "./OBJECT0007-1.BMP";
    ASSERT_TRUE(writeMs3dFile(other, (data / "other.ms3d").string()));
    ASSERT_EQ(::mkfifo((data / "fifo.ms3d").c_str(), 0600), 0);
    const std::string again = "model import " + shellQuote(in) + " " + shellQuote(seven.string());
    ASSERT_EQ(runTool(again).status, 0);
    ASSERT_EQ(runTool(again).status, 0);
    EXPECT_EQ(loadMs3d(seven).materials.at(0).textureName, "object0007-3.bmp");
    for (const char* kept : {"object0007-0.bmp", "object0007-1.bmp"})
        EXPECT_TRUE(fs::exists(data / kept)) << kept;
    EXPECT_FALSE(fs::exists(data / "object0007-2.bmp"));
    fs::remove(data / "fifo.ms3d");

    // A stem too long for <stem>-<n>.bmp to fit its field: nothing written.
    const auto all = folderFiles(data);
    EXPECT_FALSE(import(data / (std::string(124, 'x') + ".ms3d"), error));
    EXPECT_NE(error.find("too long"), std::string::npos) << error;
    EXPECT_EQ(folderFiles(data), all);
}

TEST(ModelImport, TheReadersModelIsTakenBackWholeOrNotAtAll) {
    Ms3dFile sample = sampleMs3d();
    sample.groups.at(0).name = std::string(32, 'g'); // no terminator
    sample.trailer = {1, 2, 3};
    Bytes bytes, again;
    ASSERT_TRUE(encodeMs3d(sample, bytes));
    Ms3dFile read;
    ASSERT_TRUE(decodeMs3d(bytes.data(), bytes.size(), read));
    ASSERT_TRUE(encodeMs3d(read, again));
    EXPECT_EQ(again, bytes);
    EXPECT_EQ(read.groups.at(0).name, sample.groups.at(0).name);
    EXPECT_EQ(read.materials.at(0).textureName, sample.materials.at(0).textureName);
    // Cut anywhere before the trailer: refused, and the record kept as it was.
    for (size_t size = 0; size + sample.trailer.size() < bytes.size(); ++size)
        EXPECT_FALSE(decodeMs3d(bytes.data(), size, read)) << size;
    EXPECT_EQ(read.trailer, sample.trailer);
}

TEST(ModelImport, WhatIsNoRegularFileEndsTheImportAtOnce) {
    ScratchDir dir("import");
    for (const char* fifo : {"parts.mtl", "tex.png", "buffer.bin"})
        ASSERT_EQ(::mkfifo((dir.path() / fifo).c_str(), 0600), 0);
    dir.file("tex.mtl", bytesOf("newmtl A\nmap_Kd tex.png\n"));
    dir.file("zero.mtl", bytesOf("newmtl A\nmap_Kd /dev/zero\n"));
    const auto obj = [&](const std::string& mtl) {
        return shellQuote(dir.file(mtl + ".obj", bytesOf("mtllib " + mtl +
                                                         "\nv 0 0 0\nv 1 0 0\nv 0 1 0\n"
                                                         "usemtl A\nf 1 2 3\n")));
    };
    const std::string gltf = shellQuote(dir.file(
        "m.gltf",
        bytesOf(R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],)"
                R"("nodes":[{"mesh":0}],"meshes":[{"primitives":[{"attributes":{"POSITION":0}}]}],)"
                R"("buffers":[{"byteLength":36,"uri":"buffer.bin"}],)"
                R"("bufferViews":[{"buffer":0,"byteLength":36}],"accessors":[{"bufferView":0,)"
                R"("componentType":5126,"count":3,"type":"VEC3","min":[0,0,0],"max":[1,1,0]}]})")));
    const fs::path out = dir.path() / "out";
    fs::create_directories(out);
    const std::string ms3d = " " + shellQuote((out / "m.ms3d").string());
    const std::pair<std::string, std::string> cases[] = {
        {"model import " + obj("parts.mtl") + ms3d, "parts.mtl is a FIFO, not a regular file"},
        {"model import " + obj("tex.mtl") + ms3d, "tex.png is a FIFO, not a regular file"},
        {"model import " + obj("zero.mtl") + ms3d, "/dev/zero is a character device"},
        {"model import " + gltf + ms3d, "buffer.bin is a FIFO"},
        {"bmp import " + shellQuote((dir.path() / "tex.png").string()) + " " +
             shellQuote((out / "t.bmp").string()),
         "not a regular file"}};
    for (const auto& [arguments, said] : cases) {
        const CommandResult run =
            runCapturing("timeout 20 " + shellQuote(quillmarkToolPath()) + " " + arguments);
        EXPECT_EQ(run.status, 1) << arguments;
        EXPECT_NE(run.err.find(said), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("; nothing written"), std::string::npos) << run.err;
        EXPECT_TRUE(folderEntries(out).empty()) << arguments;
    }
}

TEST(BmpImport, PngAndJpegKeepTheirTopRowOnTop) {
    ScratchDir dir("import");
    const std::string png = dir.file("picture.png", pngOf(redOverBlue(48, 20)));
    const fs::path bmp = dir.path() / "picture.bmp";
    ASSERT_EQ(runTool("bmp import " + shellQuote(png) + " " + shellQuote(bmp.string())).status, 0);
    expectTexture(decodeBmp(bmp), 64, 16);
    // Into a pipe, the report on stderr instead of after the picture.
    const CommandResult piped = runTool("bmp import " + shellQuote(png) + " /dev/stdout | cat");
    EXPECT_TRUE(piped.out == readFileText(bmp));
    EXPECT_NE(piped.err.find("wrote /dev/stdout: 64 x 16"), std::string::npos) << piped.err;

    const Picture picture = redOverBlue(30, 30);
    const std::string jpeg = (dir.path() / "picture.jpg").string();
    ASSERT_NE(stbi_write_jpg(jpeg.c_str(), 30, 30, 3, picture.rgb.data(), 95), 0);
    ASSERT_EQ(
        runTool("bmp import " + shellQuote(jpeg) + " " + shellQuote(bmp.string()) + " --size 8")
            .status,
        0);
    expectTexture(decodeBmp(bmp), 8, 8);

    // Sides cap at 1024; a size that is no power of two and an unreadable
    // picture are refused, leaving the BMP as it was.
    const std::string wide = dir.file("wide.png", pngOf(redOverBlue(1500, 4)));
    ASSERT_EQ(runTool("bmp import " + shellQuote(wide) + " " + shellQuote(bmp.string())).status, 0);
    expectTexture(decodeBmp(bmp), 1024, 4);
    const Bytes before = readFileBytes(bmp);
    EXPECT_EQ(
        runTool("bmp import " + shellQuote(png) + " " + shellQuote(bmp.string()) + " --size 48")
            .status,
        2);
    EXPECT_EQ(runTool("bmp import " + shellQuote(dir.file("bad.png", bytesOf("no"))) + " " +
                      shellQuote(bmp.string()))
                  .status,
              1);
    EXPECT_EQ(readFileBytes(bmp), before);
}

} // namespace
