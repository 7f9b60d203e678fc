// quillmark-tool map check, diff and set, and maps under git.

#include "map/map_file.h"
#include "platform/file_lock.h"
#include "run_command.h"
#include "scratch_dir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

float floatOf(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::string saveMap(const ScratchDir& dir, const std::string& name, const HexMap& map) {
    HexMap loaded = map;
    loaded.loadState = MapLoadState::loaded;
    const std::string path = (dir.path() / name).string();
    EXPECT_TRUE(saveMapTo(loaded, path)) << path;
    return path;
}

// The last line of a tool's output, which ends in a newline.
std::string lastLine(const std::string& out) {
    const size_t start = out.rfind('\n', out.size() - 2);
    return out.substr(start + 1, out.size() - start - 2);
}

} // namespace

TEST(MapCheck, ListsEachOddValueOnceAgainstTheModelsOfTheDataFolder) {
    const ScratchDir scratch("check");
    const fs::path data = scratch.path() / "models";
    fs::create_directory(data);
    // Three objects, then a gap: object0004 is never loaded. One unit.
    for (const char* name : {"object0000.ms3d", "object0001.ms3d", "object0002.ms3d",
                             "object0004.ms3d", "guy0000.ms3d"})
        writeFileBytes(data / name, {});

    HexMap map;
    map.height.cell[0][0] = 3.0f; // every value here is fine...
    map.height.cell[0][1] = -0.0f;
    map.water.cell[0][2] = 7.0f;
    map.object.cell[0][3] = 3.0f; // equal to the count
    map.unit.cell[0][4] = 1.0f;
    map.height.cell[1][0] = 2.25f; // ...and every one here is not
    map.height.cell[1][1] = 3.5f;
    map.water.cell[1][2] = 1.5f;
    map.water.cell[1][3] = floatOf(0x7f800001); // two reasons, one line
    map.object.cell[1][4] = 4.0f;
    map.object.cell[1][5] = -1.0f;
    map.unit.cell[1][6] = 2.0f;
    map.unit.cell[1][7] = -INFINITY;
    const std::string path = saveMap(scratch, "odd.map", map);

    CommandResult run = runTool("map check " + path + " --data " + data.string());
    EXPECT_EQ(run.status, 1) << run.err;
    const char* const dataNote = " (the object models in the data folder)\n";
    EXPECT_EQ(run.out, std::string("row 1 column 0 height 2.25: not one of the heights 0, 0.5, "
                                   "..., 3\n") +
                           "row 1 column 1 height 3.5: not one of the heights 0, 0.5, ..., 3\n"
                           "row 1 column 2 water 1.5: not a whole number from 0 to 7\n"
                           "row 1 column 3 water nan(0x7f800001): not finite; not a whole "
                           "number from 0 to 7\n"
                           "row 1 column 4 object 4: not a whole number from 0 to 3" +
                           dataNote + "row 1 column 5 object -1: not a whole number from 0 to 3" +
                           dataNote +
                           "row 1 column 6 unit 2: not a whole number from 0 to 1 (the unit "
                           "models in the data folder)\n"
                           "row 1 column 7 unit -inf: not finite; not a whole number from 0 to "
                           "1 (the unit models in the data folder)\n"
                           "8 findings\n");

    // The data folder defaults to the map's own folder; a clean map passes.
    HexMap clean;
    clean.object.cell[5][5] = 3.0f;
    run = runTool("map check " + saveMap(scratch, "models/clean.map", clean));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "0 findings\n");

    // A file of the wrong size is a finding of its own; none at all is trouble.
    writeFileBytes(scratch.path() / "short.map", Bytes(1000));
    run = runTool("map check " + (scratch.path() / "short.map").string());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("1000 bytes, not 2640; values beyond its end read as 0"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(lastLine(run.out), "1 finding");
    EXPECT_EQ(runTool("map check " + (scratch.path() / "absent.map").string()).status, 2);
}

TEST(MapDiff, ShowsEveryValueWhoseBitsDiffer) {
    const ScratchDir scratch("diff");
    HexMap before;
    before.height.cell[2][3] = floatOf(0x7fc00001);
    const std::string a = saveMap(scratch, "a.map", before);
    CommandResult run = runTool("map diff " + a + " " + a);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "0 differences\n");

    HexMap after = before;
    after.height.cell[2][3] = floatOf(0x7fc00002); // NaN payloads differ
    after.water.cell[0][0] = -0.0f;                // -0 is not 0
    after.unit.cell[14][10] = 12.0f;
    run = runTool("map diff " + a + " " + saveMap(scratch, "b.map", after));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "row 2 column 3 height: nan(0x7fc00001) -> nan(0x7fc00002)\n"
                       "row 0 column 0 water: 0 -> -0\n"
                       "row 14 column 10 unit: 0 -> 12\n"
                       "3 differences\n");
    EXPECT_EQ(runTool("map diff " + a + " " + (scratch.path() / "absent.map").string()).status, 2);
}

TEST(MapSet, WritesThroughAFileMountedOverTheMap) {
    // As containers do: no rename can replace a mount point (EBUSY).
    if (runShell("unshare -m true 2>/dev/null") != 0)
        GTEST_SKIP() << "no mount namespace to be had";
    const ScratchDir scratch("set");
    const std::string source = saveMap(scratch, "source.map", HexMap{});
    const std::string path = saveMap(scratch, "m.map", HexMap{});
    EXPECT_EQ(
        runShell("unshare -m sh -c " +
                 shellQuote("mount --make-rprivate / && mount --bind " + source + " " + path +
                            " && " + quillmarkToolPath() + " map set " + path + " 0 0 unit 1")),
        0);
    EXPECT_NE(readFileBytes(source), readFileBytes(path));
    EXPECT_EQ(folderEntries(scratch.path()), (std::vector<std::string>{"m.map", "source.map"}));
}

TEST(MapSet, ChecksEveryArgumentBeforeWritingAny) {
    const ScratchDir scratch("set");
    const std::string path = saveMap(scratch, "m.map", HexMap{});
    const Bytes original = readFileBytes(path);

    // The good change comes first, so a tool that wrote as it went would show.
    const std::string good = "map set " + path + " 1 2 height 1.5 ";
    const struct {
        const char* arguments;
        const char* named;
    } bad[] = {{"15 0 water 1", "argument 6, \"15\", is not a row"},
               {"-1 0 water 1", "\"-1\", is not a row"},
               {"0 11 water 1", "argument 7, \"11\", is not a column"},
               {"0 x water 1", "\"x\", is not a column"},
               {"0 0 Water 1", "argument 8, \"Water\", is not a layer"},
               {"0 0 water 1e39", "argument 9, \"1e39\", is not a value"},
               {"0 0 water 'nan(0x1)'", "\"nan(0x1)\", is not a value"}};
    for (const auto& c : bad) {
        const CommandResult run = runTool(good + c.arguments);
        EXPECT_EQ(run.status, 2) << c.arguments;
        EXPECT_NE(run.err.find(c.named), std::string::npos) << run.err;
        EXPECT_EQ(readFileBytes(path), original) << c.arguments;
    }
    EXPECT_EQ(runTool(good + "0 0 water").status, 2); // a group cut short
    EXPECT_EQ(readFileBytes(path), original);

    // Several values at once, the export forms included; only those change.
    CommandResult run = runTool(good + "0 0 water '-nan(0x7f800001)' 14 10 unit -0");
    ASSERT_EQ(run.status, 0) << run.err;
    HexMap expected;
    expected.height.cell[1][2] = 1.5f;
    expected.water.cell[0][0] = floatOf(0xff800001);
    expected.unit.cell[14][10] = -0.0f;
    EXPECT_EQ(runTool("map diff " + saveMap(scratch, "expected.map", expected) + " " + path).out,
              "0 differences\n");

    // A file that is not a whole map is not rewritten.
    writeFileBytes(scratch.path() / "short.map", Bytes(100, 1));
    run = runTool("map set " + (scratch.path() / "short.map").string() + " 0 0 unit 1");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(readFileBytes(scratch.path() / "short.map"), Bytes(100, 1));

    // An open editor would save over a change at its end: while it holds
    // the map's lock, set and import write nothing, also through a link.
    const Bytes before = readFileBytes(path);
    FileLock editor;
    ASSERT_EQ(takeFileLock(path, true, editor), FileLockResult::taken);
    const std::string link = (scratch.path() / "link.map").string();
    fs::create_symlink(path, link);
    run = runTool("map set " + link + " 0 0 unit 1");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("open in a Quillmark editor"), std::string::npos) << run.err;
    EXPECT_EQ(runTool("map export " + path + " | " + quillmarkToolPath() + " map import - " + link)
                  .status,
              1);
    EXPECT_EQ(readFileBytes(path), before);
    releaseFileLock(editor);
    EXPECT_EQ(runTool("map set " + link + " 0 0 unit 1").status, 0);
}

TEST(MapGit, DiffDriverShowsAChangedValueAsItsRow) {
    const ScratchDir scratch("git");
    const fs::path repo = scratch.path();
    HexMap map;
    map.height.cell[4][5] = 1.0f;
    saveMap(scratch, "field.map", map);
    // Only this repository's settings count, not the machine's or the user's.
    const std::string git = "cd " + shellQuote(repo.string()) +
                            " && HOME=. GIT_CONFIG_NOSYSTEM=1 git -c user.name=t -c "
                            "user.email=t@example.com ";
    ASSERT_EQ(runShell(git + "init -q . && echo '*.map diff=quillmark' >.gitattributes && " + git +
                       "config diff.quillmark.textconv " +
                       shellQuote(std::string(quillmarkToolPath()) + " map export") + " && " + git +
                       "add . && " + git + "commit -qm map"),
              0);
    ASSERT_EQ(runTool("map set " + (repo / "field.map").string() + " 4 7 height 2.5").status, 0);

    const CommandResult run = runCapturing(git + "diff --no-color");
    ASSERT_EQ(run.status, 0) << run.err;
    std::string removed, added;
    size_t start = 0;
    while (start < run.out.size()) {
        const size_t end = run.out.find('\n', start);
        const std::string line = run.out.substr(start, end - start);
        start = end == std::string::npos ? run.out.size() : end + 1;
        if (line.rfind("---", 0) == 0 || line.rfind("+++", 0) == 0)
            continue;
        if (line[0] == '-')
            removed += line + "\n";
        else if (line[0] == '+')
            added += line + "\n";
    }
    EXPECT_EQ(removed, "-0 0 0 0 0 1 0 0 0 0 0\n") << run.out;
    EXPECT_EQ(added, "+0 0 0 0 0 1 0 2.5 0 0 0\n") << run.out;
}
