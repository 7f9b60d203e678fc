// Reading MS3D files: header checks, field decoding, texture-name override
// and refusal of truncated input; and the little-endian reader and writer
// the loader and the MS3D writer share.

#include "model/mesh_model.h"
#include "model_test_support.h"
#include "platform/byte_io.h"

#include <fstream>

namespace {

bool parse(const std::vector<uint8_t>& bytes, MeshModel& model, const char* textureName = nullptr,
           Ms3dParseResult* result = nullptr) {
    return parseMs3d(bytes.data(), bytes.size(), textureName, model, result);
}

void expectCountsMatchContainers(const MeshModel& model) {
    EXPECT_EQ(model.vertexCount, static_cast<int32_t>(model.vertices.size()));
    EXPECT_EQ(model.triangleCount, static_cast<int32_t>(model.triangles.size()));
    EXPECT_EQ(model.groupCount, static_cast<int32_t>(model.groups.size()));
    EXPECT_EQ(model.materialCount, static_cast<int32_t>(model.materials.size()));
    for (const MeshGroup& group : model.groups)
        EXPECT_EQ(group.triangleCount, static_cast<int32_t>(group.triangleIndices.size()));
}

void expectEmpty(const MeshModel& model) {
    EXPECT_EQ(model.vertexCount, 0);
    EXPECT_EQ(model.triangleCount, 0);
    EXPECT_EQ(model.groupCount, 0);
    EXPECT_EQ(model.materialCount, 0);
    EXPECT_TRUE(model.vertices.empty());
    EXPECT_TRUE(model.triangles.empty());
    EXPECT_TRUE(model.groups.empty());
    EXPECT_TRUE(model.materials.empty());
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

TEST(Ms3dParse, EmptyModelOfEitherVersionLoads) {
    for (int32_t version : {3, 4}) {
        Ms3dFile file;
        file.version = version;
        Ms3dModel model;
        Ms3dParseResult result;
        ASSERT_TRUE(parse(encodeOrFail(file), model, nullptr, &result)) << version;
        EXPECT_EQ(result.version, version);
        EXPECT_EQ(result.failure, Ms3dFailure::none);
        expectEmpty(model);
    }
}

TEST(Ms3dParse, RefusesOtherVersionsAndAnyWrongIdentifierByte) {
    // A model that was already filled must come through a refusal untouched.
    Ms3dModel model;
    ASSERT_TRUE(parse(encodeOrFail(sampleMs3d()), model));

    for (int32_t version : {2, 5, 0, -1, 0x7FFFFFFF}) {
        Ms3dFile file = sampleMs3d();
        file.version = version;
        Ms3dParseResult result;
        EXPECT_FALSE(parse(encodeOrFail(file), model, nullptr, &result)) << version;
        EXPECT_EQ(result.failure, Ms3dFailure::badVersion);
        EXPECT_EQ(result.version, version);
    }
    const std::vector<uint8_t> good = encodeOrFail(sampleMs3d());
    for (size_t i = 0; i < 10; ++i) {
        for (uint8_t flip : {0x01, 0x20, 0x80}) {
            std::vector<uint8_t> bytes = good;
            bytes[i] ^= flip;
            Ms3dParseResult result;
            EXPECT_FALSE(parse(bytes, model, nullptr, &result)) << "byte " << i;
            EXPECT_EQ(result.failure, Ms3dFailure::badIdentifier);
        }
    }
    EXPECT_EQ(model.vertexCount, 4);
    EXPECT_EQ(model.groupCount, 2);
    expectCountsMatchContainers(model);
}

TEST(Ms3dParse, DecodesEveryFieldFromItsOffset) {
    Ms3dModel model;
    ASSERT_TRUE(parse(encodeOrFail(sampleMs3d()), model));
    expectCountsMatchContainers(model);
    ASSERT_EQ(model.vertexCount, 4);
    ASSERT_EQ(model.triangleCount, 2);
    ASSERT_EQ(model.groupCount, 2);
    ASSERT_EQ(model.materialCount, 2);

    EXPECT_EQ(model.vertices[0].boneId, 10);
    EXPECT_EQ(model.vertices[3].boneId, 13);
    EXPECT_FLOAT_EQ(model.vertices[0].position[0], -0.5f);
    EXPECT_FLOAT_EQ(model.vertices[0].position[1], -0.25f);
    EXPECT_FLOAT_EQ(model.vertices[2].position[0], 1.5f);
    EXPECT_FLOAT_EQ(model.vertices[2].position[1], 2.0f);
    EXPECT_FLOAT_EQ(model.vertices[2].position[2], 0.125f);

    // The file's t is stored flipped; s and the normals are unchanged.
    const MeshTriangle& first = model.triangles[0];
    EXPECT_FLOAT_EQ(first.t[0], 0.75f);
    EXPECT_FLOAT_EQ(first.t[1], 1.0f);
    EXPECT_FLOAT_EQ(first.t[2], 0.0f);
    EXPECT_FLOAT_EQ(first.s[1], 1.0f);
    EXPECT_EQ(first.vertexIndices[0], 0u);
    EXPECT_EQ(first.vertexIndices[1], 1u);
    EXPECT_EQ(first.vertexIndices[2], 2u);
    const MeshTriangle& second = model.triangles[1];
    EXPECT_FLOAT_EQ(second.vertexNormals[2][0], 0.6f);
    EXPECT_FLOAT_EQ(second.vertexNormals[2][1], -0.8f);
    EXPECT_FLOAT_EQ(second.vertexNormals[0][2], 1.0f);
    EXPECT_EQ(second.vertexIndices[2], 3u);

    EXPECT_EQ(model.groups[0].materialIndex, 0);
    EXPECT_EQ(model.groups[0].triangleIndices, (std::vector<uint32_t>{0, 1}));
    EXPECT_EQ(model.groups[1].materialIndex, -1);
    EXPECT_EQ(model.groups[1].triangleCount, 0);

    const MeshMaterial& textured = model.materials[0];
    EXPECT_FLOAT_EQ(textured.ambient[0], 0.1f);
    EXPECT_FLOAT_EQ(textured.ambient[3], 0.13f);
    EXPECT_FLOAT_EQ(textured.diffuse[1], 0.21f);
    EXPECT_FLOAT_EQ(textured.specular[2], 0.32f);
    EXPECT_FLOAT_EQ(textured.emissive[3], 0.43f);
    EXPECT_FLOAT_EQ(textured.shininess, 12.5f);
    EXPECT_EQ(textured.textureName, "land3.bmp");
    EXPECT_EQ(textured.textureId, 0u);
    EXPECT_FLOAT_EQ(model.materials[1].shininess, 3.0f);
    EXPECT_EQ(model.materials[1].textureName, "");
}

TEST(Ms3dParse, IndicesAreZeroExtendedAndMaterialIndexSignExtended) {
    Ms3dFile file = sampleMs3d();
    file.triangles[1].vertexIndices[1] = 0xFFFF;
    file.groups[0].triangleIndices.push_back(0x8000);
    file.groups[0].materialIndex = -1; // the byte 0xFF
    file.groups[1].materialIndex = 0x7F;
    file.groups[1].triangleIndices = {0xFFFF};
    Ms3dModel model;
    ASSERT_TRUE(parse(encodeOrFail(file), model)); // not checked against the counts
    EXPECT_EQ(model.triangles[1].vertexIndices[1], 65535u);
    EXPECT_EQ(model.groups[0].triangleIndices.back(), 32768u);
    EXPECT_EQ(model.groups[0].materialIndex, -1);
    EXPECT_EQ(model.groups[1].materialIndex, 127);
    EXPECT_EQ(model.groups[1].triangleIndices, (std::vector<uint32_t>{65535}));

    file.groups[0].materialIndex = static_cast<int8_t>(0x80);
    ASSERT_TRUE(parse(encodeOrFail(file), model));
    EXPECT_EQ(model.groups[0].materialIndex, -128);
}

TEST(Ms3dParse, GivenTextureNameReplacesEveryMaterialsName) {
    const std::vector<uint8_t> bytes = encodeOrFail(sampleMs3d());
    Ms3dModel model;
    ASSERT_TRUE(parse(bytes, model, "water.bmp"));
    ASSERT_EQ(model.materials.size(), 2u);
    EXPECT_EQ(model.materials[0].textureName, "water.bmp");
    EXPECT_EQ(model.materials[1].textureName, "water.bmp"); // empty in the file

    // An empty given name also wins over the file's names.
    ASSERT_TRUE(parse(bytes, model, ""));
    EXPECT_EQ(model.materials[0].textureName, "");
    EXPECT_EQ(model.materials[1].textureName, "");

    ASSERT_TRUE(parse(bytes, model, nullptr));
    EXPECT_EQ(model.materials[0].textureName, "land3.bmp");
    EXPECT_EQ(model.materials[1].textureName, "");
}

TEST(Ms3dParse, TextureNameFillingItsFieldKeepsAll128Bytes) {
    Ms3dFile file = sampleMs3d();
    file.materials[0].textureName = std::string(128, 'x');
    file.materials[0].alphaMapName = "must-not-be-appended";
    file.materials[1].textureName = std::string(127, 'y');
    Ms3dModel model;
    ASSERT_TRUE(parse(encodeOrFail(file), model));
    EXPECT_EQ(model.materials[0].textureName, std::string(128, 'x'));
    EXPECT_EQ(model.materials[1].textureName, std::string(127, 'y'));
}

TEST(Ms3dParse, BytesAfterTheMaterialSectionAreIgnored) {
    Ms3dFile file = sampleMs3d();
    Ms3dModel plain;
    ASSERT_TRUE(parse(encodeOrFail(file), plain));
    file.trailer.assign(1000, 0xEE);
    Ms3dModel trailed;
    ASSERT_TRUE(parse(encodeOrFail(file), trailed));
    ASSERT_EQ(trailed.vertexCount, plain.vertexCount);
    ASSERT_EQ(trailed.materialCount, plain.materialCount);
    EXPECT_FLOAT_EQ(trailed.materials[1].shininess, plain.materials[1].shininess);
    EXPECT_EQ(trailed.materials[1].textureName, plain.materials[1].textureName);
}

// Cut the file after every byte: each cut must be refused, with the section
// the cut falls in, and must not read past the end (AddressSanitizer checks
// that: the prefix is copied into a buffer of exactly its size).
TEST(Ms3dParse, RefusesTheFileCutAtAnyByte) {
    const Ms3dFile file = sampleMs3d();
    const std::vector<uint8_t> bytes = encodeOrFail(file);
    const size_t vertexEnd = 14 + 2 + 4 * 15;
    const size_t triangleEnd = vertexEnd + 2 + 2 * 70;
    const size_t groupEnd = triangleEnd + 2 + (36 + 2 * 2) + 36;
    ASSERT_EQ(bytes.size(), groupEnd + 2 + 2 * 361);

    for (size_t length = 0; length < bytes.size(); ++length) {
        const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + length);
        Ms3dModel model;
        Ms3dParseResult result;
        ASSERT_FALSE(parseMs3d(length ? cut.data() : nullptr, length, nullptr, model, &result))
            << length;
        expectEmpty(model);
        Ms3dFailure expected = Ms3dFailure::truncatedMaterials;
        if (length < 14)
            expected = Ms3dFailure::truncatedHeader;
        else if (length < vertexEnd)
            expected = Ms3dFailure::truncatedVertices;
        else if (length < triangleEnd)
            expected = Ms3dFailure::truncatedTriangles;
        else if (length < groupEnd)
            expected = Ms3dFailure::truncatedGroups;
        EXPECT_EQ(result.failure, expected) << "cut at " << length;
    }
    Ms3dModel model;
    EXPECT_TRUE(parse(bytes, model));
}

TEST(Ms3dParse, RefusesCountsThatRunPastTheEnd) {
    // A group that claims more triangle indices than the file has.
    Ms3dFile file;
    Ms3dFileGroup group;
    group.triangleIndices.assign(3, 0);
    file.groups.push_back(group);
    std::vector<uint8_t> bytes = encodeOrFail(file);
    const size_t countOffset = 14 + 2 + 2 + 2 + 33;
    bytes[countOffset] = 0xFF;
    bytes[countOffset + 1] = 0xFF;
    Ms3dModel model;
    Ms3dParseResult result;
    EXPECT_FALSE(parse(bytes, model, nullptr, &result));
    EXPECT_EQ(result.failure, Ms3dFailure::truncatedGroups);

    // A vertex count of 65535 in an otherwise empty file.
    Ms3dFile empty;
    bytes = encodeOrFail(empty);
    bytes[14] = 0xFF;
    bytes[15] = 0xFF;
    EXPECT_FALSE(parse(bytes, model, nullptr, &result));
    EXPECT_EQ(result.failure, Ms3dFailure::truncatedVertices);
    expectEmpty(model);
}

TEST(Ms3dLoad, LoadsFromFileAndLeavesTheModelEmptyOnFailure) {
    ScratchDirectory scratch;
    ASSERT_TRUE(writeMs3dFile(sampleMs3d(), "data/Sample.ms3d"));
    Ms3dFile badVersion = sampleMs3d();
    badVersion.version = 5;
    ASSERT_TRUE(writeMs3dFile(badVersion, "data/Bad.ms3d"));
    std::vector<uint8_t> cut = encodeOrFail(sampleMs3d());
    cut.resize(cut.size() - 1);
    writeBytes("data/Cut.ms3d", cut);
    writeBytes("data/Empty.ms3d", {});

    // No GL context here: the texture land3.bmp does not exist, and even if
    // it did no texture could be made; the load still succeeds.
    Ms3dModel model;
    ASSERT_TRUE(model.loadModel("data/Sample.ms3d", nullptr));
    EXPECT_EQ(model.vertexCount, 4);
    EXPECT_EQ(model.materials[0].textureName, "land3.bmp");
    EXPECT_EQ(model.materials[0].textureId, 0u);

    for (const char* path :
         {"data/Bad.ms3d", "data/Cut.ms3d", "data/Empty.ms3d", "data/Missing.ms3d", "data"}) {
        Ms3dModel fresh;
        EXPECT_FALSE(fresh.loadModel(path, nullptr)) << path;
        expectEmpty(fresh);
    }
    // Even a model that held data is empty after a failed load.
    EXPECT_FALSE(model.loadModel("data/Cut.ms3d", nullptr));
    expectEmpty(model);
    EXPECT_FALSE(model.loadModel(nullptr, nullptr));
}

TEST(Ms3dLoad, ClearModelReleasesEverything) {
    Ms3dModel model;
    ASSERT_TRUE(parse(encodeOrFail(sampleMs3d()), model));
    clearModel(model);
    expectEmpty(model);
}

// The bytes as a file must hold them (so the writer and the reader cannot
// share a mistake unseen), read back; a read that would pass the end, however
// far, is refused and leaves the cursor and the value as they were.
TEST(ByteIo, WritesLittleEndianReadsItBackAndRefusesPastTheEnd) {
    std::vector<uint8_t> bytes;
    ByteWriter put{bytes};
    put.u8(0xA1);
    put.u16(0x1234);
    put.u32(0x89ABCDEF);
    put.i32(-2);
    put.f32(-2.5f);
    put.text("ab", 4);
    put.text("xyz", 2);
    put.raw("q", 1);
    put.fill(1, 0xEE);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0xA1, 0x34, 0x12, 0xEF, 0xCD, 0xAB, 0x89, 0xFE,
                                           0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x20, 0xC0, 'a',
                                           'b',  0,    0,    'x',  'y',  'q',  0xEE}));

    ByteReader reader{bytes.data(), bytes.size()};
    uint16_t u16 = 0;
    uint32_t u32 = 0;
    int32_t i32 = 0;
    float f32 = 0;
    ASSERT_TRUE(reader.skip(1));
    ASSERT_TRUE(reader.u16(u16));
    EXPECT_EQ(u16, 0x1234);
    ASSERT_TRUE(reader.u32(u32));
    EXPECT_EQ(u32, 0x89ABCDEFu);
    ASSERT_TRUE(reader.i32(i32));
    EXPECT_EQ(i32, -2);
    ASSERT_TRUE(reader.f32(f32));
    EXPECT_EQ(f32, -2.5f);
    ASSERT_EQ(reader.take(5), bytes.data() + 15);
    ASSERT_EQ(reader.left(), 3u);
    EXPECT_FALSE(reader.u32(u32));
    EXPECT_EQ(u32, 0x89ABCDEFu);
    EXPECT_EQ(reader.take(4), nullptr);
    EXPECT_FALSE(reader.skip(SIZE_MAX));
    EXPECT_FALSE(reader.has(SIZE_MAX));
    EXPECT_EQ(reader.left(), 3u);
    ASSERT_TRUE(reader.u16(u16));
    EXPECT_EQ(u16, 'y' | 'q' << 8);
    EXPECT_FALSE(reader.u16(u16));
    EXPECT_EQ(u16, 'y' | 'q' << 8);
    EXPECT_EQ(reader.take(1), bytes.data() + 22);
    EXPECT_EQ(reader.left(), 0u);
}

} // namespace
