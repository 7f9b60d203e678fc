#pragma once
// A text description of an MS3D model file, for `quillmark-tool model info`.

#include "model/mesh_model.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Indices that point past the end of their arrays: drawing skips such
// triangles and treats such materials as none.
struct ModelIndexProblems {
    int vertexIndices = 0;   // triangle corners naming a missing vertex
    int triangleIndices = 0; // group entries naming a missing triangle
    int materialIndices = 0; // groups naming a missing material (negative means none)
};

ModelIndexProblems findIndexProblems(const MeshModel& model);

// Parses the file's bytes and describes them: version, counts, groups,
// materials, bounding box and out-of-range indices. On a refused file,
// returns false with the reason in `error`.
bool describeModelBytes(const uint8_t* data, size_t size, std::string& text, std::string& error);
