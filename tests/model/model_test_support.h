#pragma once
// Shared by the model tests: sample files built with the MS3D writer, and a
// scratch folder that the test runs in (textures are read from data/
// relative to the current directory).

#include "ms3d_writer.h"
#include "scratch_dir.h"

#include <string>

#include <gtest/gtest.h>

// A small but complete model: a quad (4 vertices, 2 triangles) in group 0
// with material 0, an empty group 1 with no material, and material 1 with no
// texture. Every value is distinct so that a field read from the wrong offset
// shows.
inline Ms3dFile sampleMs3d() {
    Ms3dFile file;
    file.version = 4;
    appendMs3dQuad(file, 0, -0.5f, -0.25f, 1.5f, 2.0f, 0.125f);
    for (size_t i = 0; i < file.vertices.size(); ++i) {
        file.vertices[i].boneId = static_cast<uint8_t>(10 + i);
        file.vertices[i].flags = 0xAA;
        file.vertices[i].referenceCount = 0x55;
    }
    file.triangles[0].t[0] = 0.25f;
    file.triangles[0].t[1] = 0.0f;
    file.triangles[0].t[2] = 1.0f;
    file.triangles[1].vertexNormals[2][0] = 0.6f;
    file.triangles[1].vertexNormals[2][1] = -0.8f;
    file.triangles[1].vertexNormals[2][2] = 0.0f;
    file.groups[0].name = "quad";
    file.groups[0].materialIndex = 0;
    Ms3dFileGroup empty;
    empty.name = "empty";
    empty.materialIndex = -1;
    file.groups.push_back(empty);

    Ms3dFileMaterial textured;
    textured.name = "textured";
    for (int i = 0; i < 4; ++i) {
        textured.ambient[i] = 0.1f + 0.01f * i;
        textured.diffuse[i] = 0.2f + 0.01f * i;
        textured.specular[i] = 0.3f + 0.01f * i;
        textured.emissive[i] = 0.4f + 0.01f * i;
    }
    textured.shininess = 12.5f;
    textured.transparency = 0.75f;
    textured.textureName = "land3.bmp";
    textured.alphaMapName = "alpha.bmp";
    Ms3dFileMaterial plain;
    plain.name = "plain";
    plain.shininess = 3.0f;
    file.materials = {textured, plain};
    return file;
}

inline std::vector<uint8_t> encodeOrFail(const Ms3dFile& file) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(encodeMs3d(file, bytes));
    return bytes;
}

// The parse tests' name for a scratch working folder with data/ in it.
using ScratchDirectory = ScratchWorkDir;
