// Drawing models and creating their textures on an offscreen GL context.

#include "bmp_writer.h"
#include "model/mesh_model.h"
#include "model_test_support.h"
#include "platform/gl_context.h"
#include "platform/offscreen/offscreen_gl.h"

#include <GL/gl.h>
#include <array>

namespace {

constexpr int viewSize = 32;

using Rgb = std::array<int, 3>;

// An image of four flat quadrants, bottom row first as BMP and RgbImage hold
// it: bottom-left red, bottom-right green, top-left blue, top-right white.
std::vector<uint8_t> quadrantTexture(int size) {
    std::vector<uint8_t> rgb;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const bool top = y >= size / 2, right = x >= size / 2;
            const Rgb colour = !top ? (right ? Rgb{0, 255, 0} : Rgb{255, 0, 0})
                                    : (right ? Rgb{255, 255, 255} : Rgb{0, 0, 255});
            for (int c : colour)
                rgb.push_back(static_cast<uint8_t>(c));
        }
    return rgb;
}

MeshMaterial emissiveMaterial(float r, float g, float b) {
    MeshMaterial material;
    material.ambient[3] = material.diffuse[3] = material.specular[3] = 1.0f;
    material.emissive[0] = r;
    material.emissive[1] = g;
    material.emissive[2] = b;
    material.emissive[3] = 1.0f;
    return material;
}

class ModelDrawTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(createOffscreenGl(gl, viewSize, viewSize, &error)) << error;
        glViewport(0, 0, viewSize, viewSize);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-1, 1, -1, 1, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    void TearDown() override { destroyOffscreenGl(gl); }

    // Pixel at column x, row y counted from the TOP of the view.
    Rgb pixel(int x, int y) {
        if (pixels.empty())
            pixels = readOffscreenGlPixels(gl);
        const size_t at = (static_cast<size_t>(y) * viewSize + static_cast<size_t>(x)) * 3;
        return {pixels[at], pixels[at + 1], pixels[at + 2]};
    }

    OffscreenGl gl;
    std::vector<uint8_t> pixels;
    ScratchWorkDir scratch{"model"};
};

// A model of three side-by-side vertical strips (groups 0, 1, 2, left to
// right), each its own quad.
Ms3dModel threeStrips(const std::array<int8_t, 3>& materialIndices) {
    Ms3dFile file;
    for (size_t g = 0; g < 3; ++g) {
        const float x0 = -1.0f + 2.0f * g / 3.0f;
        appendMs3dQuad(file, g, x0, -1.0f, x0 + 2.0f / 3.0f, 1.0f, 0.0f);
        file.groups[g].materialIndex = materialIndices[g];
    }
    Ms3dModel model;
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(encodeMs3d(file, bytes));
    EXPECT_TRUE(parseMs3d(bytes.data(), bytes.size(), nullptr, model));
    return model;
}

TEST_F(ModelDrawTest, ContextIsCurrentOnlyWhileMadeSo) {
    EXPECT_TRUE(glContextIsCurrent());
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    ASSERT_NE(version, nullptr);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST) == GL_FALSE); // a legacy context, default state
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    EXPECT_GE(depthBits, 16);
    releaseCurrentGl(gl);
    EXPECT_FALSE(glContextIsCurrent());
    ASSERT_TRUE(makeOffscreenGlCurrent(gl));
    EXPECT_TRUE(glContextIsCurrent());
}

TEST_F(ModelDrawTest, RestoresTheTextureEnableStateEitherWay) {
    ASSERT_TRUE(writeBmp24("data/tex.bmp", 4, 4, quadrantTexture(4)));
    Ms3dModel model = threeStrips({0, 1, 0});
    model.materials = {emissiveMaterial(1, 1, 1), emissiveMaterial(1, 1, 1)};
    model.materials[0].textureName = "tex.bmp";
    model.materialCount = 2;
    model.reloadTextures();
    ASSERT_NE(model.materials[0].textureId, 0u);
    ASSERT_EQ(model.materials[1].textureId, 0u);

    // The last group enables texturing; it was off before.
    glDisable(GL_TEXTURE_2D);
    model.drawModel();
    EXPECT_EQ(glIsEnabled(GL_TEXTURE_2D), GL_FALSE);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    // The last group disables texturing; it was on before.
    model.groups[2].materialIndex = 1;
    glEnable(GL_TEXTURE_2D);
    model.drawModel();
    EXPECT_EQ(glIsEnabled(GL_TEXTURE_2D), GL_TRUE);

    // No groups: nothing but the query and the restore.
    Ms3dModel none;
    none.drawModel();
    EXPECT_EQ(glIsEnabled(GL_TEXTURE_2D), GL_TRUE);
    glDisable(GL_TEXTURE_2D);
    none.drawModel();
    EXPECT_EQ(glIsEnabled(GL_TEXTURE_2D), GL_FALSE);
}

// With lighting on and no lights, a fragment's colour is the material's
// emission plus its ambient times the scene ambient (zero here), so each
// strip shows the emissive colour of the material in force when it is drawn.
TEST_F(ModelDrawTest, GroupWithoutMaterialKeepsThePreviousOne) {
    glEnable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, std::array<float, 4>{0, 0, 0, 1}.data());
    // The caller's material shows through a first group without material.
    glMaterialfv(GL_FRONT, GL_EMISSION, std::array<float, 4>{0, 0, 1, 1}.data());

    // Group 0: none (caller's blue); group 1: red; group 2: index 9 is past
    // the end, so like none (still red).
    Ms3dModel model = threeStrips({-1, 0, 9});
    model.materials = {emissiveMaterial(1, 0, 0), emissiveMaterial(0, 1, 0)};
    model.materialCount = 2;
    model.materials[0].shininess = 7.0f;
    model.drawModel();

    EXPECT_EQ(pixel(5, 16), (Rgb{0, 0, 255}));
    EXPECT_EQ(pixel(16, 16), (Rgb{255, 0, 0}));
    EXPECT_EQ(pixel(27, 16), (Rgb{255, 0, 0}));

    // The material values of the last group drawn with one stay in force.
    float emission[4] = {}, shininess = 0;
    glGetMaterialfv(GL_FRONT, GL_EMISSION, emission);
    glGetMaterialfv(GL_FRONT, GL_SHININESS, &shininess);
    EXPECT_FLOAT_EQ(emission[0], 1.0f);
    EXPECT_FLOAT_EQ(emission[1], 0.0f);
    EXPECT_FLOAT_EQ(shininess, 7.0f);

    // The last corner sent: triangle 5, corner 2 (top-left of the last strip):
    // s = 0 and the stored t, which is 1 at the top edge.
    model.triangles[5].s[2] = 0.5f;
    model.triangles[5].t[2] = 0.75f;
    model.triangles[5].vertexNormals[2][0] = 0.25f;
    model.drawModel();
    float texCoord[4] = {}, normal[3] = {};
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, texCoord);
    glGetFloatv(GL_CURRENT_NORMAL, normal);
    EXPECT_FLOAT_EQ(texCoord[0], 0.5f);
    EXPECT_FLOAT_EQ(texCoord[1], 0.75f);
    EXPECT_FLOAT_EQ(normal[0], 0.25f);
}

TEST_F(ModelDrawTest, SkipsTrianglesWithIndicesOutOfRange) {
    Ms3dModel model = threeStrips({0, 0, 0});
    model.materials = {emissiveMaterial(1, 1, 1)};
    model.materialCount = 1;
    glEnable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    // Strip 0 names a vertex that does not exist in one of its triangles,
    // strip 1 a triangle that does not exist; their other triangles draw.
    model.triangles[0].vertexIndices[1] = 65535;
    model.groups[1].triangleIndices = {40000, 3};
    // Strip 2: a count larger than its list must not read past the list.
    model.groups[2].triangleCount = 1000;
    model.drawModel();

    // Triangle 0 of a strip is its lower-right half, triangle 1 the upper-left.
    EXPECT_EQ(pixel(9, 28), (Rgb{0, 0, 0}));       // strip 0, lower right: skipped
    EXPECT_EQ(pixel(2, 3), (Rgb{255, 255, 255}));  // strip 0, upper left: drawn
    EXPECT_EQ(pixel(20, 28), (Rgb{0, 0, 0}));      // strip 1, triangle 2 not listed
    EXPECT_EQ(pixel(13, 3), (Rgb{255, 255, 255})); // strip 1, triangle 3
    EXPECT_EQ(pixel(30, 28), (Rgb{255, 255, 255}));
    EXPECT_EQ(pixel(24, 3), (Rgb{255, 255, 255}));
}

// The texture's first (bottom) row lands at t = 0, which the quad puts at
// its bottom edge: the picture appears the right way up.
TEST_F(ModelDrawTest, TexturedQuadShowsItsTextureTheRightWayUp) {
    ASSERT_TRUE(writeBmp24("data/quadrants.bmp", 8, 8, quadrantTexture(8)));
    Ms3dFile file;
    appendMs3dQuad(file, 0, -1, -1, 1, 1, 0);
    file.groups[0].materialIndex = 0;
    Ms3dFileMaterial material;
    material.textureName = "quadrants.bmp";
    file.materials.push_back(material);
    ASSERT_TRUE(writeMs3dFile(file, "data/Quad.ms3d"));

    Ms3dModel model;
    ASSERT_TRUE(model.loadModel("data/Quad.ms3d", nullptr));
    ASSERT_NE(model.materials[0].textureId, 0u);
    glDisable(GL_LIGHTING);
    glColor3f(1, 1, 1); // modulated by the texture
    model.drawModel();

    EXPECT_EQ(pixel(8, 8), (Rgb{0, 0, 255}));      // top left
    EXPECT_EQ(pixel(24, 8), (Rgb{255, 255, 255})); // top right
    EXPECT_EQ(pixel(8, 24), (Rgb{255, 0, 0}));     // bottom left
    EXPECT_EQ(pixel(24, 24), (Rgb{0, 255, 0}));    // bottom right
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), model.materials[0].textureId);
}

TEST_F(ModelDrawTest, TexturesUploadAsStoredAndAreRemadeOnReload) {
    // Rows of 2 x 3 = 6 bytes: misread if GL assumed 4-byte row alignment.
    const std::vector<uint8_t> rgb = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    ASSERT_TRUE(writeBmp24("data/small.bmp", 2, 2, rgb));
    ASSERT_TRUE(writeBmp24("data/other.bmp", 4, 4, quadrantTexture(4)));
    Ms3dModel model;
    model.materials.resize(4);
    model.materialCount = 4;
    model.materials[0].textureName = "small.bmp";
    model.materials[1].textureName = "";            // no file is looked for
    model.materials[2].textureName = "missing.bmp"; // a missing file: no texture
    model.materials[3].textureName = "other.bmp";
    model.reloadTextures();
    const GLuint small = model.materials[0].textureId;
    ASSERT_NE(small, 0u);
    EXPECT_EQ(model.materials[1].textureId, 0u);
    EXPECT_EQ(model.materials[2].textureId, 0u);
    EXPECT_NE(model.materials[3].textureId, 0u);
    EXPECT_NE(model.materials[3].textureId, small);

    glBindTexture(GL_TEXTURE_2D, small);
    GLint width = 0, height = 0, minFilter = 0, magFilter = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    EXPECT_EQ(width, 2);
    EXPECT_EQ(height, 2);
    EXPECT_EQ(minFilter, GL_LINEAR);
    EXPECT_EQ(magFilter, GL_LINEAR);
    std::vector<uint8_t> stored(12);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, stored.data());
    EXPECT_EQ(stored, rgb);

    // A second reload makes new textures; the old ones stay allocated.
    const GLuint firstOther = model.materials[3].textureId;
    model.reloadTextures();
    EXPECT_NE(model.materials[0].textureId, 0u);
    EXPECT_NE(model.materials[0].textureId, small);
    EXPECT_NE(model.materials[3].textureId, firstOther);
    EXPECT_EQ(glIsTexture(small), GL_TRUE);
    EXPECT_EQ(glIsTexture(firstOther), GL_TRUE);
}

TEST(ModelTextures, NoTexturesWithoutACurrentContext) {
    ScratchWorkDir scratch{"model"};
    ASSERT_FALSE(glContextIsCurrent());
    ASSERT_TRUE(writeBmp24("data/land0.bmp", 4, 4, quadrantTexture(4)));
    EXPECT_EQ(loadTexture("land0.bmp"), 0u);

    Ms3dFile file = sampleMs3d();
    ASSERT_TRUE(writeMs3dFile(file, "data/Hexagon.ms3d"));
    Ms3dModel model;
    ASSERT_TRUE(model.loadModel("data/Hexagon.ms3d", "land0.bmp"));
    for (const MeshMaterial& material : model.materials) {
        EXPECT_EQ(material.textureName, "land0.bmp");
        EXPECT_EQ(material.textureId, 0u);
    }

    // Once a context is current, the same model gets its textures.
    OffscreenGl gl;
    std::string error;
    ASSERT_TRUE(createOffscreenGl(gl, 4, 4, &error)) << error;
    model.reloadTextures();
    EXPECT_NE(model.materials[0].textureId, 0u);
    EXPECT_NE(model.materials[1].textureId, model.materials[0].textureId);
    destroyOffscreenGl(gl);
    EXPECT_FALSE(glContextIsCurrent());
}

} // namespace
