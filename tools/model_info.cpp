#include "model_info.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace {

void appendf(std::string& text, const char* format, ...) __attribute__((format(printf, 2, 3)));

void appendf(std::string& text, const char* format, ...) {
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    text += line;
}

std::string colour(const float* rgba) {
    char text[96];
    std::snprintf(text, sizeof text, "%g %g %g %g", rgba[0], rgba[1], rgba[2], rgba[3]);
    return text;
}

} // namespace

ModelIndexProblems findIndexProblems(const MeshModel& model) {
    ModelIndexProblems problems;
    for (const MeshTriangle& triangle : model.triangles)
        for (uint32_t index : triangle.vertexIndices)
            if (index >= model.vertices.size())
                ++problems.vertexIndices;
    for (const MeshGroup& group : model.groups) {
        for (uint32_t index : group.triangleIndices)
            if (index >= model.triangles.size())
                ++problems.triangleIndices;
        if (group.materialIndex >= 0 &&
            static_cast<size_t>(group.materialIndex) >= model.materials.size())
            ++problems.materialIndices;
    }
    return problems;
}

bool readModelFileBytes(const char* path, std::vector<uint8_t>& bytes, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = std::string("cannot open ") + path + ": " + std::strerror(errno);
        return false;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0 || static_cast<unsigned long long>(size) > maxModelFileSize) {
        error = std::string(path) + ": too large to be a model";
        return false;
    }
    in.seekg(0, std::ios::beg);
    bytes.resize(static_cast<size_t>(size));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) {
        error = std::string("cannot read ") + path;
        return false;
    }
    return true;
}

std::string ms3dRefusalReason(const Ms3dParseResult& result) {
    std::string reason = describeMs3dFailure(result.failure);
    if (result.failure == Ms3dFailure::badVersion)
        reason += " (version " + std::to_string(result.version) + ")";
    return reason;
}

bool describeModelBytes(const uint8_t* data, size_t size, std::string& text, std::string& error) {
    text.clear();
    error.clear();
    Ms3dModel model;
    Ms3dParseResult result;
    if (!parseMs3d(data, size, nullptr, model, &result)) {
        error = ms3dRefusalReason(result);
        return false;
    }

    appendf(text, "version %d\n", result.version);
    appendf(text, "vertices %d\ntriangles %d\ngroups %d\nmaterials %d\n", model.vertexCount,
            model.triangleCount, model.groupCount, model.materialCount);
    for (size_t i = 0; i < model.groups.size(); ++i)
        appendf(text, "group %zu: %d triangles, material %d\n", i, model.groups[i].triangleCount,
                model.groups[i].materialIndex);
    for (size_t i = 0; i < model.materials.size(); ++i) {
        const MeshMaterial& m = model.materials[i];
        appendf(text, "material %zu: ambient %s, diffuse %s, specular %s, emissive %s\n", i,
                colour(m.ambient).c_str(), colour(m.diffuse).c_str(), colour(m.specular).c_str(),
                colour(m.emissive).c_str());
        appendf(text, "material %zu: shininess %g, texture \"%s\"\n", i, m.shininess,
                m.textureName.c_str());
    }

    if (model.vertices.empty()) {
        text += "bounding box: none (no vertices)\n";
    } else {
        float low[3], high[3];
        for (int axis = 0; axis < 3; ++axis)
            low[axis] = high[axis] = model.vertices[0].position[axis];
        for (const MeshVertex& vertex : model.vertices)
            for (int axis = 0; axis < 3; ++axis) {
                if (vertex.position[axis] < low[axis])
                    low[axis] = vertex.position[axis];
                if (vertex.position[axis] > high[axis])
                    high[axis] = vertex.position[axis];
            }
        appendf(text, "bounding box: min %g %g %g, max %g %g %g\n", low[0], low[1], low[2], high[0],
                high[1], high[2]);
    }

    const ModelIndexProblems problems = findIndexProblems(model);
    if (problems.vertexIndices + problems.triangleIndices + problems.materialIndices == 0)
        text += "out-of-range indices: none\n";
    else
        appendf(text, "out-of-range indices: %d vertex, %d triangle, %d material\n",
                problems.vertexIndices, problems.triangleIndices, problems.materialIndices);
    return true;
}
