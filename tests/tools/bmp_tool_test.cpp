// quillmark-tool bmp, run as a user would.

#include "run_command.h"
#include "scratch_dir.h"

#include <gtest/gtest.h>
#include <stb/stb_image.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

namespace {

const std::filesystem::path suiteDir = QUILLMARK_BMPSUITE_DIR;

TEST(BmpTool, PngMatchesTheReferencePicture) {
    ScratchDir dir;
    const std::string out = (dir.path() / "rgb24.png").string();
    ASSERT_EQ(runTool("bmp png \"" + (suiteDir / "g" / "rgb24.bmp").string() + "\" \"" + out + "\"")
                  .status,
              0);
    int width = 0, height = 0, channels = 0;
    using Pixels = std::unique_ptr<uint8_t, void (*)(void*)>;
    Pixels written(stbi_load(out.c_str(), &width, &height, &channels, 3), stbi_image_free);
    ASSERT_NE(written, nullptr);
    int refWidth = 0, refHeight = 0;
    Pixels reference(stbi_load((suiteDir / "html" / "rgb24.png").string().c_str(), &refWidth,
                               &refHeight, &channels, 3),
                     stbi_image_free);
    ASSERT_NE(reference, nullptr);
    ASSERT_EQ(width, refWidth);
    ASSERT_EQ(height, refHeight);
    EXPECT_EQ(std::memcmp(written.get(), reference.get(), size_t(width) * height * 3), 0);

    // A refused file writes nothing and fails.
    const std::string refused = (dir.path() / "v5.png").string();
    EXPECT_EQ(
        runTool("bmp png \"" + (suiteDir / "g" / "pal8v5.bmp").string() + "\" \"" + refused + "\"")
            .status,
        1);
    EXPECT_FALSE(std::filesystem::exists(refused));
    EXPECT_EQ(runTool("bmp info \"" + (suiteDir / "g" / "pal8rle.bmp").string() + "\"").status, 0);
    EXPECT_NE(runTool("bmp info \"" + (dir.path() / "missing.bmp").string() + "\"").status, 0);
    EXPECT_EQ(runTool("bmp --help").status, 0);
    EXPECT_NE(runTool("bmp png onlyone.bmp").status, 0);
}

} // namespace
