// quillmark-tool make-assets from the command line.

#include "assets_test_support.h"

#include <cstdlib>

namespace {

int runTool(const std::string& arguments) {
    const std::string command = std::string(QUILLMARK_TOOL_PATH) + " " + arguments;
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class MakeAssetsTool : public ScratchGameFolder {};

} // namespace

TEST_F(MakeAssetsTool, WritesTheFolderAndKeepsAMapOnTheSecondRun) {
    const std::string dir = (root / "game").string();
    ASSERT_EQ(runTool("make-assets --quiet '" + dir + "' >out.txt 2>err.txt"), 0);
    EXPECT_TRUE(readBytes("out.txt").empty());
    EXPECT_TRUE(std::filesystem::exists(root / "game/data/Hexagon.ms3d"));
    EXPECT_TRUE(std::filesystem::exists(root / "game/data/guy0000.ms3d"));
    writeBytes(root / "game/data/quillmark.map", {1, 2, 3, 4});
    ASSERT_EQ(runTool("make-assets '" + dir + "' >out.txt 2>err.txt"), 0);
    const auto out = readBytes("out.txt");
    const std::string text(out.begin(), out.end());
    EXPECT_NE(text.find("data/object0000.ms3d"), std::string::npos);
    EXPECT_NE(text.find("kept as it was"), std::string::npos);
    EXPECT_EQ(readBytes(root / "game/data/quillmark.map"), (std::vector<uint8_t>{1, 2, 3, 4}));
}

TEST_F(MakeAssetsTool, UsageErrorsAndFailuresExitNonZero) {
    EXPECT_EQ(runTool("make-assets >out.txt 2>err.txt"), 2);
    EXPECT_FALSE(readBytes("err.txt").empty());
    EXPECT_EQ(runTool("make-assets a b >out.txt 2>err.txt"), 2);
    EXPECT_EQ(runTool("make-assets --help >out.txt 2>err.txt"), 0);
    EXPECT_FALSE(readBytes("out.txt").empty());
    writeBytes("blocker", {1});
    EXPECT_EQ(runTool("make-assets blocker/game >out.txt 2>err.txt"), 1);
    const auto err = readBytes("err.txt");
    EXPECT_NE(std::string(err.begin(), err.end()).find("cannot create"), std::string::npos);
}
