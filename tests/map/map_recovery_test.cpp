// The recovery copy: kept while the map holds unsaved edits, never half
// written, gone after a save.

#include "hook_swap.h"
#include "map/map_file.h"
#include "map/map_recovery.h"
#include "platform/platform_hooks.h"
#include "scratch_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>

TEST(MapRecovery, TheCopyFollowsTheEditsAndAFailedWriteKeepsTheLastOneWhole) {
    const ScratchDir scratch("recovery");
    const std::string copy = (scratch.path() / "m.map.recovery").string();
    const auto bytesOf = [](const HexMap& map) {
        Bytes bytes(mapFileSize);
        encodeMapBytes(map, bytes.data());
        return bytes;
    };
    HexMap map;
    map.height.cell[2][3] = 1.5f; // as loaded
    MapRecovery recovery;
    prepareMapRecovery(recovery, map, copy, 0640);
    updateMapRecovery(recovery, map);
    EXPECT_FALSE(std::filesystem::exists(copy)) << "no edit, no copy";

    map.water.cell[7][5] = 1.0f;
    updateMapRecovery(recovery, map);
    const Bytes firstEdit = bytesOf(map);
    EXPECT_EQ(readFileBytes(copy), firstEdit);
    struct stat info;
    ASSERT_EQ(::stat(copy.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    {
        const HookSwap<decltype(PlatformHooks::writeFile)> diskFull(
            platformHooks.writeFile, [](int, const void*, size_t) -> ssize_t {
                errno = ENOSPC;
                return -1;
            });
        map.water.cell[7][5] = 2.0f;
        updateMapRecovery(recovery, map);
        EXPECT_EQ(readFileBytes(copy), firstEdit);
        EXPECT_EQ(folderEntries(scratch.path()), std::vector<std::string>{"m.map.recovery"});
    }

    map.water.cell[7][5] = 0.0f; // undone by cycling: the map file holds it all
    updateMapRecovery(recovery, map);
    EXPECT_FALSE(std::filesystem::exists(copy));

    // A failed save leaves the latest edits in the copy; a good one removes it.
    map.unit.cell[0][0] = 3.0f;
    EXPECT_TRUE(finishMapRecovery(recovery, map, false));
    EXPECT_EQ(readFileBytes(copy), bytesOf(map));
    prepareMapRecovery(recovery, HexMap{}, copy, 0640);
    updateMapRecovery(recovery, map);
    EXPECT_FALSE(finishMapRecovery(recovery, map, true));
    EXPECT_FALSE(std::filesystem::exists(copy));
}
