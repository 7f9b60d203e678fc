// The map's text form, and quillmark-tool map that writes and reads it.

#include "map/map_file.h"
#include "map_text.h"
#include "run_command.h"
#include "scratch_dir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace {

uint32_t bitsOf(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    return bits;
}

float floatOf(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
}

HexMap randomFiniteMap(unsigned seed) {
    std::mt19937 random(seed);
    HexMap map;
    for (int layer = 0; layer < mapLayerCount; ++layer)
        for (int r = 0; r < mapRows; ++r)
            for (int c = 0; c < mapColumns; ++c) {
                float value;
                do {
                    value = floatOf(static_cast<uint32_t>(random()));
                } while (!std::isfinite(value));
                mapLayer(map, layer).cell[r][c] = value;
            }
    return map;
}

} // namespace

TEST(MapText, EveryFloatRoundTripsBitForBit) {
    for (unsigned seed = 1; seed <= 5; ++seed) {
        const HexMap map = randomFiniteMap(seed);
        HexMap back;
        std::string error;
        ASSERT_TRUE(parseMapText(formatMapText(map), back, error)) << error;
        for (int layer = 0; layer < mapLayerCount; ++layer)
            for (int r = 0; r < mapRows; ++r)
                for (int c = 0; c < mapColumns; ++c)
                    ASSERT_EQ(bitsOf(mapLayer(back, layer).cell[r][c]),
                              bitsOf(mapLayer(map, layer).cell[r][c]));
    }

    // Special values: signed zero, subnormals, extremes, infinities, and NaNs
    // with their payloads (a signalling one too, which the C library's
    // strtof would quieten).
    const float specials[] = {-0.0f,
                              floatOf(1),
                              floatOf(0x807FFFFF),
                              3.4028235e38f,
                              -1.17549435e-38f,
                              INFINITY,
                              -INFINITY,
                              floatOf(0x7FC00000),
                              floatOf(0xFFC00000),
                              floatOf(0x7FC00001),
                              floatOf(0x7F800001),
                              floatOf(0xFFFFFFFF)};
    for (float value : specials) {
        float back;
        HexMap map;
        map.unit.cell[14][10] = value;
        HexMap parsed;
        std::string error;
        ASSERT_TRUE(parseMapText(formatMapText(map), parsed, error)) << error;
        back = parsed.unit.cell[14][10];
        EXPECT_EQ(bitsOf(back), bitsOf(value)) << formatMapValue(value);
    }

    EXPECT_EQ(formatMapValue(0.1f), "0.1");
    EXPECT_EQ(formatMapValue(2.5f), "2.5");
    EXPECT_EQ(formatMapValue(-INFINITY), "-inf");
    EXPECT_EQ(formatMapValue(floatOf(0x7FC00000)), "nan");
    EXPECT_EQ(formatMapValue(floatOf(0xFFC00000)), "-nan");
    EXPECT_EQ(formatMapValue(floatOf(0x7FC00001)), "nan(0x7fc00001)");
    EXPECT_EQ(formatMapValue(floatOf(0xFF800001)), "-nan(0x7f800001)");

    // A payload must name a NaN, in the one form written; anything else would
    // lose bits silently.
    float value = 5.0f;
    for (const char* word : {"nan(0x7f800000)", "nan(0x80000000)", "nan(0x1)", "nan(12)",
                             "NaN(0x7fc00001)", "nan(0x7fc00001", "nan(0x7fc000011)"})
        EXPECT_FALSE(parseMapValue(word, value)) << word;
    EXPECT_EQ(value, 5.0f);
}

TEST(MapText, LayoutIsRowsOfColumns) {
    HexMap map;
    map.water.cell[2][9] = 7.0f;
    const std::string text = formatMapText(map);
    std::istringstream in(text);
    std::string line;
    int lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (lineNumber == 17 + 3) { // "water" is line 17, row 2 three lines later
            EXPECT_EQ(line, "0 0 0 0 0 0 0 0 0 7 0");
        }
    }
    EXPECT_EQ(lineNumber, 4 * 16);
    EXPECT_EQ(text.substr(0, 7), "height\n");
}

TEST(MapText, BadTextIsRefusedWithTheLineNamed) {
    const std::string good = formatMapText(HexMap{});
    auto replaceLine = [&](int number, const std::string& with) {
        std::istringstream in(good);
        std::string line, out;
        for (int n = 1; std::getline(in, line); ++n)
            out += (n == number ? with : line) + "\n";
        return out;
    };
    struct Case {
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {replaceLine(1, "elevation"), "line 1: unknown layer"},
        {replaceLine(3, "0 0 0 0 0 0 0 0 0 0"), "line 3: expected 11 values for row 1"},
        {replaceLine(5, "0 0 0 0 0 0 0 0 0 0 0 0"), "line 5: expected 11 values"},
        {replaceLine(6, "0 0 0 0 0 0 0 zero 0 0 0"), "line 6: \"zero\" (column 7)"},
        {replaceLine(6, "0 0 0 0 0 0 0 1e99 0 0 0"), "line 6: \"1e99\""},
        {replaceLine(6, "0 0 0 0 0 0 0 0x10 0 0 0"), "line 6:"},
        {replaceLine(6, "0 0 0 0 0 0 0 --1 0 0 0"), "line 6:"},
        {replaceLine(17, "height"), "line 17: layer \"height\" appears twice"},
        {good.substr(0, good.size() - 22), "layer unit ends after 14 of 15 rows"},
        {good.substr(0, good.find("unit")), "layer unit is missing"},
        {"", "layer height is missing"},
    };
    for (const Case& c : cases) {
        HexMap map;
        map.height.cell[0][0] = 9.0f;
        std::string error;
        EXPECT_FALSE(parseMapText(c.text, map, error)) << c.expected;
        EXPECT_NE(error.find(c.expected), std::string::npos)
            << "got: " << error << "\nexpected: " << c.expected;
        EXPECT_EQ(map.height.cell[0][0], 9.0f) << "a refused parse changed the map";
    }

    // Hand-written text may reorder layers, add comments, blank lines and CRs.
    std::string relaxed =
        "# a map\r\n\r\n" + good.substr(good.find("unit")) + good.substr(0, good.find("unit"));
    HexMap map;
    std::string error;
    EXPECT_TRUE(parseMapText(relaxed, map, error)) << error;
}

TEST(MapTool, ExportImportRoundTripsAFileAndRefusesBadText) {
    const ScratchDir scratch("tool");
    const fs::path& dir = scratch.path();
    HexMap map = randomFiniteMap(99);
    map.loadState = MapLoadState::loaded;
    const fs::path original = dir / "original.map";
    ASSERT_TRUE(saveMapTo(map, original.string()));

    ASSERT_EQ(runTool("map export " + original.string() + " >" + (dir / "map.txt").string()).status,
              0);
    const fs::path copy = dir / "copy.map";
    CommandResult run = runTool("map import " + (dir / "map.txt").string() + " " + copy.string());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(readFileText(copy), readFileText(original));
    EXPECT_EQ(fs::file_size(copy), static_cast<uintmax_t>(mapFileSize));
    // Into a pipe (/dev/stdout leads to pipe:[N]), and into /dev/null.
    run = runTool("map import " + (dir / "map.txt").string() + " /dev/stdout | cat");
    EXPECT_EQ(run.out, readFileText(original)) << run.err;
    run = runTool("map import " + (dir / "map.txt").string() + " /dev/null");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(fs::is_character_file("/dev/null"));

    // Bad text: error on stderr naming the line, target untouched.
    std::ofstream(dir / "bad.txt") << "height\n1 2 3\n";
    run = runTool("map import " + (dir / "bad.txt").string() + " " + copy.string());
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.err.find("line 2"), std::string::npos);
    EXPECT_EQ(readFileText(copy), readFileText(original));

    // A short file exports with a note, its missing values as 0.
    std::ofstream(dir / "short.map", std::ios::binary) << std::string(8, '\0');
    run = runTool("map export " + (dir / "short.map").string());
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.err.find("8 bytes"), std::string::npos);

    EXPECT_NE(runTool("map frobnicate").status, 0);
    run = runTool("map --help");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("export"), std::string::npos);
    EXPECT_NE(runTool("map export " + (dir / "absent.map").string()).status, 0);
}

TEST(MapTool, ReadsNoMoreThanAMapOrItsTextCanHold) {
    const ScratchDir scratch("tool");
    const fs::path& dir = scratch.path();

    // Export stops one byte past a map: an endless device is a long file.
    CommandResult run = runTool("map export /dev/zero");
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(run.out, formatMapText(HexMap{}));
    EXPECT_NE(run.err.find("longer than 2640 bytes; the bytes after 2640 are ignored"),
              std::string::npos)
        << run.err;
    run = runTool("map export " + dir.string());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Is a directory"), std::string::npos);

    // Import takes text up to 1 MiB (blank lines pad a good map to exactly
    // that) and refuses more, from a file or an endless standard input,
    // writing nothing.
    constexpr size_t limit = 1048576;
    const std::string text = formatMapText(HexMap{});
    std::ofstream(dir / "full.txt", std::ios::binary)
        << text << std::string(limit - text.size(), '\n');
    std::ofstream(dir / "over.txt", std::ios::binary)
        << text << std::string(limit + 1 - text.size(), '\n');
    std::ofstream(dir / "huge.txt").close();
    fs::resize_file(dir / "huge.txt", 80'000'000); // sparse
    const fs::path target = dir / "target.map";
    run = runTool("map import " + (dir / "full.txt").string() + " " + target.string());
    ASSERT_EQ(run.status, 0) << run.err;
    fs::remove(target);
    const std::string into = " " + target.string();
    for (const std::string& arguments :
         {(dir / "over.txt").string() + into, (dir / "huge.txt").string() + into,
          "-" + into + " </dev/zero"}) {
        run = runTool("map import " + arguments);
        EXPECT_EQ(run.status, 1) << arguments;
        EXPECT_NE(run.err.find("longer than 1048576 bytes"), std::string::npos)
            << arguments << ": " << run.err;
        EXPECT_FALSE(fs::exists(target)) << arguments;
    }
}
