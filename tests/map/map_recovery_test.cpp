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

TEST(MapRecovery, EveryCopySetAsideIsKeptAndALinkAtTheCopysNameIsNeverFollowed) {
    const ScratchDir scratch("recovery");
    const std::string copy = (scratch.path() / "m.map.recovery").string();
    const std::string recovered = (scratch.path() / "m.map.recovered").string();
    std::string setAside;
    EXPECT_EQ(setAsideEarlierCopy(copy, recovered, setAside), LeftCopy::none);

    // Two runs in a row end unsaved: the first one's edits stay where they
    // were set aside, and the second's take the next free name.
    for (const std::string& expected : {recovered, recovered + ".1", recovered + ".2"}) {
        writeFileBytes(copy, Bytes(mapFileSize, static_cast<uint8_t>(expected.size())));
        EXPECT_EQ(setAsideEarlierCopy(copy, recovered, setAside), LeftCopy::renamed);
        EXPECT_EQ(setAside, expected);
    }
    EXPECT_EQ(readFileBytes(recovered), Bytes(mapFileSize, static_cast<uint8_t>(recovered.size())));
    EXPECT_EQ(readFileBytes(recovered + ".1"), Bytes(mapFileSize, recovered.size() + 2));

    // A link planted at the copy's name: not set aside, never written
    // through, said once, and left in place at the end.
    const std::string victim = scratch.file("victim", Bytes{'k', 'e', 'e', 'p'});
    std::filesystem::create_symlink(victim, copy);
    EXPECT_EQ(setAsideEarlierCopy(copy, recovered, setAside), LeftCopy::notACopy);
    HexMap map;
    MapRecovery recovery;
    prepareMapRecovery(recovery, map, copy, 0600);
    testing::internal::CaptureStderr();
    for (float edit : {1.0f, 2.0f}) {
        map.height.cell[1][1] = edit;
        updateMapRecovery(recovery, map);
    }
    EXPECT_FALSE(finishMapRecovery(recovery, map, false));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said, "quillmark: cannot keep the recovery copy " + copy +
                        ": a symbolic link is at its name, and is left alone\n");
    EXPECT_EQ(readFileBytes(victim), (Bytes{'k', 'e', 'e', 'p'}));
    EXPECT_TRUE(std::filesystem::is_symlink(copy));
}
