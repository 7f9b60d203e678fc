// The description printed by `quillmark-tool model info`.

#include "model_info.h"
#include "model_test_support.h"

namespace {

bool describe(const Ms3dFile& file, std::string& text, std::string& error) {
    const std::vector<uint8_t> bytes = encodeOrFail(file);
    return describeModelBytes(bytes.data(), bytes.size(), text, error);
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(ModelInfo, DescribesCountsGroupsMaterialsAndBounds) {
    Ms3dFile file = sampleMs3d();
    file.version = 3;
    std::string text, error;
    ASSERT_TRUE(describe(file, text, error)) << error;
    for (const char* line :
         {"version 3\n", "vertices 4\n", "triangles 2\n", "groups 2\n", "materials 2\n",
          "group 0: 2 triangles, material 0\n", "group 1: 0 triangles, material -1\n",
          "material 0: ambient 0.1 0.11 0.12 0.13, diffuse 0.2 0.21 0.22 0.23, specular 0.3 "
          "0.31 0.32 0.33, emissive 0.4 0.41 0.42 0.43\n",
          "material 0: shininess 12.5, texture \"land3.bmp\"\n",
          "material 1: shininess 3, texture \"\"\n",
          "bounding box: min -0.5 -0.25 0.125, max 1.5 2 0.125\n", "out-of-range indices: none\n"})
        EXPECT_TRUE(contains(text, line)) << "missing: " << line << "in:\n" << text;
}

TEST(ModelInfo, CountsOutOfRangeIndicesWithoutRefusing) {
    Ms3dFile file = sampleMs3d();
    file.triangles[0].vertexIndices[0] = 4; // one past the last vertex
    file.triangles[1].vertexIndices[2] = 0xFFFF;
    file.groups[0].triangleIndices.push_back(2); // one past the last triangle
    file.groups[1].materialIndex = 2;            // one past the last material
    std::string text, error;
    ASSERT_TRUE(describe(file, text, error)) << error;
    EXPECT_TRUE(contains(text, "out-of-range indices: 2 vertex, 1 triangle, 1 material\n")) << text;

    Ms3dFile empty;
    ASSERT_TRUE(describe(empty, text, error));
    EXPECT_TRUE(contains(text, "bounding box: none (no vertices)\n")) << text;
}

TEST(ModelInfo, SaysWhyAFileIsRefused) {
    Ms3dFile file = sampleMs3d();
    file.version = 5;
    std::string text, error;
    EXPECT_FALSE(describe(file, text, error));
    EXPECT_TRUE(contains(error, "version 5")) << error;

    file = sampleMs3d();
    file.identifier[3] = 'X';
    EXPECT_FALSE(describe(file, text, error));
    EXPECT_TRUE(contains(error, "identifier")) << error;

    std::vector<uint8_t> bytes = encodeOrFail(sampleMs3d());
    bytes.resize(14 + 2 + 4 * 15 + 2 + 2 * 70 + 10); // inside the first group
    EXPECT_FALSE(describeModelBytes(bytes.data(), bytes.size(), text, error));
    EXPECT_TRUE(contains(error, "group section")) << error;
    EXPECT_TRUE(text.empty());
}

} // namespace
