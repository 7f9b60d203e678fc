#pragma once
// A text description of an MS3D model file, for `quillmark-tool model info`.

#include "model/mesh_model.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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

// The whole model file, refused before reading when it is larger than the
// loader accepts. On failure `error` says why, naming the file.
bool readModelFileBytes(const char* path, std::vector<uint8_t>& bytes, std::string& error);

// Why the loader refused a buffer, e.g. "unsupported version (only 3 and 4
// are read) (version 7)".
std::string ms3dRefusalReason(const Ms3dParseResult& result);
