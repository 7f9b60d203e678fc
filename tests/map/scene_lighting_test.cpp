// The field under the scene's own light, drawn with a lit material: the
// light's ambient and diffuse, the rescaling of normals and every material
// value must reach GL, which models with only an emissive colour never show.

#include "map/scene.h"
#include "platform/offscreen/offscreen_gl.h"
#include "scene_test_support.h"
#include "shell/gl_window.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <utility>

namespace {

void expectFloats(GLenum what, const GLfloat* got, const float* want, int count) {
    for (int i = 0; i < count; ++i)
        EXPECT_FLOAT_EQ(got[i], want[i]) << "GL enum 0x" << std::hex << what << " [" << i << "]";
}

} // namespace

TEST(SceneLighting, LitTileShowsTheLightsAmbientAndDiffuseWithNormalsRescaled) {
    constexpr int size = 64;
    OffscreenGl gl;
    std::string error;
    ASSERT_TRUE(createOffscreenGl(gl, size, size, &error)) << error;

    MeshMaterial material;
    const float ambient[] = {0.4f, 0.2f, 0.6f, 1.0f};
    const float diffuse[] = {0.3f, 0.5f, 0.1f, 1.0f};
    const float specular[] = {0.6f, 0.7f, 0.8f, 1.0f};
    const float emissive[] = {0.0f, 0.0f, 0.0f, 1.0f};
    std::copy(ambient, ambient + 4, material.ambient);
    std::copy(diffuse, diffuse + 4, material.diffuse);
    std::copy(specular, specular + 4, material.specular);
    std::copy(emissive, emissive + 4, material.emissive);
    material.shininess = 8.0f;
    // Normals of length 0.4: unless GL rescales them, the diffuse term drops
    // to 40 %.
    AssetSet assets;
    assets.landHex[0] = shapeModel(material, hexagon(0.95f, 0.0f), 0.4f);

    resizeScene(size, size);
    SharedSceneState shared;
    initSceneState(shared, assets, "/nonexistent/quillmark.map"); // a flat field of land 0
    SceneState scene = shared.state;
    scene.camera.pitch = 90.0f; // straight down: the tile faces the light
    drawSceneFrom(scene, assets);
    const std::vector<uint8_t> image = readOffscreenGlPixels(gl);

    // Straight from above the light (behind the eye) falls on the tile at
    // right angles. The light has no specular part, so the material's
    // specular adds nothing: colour = (global 0.2 + light 0.5) * ambient +
    // 1.0 * diffuse.
    const size_t centre = (static_cast<size_t>(size / 2) * size + size / 2) * 3;
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(image[centre + c], 255.0f * (0.7f * ambient[c] + diffuse[c]), 2.5f)
            << "channel " << c;

    GLfloat got[4];
    const float lightAmbient[] = {0.5f, 0.5f, 0.5f, 1.0f};
    const float lightDiffuse[] = {1.0f, 1.0f, 1.0f, 1.0f};
    glGetLightfv(GL_LIGHT1, GL_AMBIENT, got);
    expectFloats(GL_AMBIENT, got, lightAmbient, 4);
    glGetLightfv(GL_LIGHT1, GL_DIFFUSE, got);
    expectFloats(GL_DIFFUSE, got, lightDiffuse, 4);
    EXPECT_TRUE(glIsEnabled(GL_NORMALIZE));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));

    // The material of the last model drawn is the one in force.
    const std::pair<GLenum, const float*> materialValues[] = {{GL_AMBIENT, ambient},
                                                              {GL_DIFFUSE, diffuse},
                                                              {GL_SPECULAR, specular},
                                                              {GL_EMISSION, emissive}};
    for (auto [what, want] : materialValues) {
        glGetMaterialfv(GL_FRONT, what, got);
        expectFloats(what, got, want, 4);
    }
    glGetMaterialfv(GL_FRONT, GL_SHININESS, got);
    EXPECT_FLOAT_EQ(got[0], material.shininess);

    destroyOffscreenGl(gl);
}
