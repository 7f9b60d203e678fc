// Drawing a model in immediate mode, and creating its textures.

#include "image/bmp_image.h"
#include "model/mesh_model.h"
#include "platform/gl_context.h"

#include <GL/gl.h>
#include <memory>
#include <string>

namespace {

// Number of entries safe to visit: the count, limited by what the container
// really holds.
size_t boundedCount(int32_t count, size_t size) {
    if (count <= 0)
        return 0;
    return static_cast<size_t>(count) < size ? static_cast<size_t>(count) : size;
}

// A triangle is drawn only when it and all three of its vertices exist.
const MeshTriangle* drawableTriangle(const MeshModel& model, uint32_t index, size_t triangleLimit,
                                     size_t vertexLimit) {
    if (index >= triangleLimit)
        return nullptr;
    const MeshTriangle& triangle = model.triangles[index];
    for (uint32_t vertexIndex : triangle.vertexIndices)
        if (vertexIndex >= vertexLimit)
            return nullptr;
    return &triangle;
}

} // namespace

void MeshModel::drawModel() const {
    const GLboolean textureWasEnabled = glIsEnabled(GL_TEXTURE_2D);
    const size_t materialLimit = boundedCount(materialCount, materials.size());
    const size_t triangleLimit = boundedCount(triangleCount, triangles.size());
    const size_t vertexLimit = boundedCount(vertexCount, vertices.size());

    for (size_t g = 0; g < boundedCount(groupCount, groups.size()); ++g) {
        const MeshGroup& group = groups[g];
        // A material index past the end is treated like "no material".
        if (group.materialIndex < 0 || static_cast<size_t>(group.materialIndex) >= materialLimit) {
            glDisable(GL_TEXTURE_2D);
        } else {
            const MeshMaterial& material = materials[group.materialIndex];
            glMaterialfv(GL_FRONT, GL_AMBIENT, material.ambient);
            glMaterialfv(GL_FRONT, GL_DIFFUSE, material.diffuse);
            glMaterialfv(GL_FRONT, GL_SPECULAR, material.specular);
            glMaterialfv(GL_FRONT, GL_EMISSION, material.emissive);
            glMaterialf(GL_FRONT, GL_SHININESS, material.shininess);
            if (material.textureId != 0) {
                glBindTexture(GL_TEXTURE_2D, material.textureId);
                glEnable(GL_TEXTURE_2D);
            } else {
                glDisable(GL_TEXTURE_2D);
            }
        }

        glBegin(GL_TRIANGLES);
        const size_t indexLimit = boundedCount(group.triangleCount, group.triangleIndices.size());
        for (size_t k = 0; k < indexLimit; ++k) {
            const MeshTriangle* triangle =
                drawableTriangle(*this, group.triangleIndices[k], triangleLimit, vertexLimit);
            if (!triangle)
                continue;
            for (int corner = 0; corner < 3; ++corner) {
                glNormal3fv(triangle->vertexNormals[corner]);
                glTexCoord2f(triangle->s[corner], triangle->t[corner]);
                glVertex3fv(vertices[triangle->vertexIndices[corner]].position);
            }
        }
        glEnd();
    }

    if (textureWasEnabled)
        glEnable(GL_TEXTURE_2D);
    else
        glDisable(GL_TEXTURE_2D);
}

void MeshModel::reloadTextures() {
    // Earlier texture names are overwritten, not deleted.
    for (MeshMaterial& material : materials)
        material.textureId =
            material.textureName.empty() ? 0 : loadTexture(material.textureName.c_str());
}

uint32_t loadTexture(const char* name) {
    if (!name)
        return 0;
    const std::string path = std::string("data/") + name;
    std::unique_ptr<RgbImage> image = loadBmpImage(path.c_str());
    if (!image || image->data.empty() || image->width <= 0 || image->height <= 0)
        return 0;
    // Never hand GL fewer bytes than the size it is told.
    const size_t needed =
        static_cast<size_t>(image->width) * static_cast<size_t>(image->height) * 3;
    if (image->data.size() < needed)
        return 0;
    // The asset set loads before the window exists; GL calls then would go
    // nowhere (or worse, on drivers that do not tolerate them).
    if (!glContextIsCurrent())
        return 0;

    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    // Decoded rows are tightly packed; GL's default alignment of 4 would
    // misread rows whose length is not a multiple of 4 bytes.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    // The image's first (bottom) row becomes the texture's row at t = 0.
    glTexImage2D(GL_TEXTURE_2D, 0, 3, image->width, image->height, 0, GL_RGB, GL_UNSIGNED_BYTE,
                 image->data.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    return texture;
}
