// quillmark-tool make-assets from the command line.

#include "run_command.h"
#include "scratch_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class MakeAssetsTool : public ::testing::Test {
  protected:
    ScratchWorkDir work{"assets"};
    const std::filesystem::path root = work.path();
};

} // namespace

TEST_F(MakeAssetsTool, WritesTheFolderAndKeepsAMapOnTheSecondRun) {
    const std::string dir = (root / "game").string();
    CommandResult run = runTool("make-assets --quiet '" + dir + "'");
    ASSERT_EQ(run.status, 0);
    EXPECT_TRUE(run.out.empty());
    EXPECT_TRUE(std::filesystem::exists(root / "game/data/Hexagon.ms3d"));
    EXPECT_TRUE(std::filesystem::exists(root / "game/data/guy0000.ms3d"));
    writeFileBytes(root / "game/data/quillmark.map", {1, 2, 3, 4});
    run = runTool("make-assets '" + dir + "'");
    ASSERT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("data/object0000.ms3d"), std::string::npos);
    EXPECT_NE(run.out.find("kept as it was"), std::string::npos);
    EXPECT_EQ(readFileBytes(root / "game/data/quillmark.map"), (Bytes{1, 2, 3, 4}));

    // A game folder the launcher keeps: refused, and nothing written.
    std::filesystem::remove(root / "game/data/land0.bmp");
    writeFileBytes(root / "game/data/.quillmark-defaults", {});
    run = runTool("make-assets '" + dir + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("launcher keeps"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(root / "game/data/land0.bmp"));
}

TEST_F(MakeAssetsTool, UsageErrorsAndFailuresExitNonZero) {
    CommandResult run = runTool("make-assets");
    EXPECT_EQ(run.status, 2);
    EXPECT_FALSE(run.err.empty());
    EXPECT_EQ(runTool("make-assets a b").status, 2);
    run = runTool("make-assets --help");
    EXPECT_EQ(run.status, 0);
    EXPECT_FALSE(run.out.empty());
    writeFileBytes("blocker", {1});
    run = runTool("make-assets blocker/game");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("cannot create"), std::string::npos);
}
