#include "model_preview.h"

#include "map/scene.h"
#include "model/mesh_model.h"
#include "model_info.h"
#include "platform/offscreen/offscreen_gl.h"
#include "working_directory.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr double fieldOfView = 45.0; // vertical, in degrees, as the editor's projection
constexpr double frameShare = 0.9;   // the box spans at most this share of the picture
constexpr double degrees = M_PI / 180.0;
constexpr double transparentHexDepth = 0.5; // the slab of the hex drawn without a background

struct Box {
    double lo[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL};
    double hi[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};

    bool empty() const { return !(lo[0] <= hi[0]); }
    void add(const double p[3]) {
        for (int axis = 0; axis < 3; ++axis) {
            lo[axis] = std::min(lo[axis], p[axis]);
            hi[axis] = std::max(hi[axis], p[axis]);
        }
    }
    void add(const Box& other) {
        if (!other.empty()) {
            add(other.lo);
            add(other.hi);
        }
    }
    double corner(int index, int axis) const { return (index >> axis & 1) ? hi[axis] : lo[axis]; }
};

// What drawing shows of a model: the vertices of the triangles it does not
// skip, the finite ones only.
Box drawnBox(const MeshModel& model) {
    Box box;
    for (const MeshGroup& group : model.groups)
        for (uint32_t index : group.triangleIndices) {
            if (index >= model.triangles.size())
                continue;
            const MeshTriangle& triangle = model.triangles[index];
            if (std::any_of(std::begin(triangle.vertexIndices), std::end(triangle.vertexIndices),
                            [&](uint32_t v) { return v >= model.vertices.size(); }))
                continue;
            for (uint32_t v : triangle.vertexIndices) {
                const float* p = model.vertices[v].position;
                const double point[3] = {p[0], p[1], p[2]};
                if (std::isfinite(point[0]) && std::isfinite(point[1]) && std::isfinite(point[2]))
                    box.add(point);
            }
        }
    return box;
}

struct View {
    double centre[3] = {0, 0, 0};
    double distance = 1;
    double nearPlane = 0.1;
    double farPlane = 10;
};

// A point relative to the centre as the camera sees it before stepping back:
// turned by the yaw about y, then tilted by the pitch about x, as the
// glRotated calls in drawPreview apply them.
void turn(const double p[3], double yaw, double pitch, double out[3]) {
    const double x = std::cos(yaw) * p[0] + std::sin(yaw) * p[2];
    const double z = -std::sin(yaw) * p[0] + std::cos(yaw) * p[2];
    out[0] = x;
    out[1] = std::cos(pitch) * p[1] - std::sin(pitch) * z;
    out[2] = std::sin(pitch) * p[1] + std::cos(pitch) * z;
}

// The camera aims at the middle of `fit` from the nearest distance at which
// every corner of it lies within the frame; the depth range holds all of
// `drawn`.
View fitView(Box fit, const Box& drawn, double yaw, double pitch, double widthToHeight) {
    if (fit.empty()) { // nothing drawn: a unit box about the origin
        const double corners[2][3] = {{-1, -1, -1}, {1, 1, 1}};
        fit.add(corners[0]);
        fit.add(corners[1]);
    }
    View view;
    double radius = 0;
    for (int axis = 0; axis < 3; ++axis) {
        view.centre[axis] = fit.lo[axis] / 2 + fit.hi[axis] / 2;
        radius += (fit.hi[axis] - fit.lo[axis]) * (fit.hi[axis] - fit.lo[axis]) / 4;
    }
    radius = std::max(std::sqrt(radius), 1e-3);

    const double tanY = std::tan(fieldOfView / 2 * degrees) * frameShare;
    const double tanX = tanY * widthToHeight;
    auto seen = [&](const Box& box, int index, double q[3]) {
        double p[3];
        for (int axis = 0; axis < 3; ++axis)
            p[axis] = box.corner(index, axis) - view.centre[axis];
        turn(p, yaw * degrees, pitch * degrees, q);
    };
    // Never closer than a tenth of the radius in front of the nearest corner,
    // for a box seen end-on.
    double distance = 0;
    for (int i = 0; i < 8; ++i) {
        double q[3];
        seen(fit, i, q);
        distance = std::max({distance, q[2] + std::fabs(q[0]) / tanX, q[2] + std::fabs(q[1]) / tanY,
                             q[2] + radius / 10});
    }
    view.distance = distance;

    double nearest = distance, farthest = distance;
    Box all = fit;
    all.add(drawn);
    for (int i = 0; i < 8; ++i) {
        double q[3];
        seen(all, i, q);
        nearest = std::min(nearest, distance - q[2]);
        farthest = std::max(farthest, distance - q[2]);
    }
    view.nearPlane = std::max(nearest * 0.9, distance / 100);
    view.farPlane = std::max(farthest * 1.1, view.nearPlane * 2);
    return view;
}

// Reads and parses a model file as the loader does; textures come later.
bool parseModelFile(const fs::path& path, const char* textureName, MeshModel& model,
                    std::string& error) {
    std::vector<uint8_t> bytes;
    if (!readModelFileBytes(path.c_str(), bytes, error))
        return false;
    Ms3dParseResult result;
    if (!parseMs3d(bytes.data(), bytes.size(), textureName, model, &result)) {
        error = path.string() + ": refused: " + ms3dRefusalReason(result);
        return false;
    }
    return true;
}

// A new folder in the system's temporary folder that holds only `data`, a
// link to the data folder. Both go with the object; nothing the link leads to
// is ever removed.
class TextureFolder {
  public:
    bool create(const fs::path& dataDir, std::string& error) {
        std::error_code fsError;
        const fs::path base = fs::temp_directory_path(fsError);
        if (fsError) {
            error = "no temporary folder: " + fsError.message();
            return false;
        }
        std::string pattern = (base / "quillmark-preview-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            error = "cannot make a folder in " + base.string() + ": " + std::strerror(errno);
            return false;
        }
        dir = pattern;
        fs::create_directory_symlink(dataDir, dir / "data", fsError);
        if (fsError) {
            error = "cannot link " + dataDir.string() + " from " + dir.string() + ": " +
                    fsError.message();
            return false;
        }
        return true;
    }
    ~TextureFolder() {
        if (dir.empty())
            return;
        std::error_code ignored;
        fs::remove(dir / "data", ignored);
        fs::remove(dir, ignored);
    }
    const fs::path& path() const { return dir; }

  private:
    fs::path dir;
};

struct OffscreenGlOwner {
    OffscreenGl gl;
    ~OffscreenGlOwner() { destroyOffscreenGl(gl); }
};

void loadTextures(MeshModel& model, const fs::path& dataDir, std::vector<std::string>& warnings) {
    model.reloadTextures();
    for (const MeshMaterial& material : model.materials)
        if (!material.textureName.empty() && material.textureId == 0)
            warnings.push_back("texture " + material.textureName + " did not load from " +
                               dataDir.string() + "; drawn without it");
}

void drawPreview(const View& view, const ModelPreviewOptions& options, const MeshModel& model,
                 const MeshModel* hex) {
    glViewport(0, 0, options.width, options.height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(fieldOfView, static_cast<double>(options.width) / options.height, view.nearPlane,
                   view.farPlane);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    setupRenderState();

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    gluLookAt(0.0, 0.0, view.distance, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
    glRotated(options.pitch, 1.0, 0.0, 0.0);
    glRotated(options.yaw, 0.0, 1.0, 0.0);
    glTranslated(-view.centre[0], -view.centre[1], -view.centre[2]);
    // The land first, then what stands on it, as the scene draws a hex.
    // Without a background the hex's column would run out of the picture:
    // it is cut to a slab.
    if (hex && options.transparent) {
        const GLdouble keepAbove[4] = {0.0, 1.0, 0.0, transparentHexDepth};
        glClipPlane(GL_CLIP_PLANE0, keepAbove);
        glEnable(GL_CLIP_PLANE0);
    }
    if (hex)
        hex->drawModel();
    glDisable(GL_CLIP_PLANE0);
    model.drawModel();
}

// Where nothing was drawn the depth is still the cleared 1: that is the
// background. Rows top first, as readOffscreenGlPixels gives the colours.
std::vector<uint8_t> readCoverage(int width, int height) {
    std::vector<float> depth(static_cast<size_t>(width) * height);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
    std::vector<uint8_t> alpha(depth.size());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            alpha[static_cast<size_t>(height - 1 - y) * width + x] =
                depth[static_cast<size_t>(y) * width + x] < 1.0f ? 255 : 0;
    return alpha;
}

// Each factor x factor block becomes one pixel. Colours are weighted by how
// much of each pixel is drawn, so the background does not bleed into edges.
SnapshotImage shrinkImage(const SnapshotImage& big, int factor) {
    SnapshotImage small;
    small.width = big.width / factor;
    small.height = big.height / factor;
    const size_t pixels = static_cast<size_t>(small.width) * small.height;
    small.rgb.resize(3 * pixels);
    if (!big.alpha.empty())
        small.alpha.resize(pixels);
    for (int y = 0; y < small.height; ++y)
        for (int x = 0; x < small.width; ++x) {
            unsigned long sum[3] = {0, 0, 0}, weight = 0;
            for (int dy = 0; dy < factor; ++dy)
                for (int dx = 0; dx < factor; ++dx) {
                    const size_t i =
                        static_cast<size_t>(y * factor + dy) * big.width + x * factor + dx;
                    const unsigned a = big.alpha.empty() ? 255 : big.alpha[i];
                    for (int c = 0; c < 3; ++c)
                        sum[c] += static_cast<unsigned long>(big.rgb[3 * i + c]) * a;
                    weight += a;
                }
            const size_t o = static_cast<size_t>(y) * small.width + x;
            for (int c = 0; c < 3; ++c)
                small.rgb[3 * o + c] = weight ? static_cast<uint8_t>(sum[c] / weight) : 0;
            if (!small.alpha.empty())
                small.alpha[o] = static_cast<uint8_t>(weight / (factor * factor));
        }
    return small;
}

} // namespace

bool renderModelPreview(const ModelPreviewOptions& options, SnapshotImage& image,
                        std::string& error, std::vector<std::string>& warnings) {
    std::error_code fsError;
    const fs::path modelPath = fs::absolute(options.modelPath, fsError);
    const fs::path dataDir =
        options.dataDir.empty() ? modelPath.parent_path() : fs::absolute(options.dataDir, fsError);
    if (fsError) {
        error = "no working directory: " + fsError.message();
        return false;
    }
    Ms3dModel model;
    if (!parseModelFile(modelPath, nullptr, model, error))
        return false;
    if (!fs::is_directory(dataDir, fsError)) {
        error = "the data folder " + dataDir.string() + " is not a folder";
        return false;
    }
    Ms3dModel hex;
    if (options.onHex) {
        const fs::path hexPath = dataDir / "Hexagon.ms3d";
        if (!fs::exists(hexPath, fsError)) {
            error = "the data folder " + dataDir.string() + " has no Hexagon.ms3d to stand on";
            return false;
        }
        if (!parseModelFile(hexPath, "land0.bmp", hex, error))
            return false;
    }

    ModelPreviewOptions drawn = options;
    drawn.width *= options.supersample;
    drawn.height *= options.supersample;
    OffscreenGlOwner gl;
    if (!createOffscreenGl(gl.gl, drawn.width, drawn.height, &error))
        return false;
    TextureFolder folder;
    if (!folder.create(dataDir, error))
        return false;
    {
        WorkingDirectory cwd(folder.path(), fsError);
        if (fsError) {
            error = "cannot enter " + folder.path().string() + ": " + fsError.message();
            return false;
        }
        loadTextures(model, dataDir, warnings);
        if (options.onHex)
            loadTextures(hex, dataDir, warnings);
    }

    // The hex is in view for scale: its top, not the walls below it.
    Box fit = drawnBox(model), all = fit;
    if (options.onHex) {
        Box hexBox = drawnBox(hex);
        if (options.transparent)
            hexBox.lo[1] = std::max(hexBox.lo[1], -transparentHexDepth);
        all.add(hexBox);
        if (!hexBox.empty()) {
            const double top[2][3] = {{hexBox.lo[0], 0, hexBox.lo[2]},
                                      {hexBox.hi[0], 0, hexBox.hi[2]}};
            fit.add(top[0]);
            fit.add(top[1]);
            if (options.transparent) // the whole slab, or the picture cuts it off
                fit.add(hexBox);
        }
    }
    const View view = fitView(fit, all, options.yaw, options.pitch,
                              static_cast<double>(options.width) / options.height);
    drawPreview(view, drawn, model, options.onHex ? &hex : nullptr);
    image.width = drawn.width;
    image.height = drawn.height;
    image.rgb = readOffscreenGlPixels(gl.gl);
    if (options.transparent)
        image.alpha = readCoverage(drawn.width, drawn.height);
    if (options.supersample > 1)
        image = shrinkImage(image, options.supersample);
    return true;
}
