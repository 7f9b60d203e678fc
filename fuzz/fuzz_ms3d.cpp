// Fuzz target: the MS3D parse over any bytes. A refused buffer must leave the
// model as it was; an accepted one must give counts that match their arrays
// (drawing bounds its loops by both), parse the same again with a texture name
// replacing every material's, and describe itself. The import's own reading
// (decodeMs3d, over what its reader child sends) must take every buffer the
// parse takes, and give a file that encodes to as many bytes, and the same
// again once read back.

#include "model/mesh_model.h"
#include "model_info.h"
#include "ms3d_writer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

bool countsMatch(const MeshModel& model) {
    if (model.vertexCount != static_cast<int32_t>(model.vertices.size()) ||
        model.triangleCount != static_cast<int32_t>(model.triangles.size()) ||
        model.groupCount != static_cast<int32_t>(model.groups.size()) ||
        model.materialCount != static_cast<int32_t>(model.materials.size()))
        return false;
    for (const MeshGroup& group : model.groups)
        if (group.triangleCount != static_cast<int32_t>(group.triangleIndices.size()))
            return false;
    for (const MeshMaterial& material : model.materials)
        if (material.textureId != 0)
            return false;
    return true;
}

bool decodedWhole(const uint8_t* data, size_t size) {
    Ms3dFile file, again;
    std::vector<uint8_t> bytes, twice;
    if (!decodeMs3d(data, size, file))
        return false;
    if (!encodeMs3d(file, bytes) || bytes.size() != size ||
        !decodeMs3d(bytes.data(), bytes.size(), again) || !encodeMs3d(again, twice) ||
        twice != bytes)
        __builtin_trap();
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const bool decoded = decodedWhole(data, size);
    Ms3dModel model;
    // Something to lose: a refused buffer must not touch it.
    model.vertices.resize(1);
    model.vertexCount = 1;
    Ms3dParseResult result;
    const bool parsed = parseMs3d(data, size, nullptr, model, &result);
    if (parsed != (result.failure == Ms3dFailure::none) || (parsed && !decoded))
        __builtin_trap();
    std::string text;
    std::string error;
    const bool described = describeModelBytes(data, size, text, error);
    if (described != parsed || (parsed ? text.empty() : error.empty()))
        __builtin_trap();
    if (!parsed) {
        if (model.vertexCount != 1 || model.vertices.size() != 1 || !model.triangles.empty() ||
            !model.groups.empty() || !model.materials.empty())
            __builtin_trap();
        return 0;
    }
    if (!countsMatch(model))
        __builtin_trap();
    findIndexProblems(model);

    // Again over the full model, with a name for every material.
    const MeshModel& first = model;
    const int32_t vertices = first.vertexCount;
    const int32_t triangles = first.triangleCount;
    const int32_t groups = first.groupCount;
    const int32_t materials = first.materialCount;
    const char* const name = (size & 1) ? "land0.bmp" : "";
    if (!parseMs3d(data, size, name, model) || !countsMatch(model) ||
        model.vertexCount != vertices || model.triangleCount != triangles ||
        model.groupCount != groups || model.materialCount != materials)
        __builtin_trap();
    for (const MeshMaterial& material : model.materials)
        if (material.textureName != name)
            __builtin_trap();
    clearModel(model);
    if (model.vertexCount != 0 || !model.vertices.empty() || model.materialCount != 0)
        __builtin_trap();
    return 0;
}
