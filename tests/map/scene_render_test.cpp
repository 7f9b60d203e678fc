// The hex field drawn offscreen with flat-coloured stand-in models, so each
// check reads one colour.

#include "map/scene.h"
#include "platform/offscreen/offscreen_gl.h"
#include "scene_test_support.h"
#include "shell/gl_window.h"

#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <array>
#include <cmath>
#include <limits>
#include <set>

namespace {

constexpr int imageWidth = 160;
constexpr int imageHeight = 120;

using Colour = std::array<uint8_t, 3>;

// A model of one flat-coloured shape: emissive colour only, so lighting does
// not change what the pixels read.
std::unique_ptr<MeshModel> flatModel(Colour colour, const Triangles& tris) {
    MeshMaterial material;
    for (int i = 0; i < 3; ++i)
        material.emissive[i] = colour[i] / 255.0f;
    material.ambient[3] = material.diffuse[3] = material.emissive[3] = 1.0f;
    return shapeModel(material, tris);
}

// An upright box, seen from every side (a marker, a unit or an object).
Triangles box(float half, float bottom, float top) {
    const float x0 = -half, x1 = half, z0 = -half, z1 = half, y0 = bottom, y1 = top;
    Triangles t;
    auto quad = [&](std::array<float, 3> a, std::array<float, 3> b, std::array<float, 3> c,
                    std::array<float, 3> d) {
        t.insert(t.end(), {a, b, c, a, c, d});
    };
    quad({x0, y1, z1}, {x1, y1, z1}, {x1, y1, z0}, {x0, y1, z0}); // top
    quad({x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1}); // bottom
    quad({x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}); // +z
    quad({x1, y0, z0}, {x0, y0, z0}, {x0, y1, z0}, {x1, y1, z0}); // -z
    quad({x1, y0, z1}, {x1, y0, z0}, {x1, y1, z0}, {x1, y1, z1}); // +x
    quad({x0, y0, z0}, {x0, y0, z1}, {x0, y1, z1}, {x0, y1, z0}); // -x
    return t;
}

Colour landColour(int i) {
    return {static_cast<uint8_t>(30 + 30 * i), 200, 40};
}
const Colour waterColour{20, 40, 230};
const Colour highlightColour{250, 250, 250};
const Colour arrowColour{250, 0, 0};
const Colour editArrowColour{250, 0, 250};
Colour objectColour(int i) {
    return {200, static_cast<uint8_t>(10 * i), 10};
}
Colour unitColour(int i) {
    return {10, static_cast<uint8_t>(100 + 10 * i), 250};
}

class SceneRender : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(createOffscreenGl(gl, imageWidth, imageHeight, &error)) << error;
        for (int i = 0; i < landHexCount; ++i)
            assets.landHex[i] = flatModel(landColour(i), hexagon(0.95f, 0.0f));
        assets.waterHex = flatModel(waterColour, hexagon(0.95f, 0.0f));
        for (int i = 0; i < maxNumberedModels; ++i) {
            assets.objectModels[i] = flatModel(objectColour(i), box(0.3f, 0.0f, 0.1f));
            assets.unitModels[i] = flatModel(unitColour(i), box(0.15f, 0.0f, 0.6f));
        }
        assets.objectCount = 3;
        assets.unitCount = 2;

        resizeScene(imageWidth, imageHeight);
        initSceneState(shared, assets, "/nonexistent/quillmark.map");
        scene = shared.state;
    }
    void TearDown() override { destroyOffscreenGl(gl); }

    void withMarkers() {
        assets.highlightHex = flatModel(highlightColour, hexagon(0.5f, 0.02f));
        assets.arrow = flatModel(arrowColour, box(0.1f, 1.0f, 1.4f));
        assets.arrowEdit = flatModel(editArrowColour, box(0.1f, 1.0f, 1.4f));
    }

    std::vector<uint8_t> render() {
        drawSceneFrom(scene, assets);
        return readOffscreenGlPixels(gl);
    }
    static Colour at(const std::vector<uint8_t>& image, int x, int y) {
        const size_t i = (static_cast<size_t>(y) * imageWidth + x) * 3;
        return {image[i], image[i + 1], image[i + 2]};
    }
    static Colour centre(const std::vector<uint8_t>& image) {
        return at(image, imageWidth / 2, imageHeight / 2);
    }
    float& cursorCell(MapLayer& layer) {
        return layer.cell[scene.editor.cursorRow][scene.editor.cursorColumn];
    }
    void lookStraightDown() { scene.camera.pitch = 90.0f; }
    // Topmost and lowest image rows that show a colour in the centre column.
    static std::pair<int, int> rowsOf(const std::vector<uint8_t>& image, Colour colour) {
        int top = -1, bottom = -1;
        for (int y = 0; y < imageHeight; ++y)
            if (at(image, imageWidth / 2, y) == colour) {
                if (top < 0)
                    top = y;
                bottom = y;
            }
        return {top, bottom};
    }

    OffscreenGl gl;
    AssetSet assets;
    SharedSceneState shared;
    SceneState scene;
};

} // namespace

TEST(SceneChoices, LandModelByHeightAndPlacementValues) {
    const std::pair<float, int> cases[] = {
        {0.0f, 0}, {0.25f, 0}, {0.5f, 1}, {2.5f, 5},     {3.0f, 6},  {3.25f, 6},     {3.5f, 0},
        {5.0f, 0}, {-1.0f, 0}, {NAN, 0},  {INFINITY, 0}, {1e30f, 0}, {-INFINITY, 0}, {3.4999f, 6}};
    for (auto [height, model] : cases)
        EXPECT_EQ(landModelForHeight(height), model) << height;

    EXPECT_EQ(placementValue(2.5f), 2.5f);
    EXPECT_EQ(placementValue(-1.0f), -1.0f);
    EXPECT_EQ(placementValue(NAN), 0.0f);
    EXPECT_EQ(placementValue(-INFINITY), 0.0f);
    EXPECT_EQ(placementValue(1e30f), 1000.0f);
    EXPECT_EQ(placementValue(-1e30f), -1000.0f);
}

TEST_F(SceneRender, InitialisesStateAndRenderState) {
    EXPECT_EQ(scene.editor.cursorRow, 7);
    EXPECT_EQ(scene.camera.pitch, 60.0f);
    EXPECT_EQ(scene.map.loadState, MapLoadState::loaded);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT1));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT0));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    GLint depthFunc = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
    EXPECT_EQ(depthFunc, GL_LEQUAL);
    // The light was placed under the identity: 250 behind the eye.
    GLfloat position[4];
    glGetLightfv(GL_LIGHT1, GL_POSITION, position);
    EXPECT_EQ(position[2], 250.0f);
    EXPECT_EQ(position[3], 1.0f);
}

TEST_F(SceneRender, SettledCursorHexIsAtTheCentreStraightFromAbove) {
    withMarkers();
    assets.arrow.reset(); // keep the highlight visible
    lookStraightDown();
    auto image = render();
    EXPECT_EQ(centre(image), highlightColour);

    // The whole field is there: land all around, the background at the edge
    // of a 15 x 11 field seen from 25 units only where the field ends.
    std::set<Colour> colours;
    for (int y = 0; y < imageHeight; y += 4)
        for (int x = 0; x < imageWidth; x += 4)
            colours.insert(at(image, x, y));
    EXPECT_TRUE(colours.count(landColour(0)));

    // Move the cursor (and the settled pan) to another hex: still centred.
    scene.editor.cursorRow = 2;
    scene.editor.cursorColumn = 9;
    scene.camera.panX = scene.camera.targetX = -hexCentreX(2);
    scene.camera.panZ = scene.camera.targetZ = -hexCentreZ(2, 9);
    image = render();
    EXPECT_EQ(centre(image), highlightColour);
}

TEST_F(SceneRender, TerrainModelFollowsHeightAndWater) {
    lookStraightDown();
    const std::pair<float, int> heights[] = {{0.0f, 0}, {0.25f, 0}, {0.5f, 1},
                                             {2.5f, 5}, {3.0f, 6},  {3.25f, 6},
                                             {3.5f, 0}, {5.0f, 0},  {-1.0f, 0}};
    for (auto [height, model] : heights) {
        cursorCell(scene.map.height) = height;
        EXPECT_EQ(centre(render()), landColour(model)) << "height " << height;
    }
    cursorCell(scene.map.height) = 1.0f;
    for (float water : {1.0f, 3.0f, 7.0f, -2.0f, 0.5f, NAN, -INFINITY, INFINITY}) {
        cursorCell(scene.map.water) = water;
        EXPECT_EQ(centre(render()), waterColour) << "water " << water;
    }
}

TEST_F(SceneRender, WaterLowersTheHexByHalfAUnitPerLevelAboveOne) {
    withMarkers();
    scene.camera.pitch = 10.0f;
    auto picture = [&](float height, float water) {
        cursorCell(scene.map.height) = height;
        cursorCell(scene.map.water) = water;
        return render();
    };
    // Level 3 puts the water hex (and the highlight and arrow) one unit down.
    EXPECT_EQ(rowsOf(picture(1.0f, 3.0f), arrowColour), rowsOf(picture(0.0f, 1.0f), arrowColour));
    EXPECT_NE(rowsOf(picture(1.0f, 3.0f), arrowColour), rowsOf(picture(1.0f, 1.0f), arrowColour));
    // A negative or non-finite level draws the water hex at the terrain height.
    for (float level : {-2.0f, NAN, -INFINITY})
        EXPECT_EQ(rowsOf(picture(1.0f, level), arrowColour),
                  rowsOf(picture(1.0f, 1.0f), arrowColour))
            << level;
    // Objects and units are not lowered with the water.
    cursorCell(scene.map.unit) = 1.0f;
    EXPECT_EQ(rowsOf(picture(1.0f, 5.0f), unitColour(0)),
              rowsOf(picture(1.0f, 0.0f), unitColour(0)));
}

TEST_F(SceneRender, ObjectsAndUnitsByNumber) {
    lookStraightDown();
    auto centreWith = [&](float object, float unit) {
        cursorCell(scene.map.object) = object;
        cursorCell(scene.map.unit) = unit;
        return centre(render());
    };
    EXPECT_EQ(centreWith(1.0f, 0.0f), objectColour(0));
    EXPECT_EQ(centreWith(3.0f, 0.0f), objectColour(2));
    EXPECT_EQ(centreWith(2.5f, 0.0f), objectColour(1)); // the second object model
    EXPECT_EQ(centreWith(4.0f, 0.0f), landColour(0));   // above the count
    EXPECT_EQ(centreWith(0.5f, 0.0f), objectColour(0));
    EXPECT_EQ(centreWith(-1.0f, 0.0f), landColour(0));
    EXPECT_EQ(centreWith(NAN, 0.0f), landColour(0));
    EXPECT_EQ(centreWith(1e30f, 0.0f), landColour(0));
    EXPECT_EQ(centreWith(0.0f, 2.0f), unitColour(1));
    EXPECT_EQ(centreWith(0.0f, 3.0f), landColour(0));
    EXPECT_EQ(centreWith(1.0f, 1.0f), unitColour(0)); // the unit stands on the object
}

TEST_F(SceneRender, UnitsStandHigherOnObjectsOneAndTwoOnly) {
    scene.camera.pitch = 0.0f; // edge-on: heights show as rows
    scene.camera.distance = 10.0f;
    cursorCell(scene.map.unit) = 1.0f;
    auto unitRows = [&](float object) {
        cursorCell(scene.map.object) = object;
        return rowsOf(render(), unitColour(0));
    };
    // Tops of the unit: the objects' own boxes hide the unit's foot.
    const int ground = unitRows(0.0f).first;
    ASSERT_GE(ground, 0) << "unit not visible edge-on";
    EXPECT_EQ(unitRows(3.0f).first, ground);
    const int onRoad = unitRows(1.0f).first;
    EXPECT_EQ(unitRows(2.0f).first, onRoad);
    // 0.25 units at 10 units' distance, 120 rows for 45 degrees: ~3.6 rows.
    EXPECT_NEAR(ground - onRoad, 3.6, 1.0);
}

TEST_F(SceneRender, ArrowShowsTheModeAndHopsWithTheBob) {
    withMarkers();
    lookStraightDown();
    EXPECT_EQ(centre(render()), arrowColour);
    scene.editor.editMode = 1;
    EXPECT_EQ(centre(render()), editArrowColour);

    scene.camera.pitch = 0.0f;
    const auto resting = rowsOf(render(), editArrowColour);
    scene.bob.offset = 0.4f;
    const auto hopping = rowsOf(render(), editArrowColour);
    EXPECT_LT(hopping.second, resting.second);
    // The highlight does not hop.
    scene.bob.offset = 0.0f;
}

TEST_F(SceneRender, EdgeOnShowsAThinLineAndAFrameUndoesEveryTranslation) {
    scene.camera.pitch = 0.0f;
    auto image = render();
    int rowsWithLand = 0;
    for (int y = 0; y < imageHeight; ++y) {
        bool any = false;
        for (int x = 0; x < imageWidth; ++x)
            any = any || at(image, x, y) != Colour{0, 0, 0};
        rowsWithLand += any;
    }
    EXPECT_LE(rowsWithLand, 2);

    // After a frame of a busy map every per-hex translation is undone: the
    // model-view matrix is where the camera put it, moved on only by the 15
    // row steps of 1.5 along x, which the frame never takes back.
    withMarkers();
    scene.camera.pitch = 37.0f;
    scene.bob.offset = 0.3f;
    for (int r = 0; r < mapRows; ++r)
        for (int c = 0; c < mapColumns; ++c) {
            scene.map.height.cell[r][c] = static_cast<float>((r + c) % 7) * 0.5f;
            scene.map.water.cell[r][c] = static_cast<float>((r * c) % 9) - 1.0f;
            scene.map.object.cell[r][c] = static_cast<float>(c % 4);
            scene.map.unit.cell[r][c] = static_cast<float>(r % 3);
        }
    scene.map.height.cell[3][3] = NAN;
    scene.map.water.cell[4][4] = 1e30f;
    drawSceneFrom(scene, assets);
    GLfloat after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, after);

    glLoadIdentity();
    gluLookAt(0, 0, scene.camera.distance, 0, 0, 0, 0, 1, 0);
    glRotatef(scene.camera.pitch, 1, 0, 0);
    glTranslatef(scene.camera.panX, 0, scene.camera.panZ);
    glTranslatef(1.5f * mapRows, 0, 0);
    GLfloat expected[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, expected);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(after[i], expected[i], 1e-3f) << i;
}

TEST_F(SceneRender, HostileValuesInOneHexLeaveEveryOtherHexInPlace) {
    withMarkers();
    for (int r = 0; r < mapRows; ++r)
        for (int c = 0; c < mapColumns; ++c) {
            scene.map.height.cell[r][c] = static_cast<float>((r + 2 * c) % 5) * 0.5f;
            scene.map.object.cell[r][c] = static_cast<float>((r + c) % 4);
            scene.map.unit.cell[r][c] = static_cast<float>(c % 3);
        }
    const SceneState clean = scene;
    // The hostile hex is the first one drawn in row 2, so everything drawn
    // after it would show a spoilt matrix.
    const int row = 2, column = 0;
    scene.map.height.cell[row][column] = 0.0f;
    scene.map.water.cell[row][column] = 0.0f;
    const auto reference = render();
    const float hostile[] = {NAN, INFINITY, -INFINITY, 1e30f, -1e30f};
    for (int layer : {0, 1}) {
        for (float value : hostile) {
            scene = clean;
            mapLayer(scene.map, layer).cell[row][column] = value;
            const auto image = render();
            // Compare everywhere but a neighbourhood of the hostile hex, which
            // at pitch 60 lies in the left part of the picture.
            int differing = 0;
            for (int y = 0; y < imageHeight; ++y)
                for (int x = imageWidth / 3; x < imageWidth; ++x)
                    differing += at(image, x, y) != at(reference, x, y);
            EXPECT_EQ(differing, 0) << mapLayerName(layer) << " " << value;
        }
    }
}
