#include "map/scene.h"

#include "map/hex_grid.h"
#include "map/map_file.h"
#include "platform/mouse.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

namespace {

void reload(const std::unique_ptr<MeshModel>& model) {
    if (model)
        model->reloadTextures();
}

void draw(const std::unique_ptr<MeshModel>& model) {
    if (model)
        model->drawModel();
}

// Index of the numbered model for map number n, or -1 for none. Compares
// before converting, so no out-of-range float (or NaN) is ever converted.
int numberedModelIndex(float number, int16_t count) {
    if (!(number > 0.0f) || !(number <= static_cast<float>(count)))
        return -1;
    return static_cast<int>(number - 1.0f);
}

} // namespace

float placementValue(float value) {
    constexpr float limit = 1000.0f;
    if (!std::isfinite(value))
        return 0.0f;
    if (value > limit)
        return limit;
    if (value < -limit)
        return -limit;
    return value;
}

int landModelForHeight(float height) {
    if (!(height >= 0.0f) || !(2.0f * height < 7.0f))
        return 0;
    return static_cast<int>(2.0f * height);
}

int initSceneState(SharedSceneState& shared, AssetSet& assets, const std::string& mapPath) {
    warpMousePointer(320, 240);
    {
        std::lock_guard<std::mutex> lock(shared.mutex);
        SceneState& s = shared.state;
        s.editor = EditorState{};
        s.camera = CameraState{};
        s.bob = MarkerBob{};
        clearHexMap(s.map);
        loadMapFrom(s.map, mapPath);
    }

    for (const auto& land : assets.landHex)
        reload(land);
    for (int i = 0; i < assets.objectCount && i < maxNumberedModels; ++i)
        reload(assets.objectModels[i]);
    for (int i = 0; i < assets.unitCount && i < maxNumberedModels; ++i)
        reload(assets.unitModels[i]);
    reload(assets.waterHex);
    reload(assets.highlightHex);
    reload(assets.arrow);
    reload(assets.arrowEdit);

    setupRenderState();
    return 1;
}

void setupRenderState() {
    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_NORMALIZE);

    // Given while the model-view matrix is the identity: the light sits
    // behind the eye and moves with the camera.
    const GLfloat ambient[] = {0.5f, 0.5f, 0.5f, 1.0f};
    const GLfloat diffuse[] = {1.0f, 1.0f, 1.0f, 1.0f};
    const GLfloat position[] = {0.0f, 0.0f, 250.0f, 1.0f};
    glLightfv(GL_LIGHT1, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT1, GL_POSITION, position);
    glEnable(GL_LIGHT1);
    glEnable(GL_LIGHTING);

    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
}

int drawSceneFrom(const SceneState& scene, const AssetSet& assets) {
    const HexMap& map = scene.map;
    const EditorState& editor = scene.editor;
    const CameraState& camera = scene.camera;

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    gluLookAt(0.0, 0.0, camera.distance, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
    const float bob = scene.bob.offset;
    glRotatef(camera.pitch, 1.0f, 0.0f, 0.0f);
    glTranslatef(camera.panX, 0.0f, camera.panZ);

    for (int row = 0; row < mapRows; ++row) {
        const bool evenRow = row % 2 == 0;
        glTranslatef(hexRowStep, 0.0f, evenRow ? hexHalfColumnStep : 0.0f);
        for (int column = 0; column < mapColumns; ++column) {
            // Each value read once, so a translation and its undoing match.
            const float height = placementValue(map.height.cell[row][column]);
            // The stored water level picks the model (NaN and -inf are water,
            // drawn at the terrain height); only the translations take the
            // sanitised one.
            const float storedWater = map.water.cell[row][column];
            const float water = placementValue(storedWater);
            const float object = map.object.cell[row][column];
            const float unit = map.unit.cell[row][column];

            glTranslatef(0.0f, 0.0f, hexColumnStep);
            glTranslatef(0.0f, height, 0.0f);
            if (water > 0.0f)
                glTranslatef(0.0f, -(water - 1.0f) * 0.5f, 0.0f);

            if (storedWater != 0.0f)
                draw(assets.waterHex);
            else
                draw(assets.landHex[landModelForHeight(height)]);

            if (row == editor.cursorRow && column == editor.cursorColumn) {
                draw(assets.highlightHex);
                glTranslatef(0.0f, bob, 0.0f);
                draw(editor.editMode == 0 ? assets.arrow : assets.arrowEdit);
                glTranslatef(0.0f, -bob, 0.0f);
            }

            if (water > 0.0f)
                glTranslatef(0.0f, (water - 1.0f) * 0.5f, 0.0f);

            const int objectIndex = numberedModelIndex(object, assets.objectCount);
            if (objectIndex >= 0 && objectIndex < maxNumberedModels)
                draw(assets.objectModels[objectIndex]);

            const int unitIndex = numberedModelIndex(unit, assets.unitCount);
            if (unitIndex >= 0 && unitIndex < maxNumberedModels) {
                // Units stand on objects 1 and 2 (low things like roads).
                const bool raised = object == 1.0f || object == 2.0f;
                if (raised)
                    glTranslatef(0.0f, 0.25f, 0.0f);
                draw(assets.unitModels[unitIndex]);
                if (raised)
                    glTranslatef(0.0f, -0.25f, 0.0f);
            }

            glTranslatef(0.0f, -height, 0.0f);
        }
        glTranslatef(0.0f, 0.0f, -hexRowLength);
        if (evenRow)
            glTranslatef(0.0f, 0.0f, -hexHalfColumnStep);
    }
    return 1;
}
