#include "map/map_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

class MapFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir =
            fs::temp_directory_path() /
            ("quillmark-map-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        path = (dir / "quillmark.map").string();
    }
    void TearDown() override { fs::remove_all(dir); }

    void writeBytes(const std::vector<uint8_t>& bytes) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    std::vector<uint8_t> readBytes() const {
        std::ifstream in(path, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }
    std::vector<std::string> filesInDir() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir))
            names.push_back(entry.path().filename().string());
        return names;
    }

    fs::path dir;
    std::string path;
};

void putFloat(std::vector<uint8_t>& bytes, size_t offset, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<uint8_t>(bits >> (8 * i));
}

uint32_t bitsOf(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    return bits;
}

std::vector<uint8_t> randomBytes(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> bytes(size);
    for (auto& b : bytes)
        b = static_cast<uint8_t>(random());
    return bytes;
}

} // namespace

TEST_F(MapFileTest, ValuesLandAtTheirLayerRowAndColumn) {
    std::vector<uint8_t> bytes(mapFileSize, 0);
    putFloat(bytes, 4, 1.5f);                      // height, row 1, column 0
    putFloat(bytes, 60, 2.5f);                     // height, row 0, column 1
    putFloat(bytes, 1320, 3.0f);                   // object, row 0, column 0
    putFloat(bytes, 660 + 60 * 10 + 4 * 14, 7.0f); // water, last row and column
    putFloat(bytes, 1980 + 60 * 3 + 4 * 2, 4.0f);  // unit, row 2, column 3
    writeBytes(bytes);

    HexMap map;
    loadMapFile(map, path);
    EXPECT_TRUE(map.loadStepRan);
    EXPECT_EQ(map.height.cell[1][0], 1.5f);
    EXPECT_EQ(map.height.cell[0][1], 2.5f);
    EXPECT_EQ(map.object.cell[0][0], 3.0f);
    EXPECT_EQ(map.water.cell[14][10], 7.0f);
    EXPECT_EQ(map.unit.cell[2][3], 4.0f);
    EXPECT_EQ(map.height.cell[0][0], 0.0f);
    EXPECT_EQ(map.unit.cell[3][2], 0.0f);

    // Known byte patterns of the format: 3 is 00 00 40 40, 0.5 is 00 00 00 3F.
    HexMap small;
    small.loadStepRan = true;
    small.height.cell[0][0] = 3.0f;
    small.water.cell[0][0] = 0.5f;
    ASSERT_TRUE(saveMapFile(small, path));
    const auto saved = readBytes();
    ASSERT_EQ(saved.size(), static_cast<size_t>(mapFileSize));
    EXPECT_EQ((std::vector<uint8_t>(saved.begin(), saved.begin() + 4)),
              (std::vector<uint8_t>{0x00, 0x00, 0x40, 0x40}));
    EXPECT_EQ((std::vector<uint8_t>(saved.begin() + 660, saved.begin() + 664)),
              (std::vector<uint8_t>{0x00, 0x00, 0x00, 0x3F}));
}

TEST_F(MapFileTest, LoadThenSaveReproducesEveryBitIncludingNaNsAndOddValues) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        auto bytes = randomBytes(mapFileSize, seed);
        // Make sure the special values are present: signalling and quiet NaNs
        // with payloads, infinities, negative zero, a subnormal.
        const uint32_t specials[] = {0x7FA00001u, 0xFFC12345u, 0x7F800000u,
                                     0xFF800000u, 0x80000000u, 0x00000001u};
        for (size_t i = 0; i < std::size(specials); ++i)
            for (int b = 0; b < 4; ++b)
                bytes[4 * (i * 97 % mapValueCount) + b] =
                    static_cast<uint8_t>(specials[i] >> (8 * b));
        writeBytes(bytes);

        HexMap map;
        loadMapFile(map, path);
        ASSERT_TRUE(saveMapFile(map, path));
        ASSERT_EQ(readBytes(), bytes) << "seed " << seed;
    }
}

TEST_F(MapFileTest, ShortCutAndLongFiles) {
    // Long: the bytes after 2,640 are ignored and the save drops them.
    auto bytes = randomBytes(mapFileSize + 100, 7);
    writeBytes(bytes);
    HexMap map;
    loadMapFile(map, path);
    ASSERT_TRUE(saveMapFile(map, path));
    EXPECT_EQ(readBytes(), std::vector<uint8_t>(bytes.begin(), bytes.begin() + mapFileSize));

    // Short, and cut in the middle of a value: every value not wholly present
    // stays 0, including the cut one.
    for (size_t size :
         {size_t{0}, size_t{3}, size_t{4}, size_t{661}, size_t{1322}, size_t{mapFileSize - 1}}) {
        std::vector<uint8_t> shortBytes(size, 0);
        for (size_t i = 0; i + 4 <= size; i += 4)
            putFloat(shortBytes, i, 1.0f + static_cast<float>(i));
        for (size_t i = size & ~size_t{3}; i < size; ++i)
            shortBytes[i] = 0x3F;
        writeBytes(shortBytes);

        HexMap loaded;
        loadMapFile(loaded, path);
        uint8_t encoded[mapFileSize];
        encodeMapBytes(loaded, encoded);
        for (size_t offset = 0; offset < static_cast<size_t>(mapFileSize); offset += 4) {
            float value;
            std::memcpy(&value, encoded + offset, 4);
            const float expected = offset + 4 <= size ? 1.0f + static_cast<float>(offset) : 0.0f;
            ASSERT_EQ(value, expected) << "size " << size << " offset " << offset;
        }
    }
}

TEST_F(MapFileTest, MissingFileLeavesTheMapAsItWasButCountsAsLoaded) {
    HexMap map;
    map.height.cell[3][4] = 2.0f;
    loadMapFile(map, (dir / "absent.map").string());
    EXPECT_TRUE(map.loadStepRan);
    EXPECT_EQ(map.height.cell[3][4], 2.0f);

    // A save after that creates the file.
    EXPECT_TRUE(saveMapFile(map, (dir / "absent.map").string()));
    EXPECT_EQ(fs::file_size(dir / "absent.map"), static_cast<uintmax_t>(mapFileSize));
}

TEST_F(MapFileTest, SaveBeforeTheLoadStepIsRefused) {
    const auto original = randomBytes(mapFileSize, 3);
    writeBytes(original);
    HexMap empty; // as after a window creation that failed before the scene
    EXPECT_FALSE(saveMapFile(empty, path));
    EXPECT_EQ(readBytes(), original);

    HexMap map;
    clearHexMap(map);
    EXPECT_FALSE(saveMapFile(map, (dir / "new.map").string()));
    EXPECT_FALSE(fs::exists(dir / "new.map"));
}

namespace {
size_t bytesBeforeFailure = 0;
ssize_t failingWrite(int fd, const void* data, size_t size) {
    if (bytesBeforeFailure == 0) {
        errno = ENOSPC;
        return -1;
    }
    const size_t now = std::min(size, bytesBeforeFailure);
    bytesBeforeFailure -= now;
    return ::write(fd, data, now);
}
} // namespace

TEST_F(MapFileTest, AFailedSaveLeavesTheOldFileExactlyAsItWas) {
    const auto original = randomBytes(mapFileSize, 11);
    writeBytes(original);
    HexMap map;
    loadMapFile(map, path);
    map.height.cell[0][0] = 3.0f;

    for (size_t cut : {size_t{0}, size_t{1}, size_t{1000}, size_t{mapFileSize - 1}}) {
        bytesBeforeFailure = cut;
        errno = 0;
        EXPECT_FALSE(saveMapFile(map, path, failingWrite)) << cut;
        EXPECT_EQ(errno, ENOSPC);
        EXPECT_EQ(readBytes(), original) << cut;
        EXPECT_EQ(filesInDir(), std::vector<std::string>{"quillmark.map"})
            << "temporary file left behind";
    }

    // The target cannot be replaced (it is a directory): refused, nothing left.
    const fs::path blocked = dir / "blocked.map";
    fs::create_directory(blocked);
    EXPECT_FALSE(saveMapFile(map, blocked.string()));
    EXPECT_TRUE(fs::is_directory(blocked));
    // The folder does not exist (a path through a regular file).
    EXPECT_FALSE(saveMapFile(map, path + "/quillmark.map"));
    EXPECT_EQ(readBytes(), original);

    // And a save that works replaces the file whole.
    ASSERT_TRUE(saveMapFile(map, path));
    auto expected = original;
    putFloat(expected, 0, 3.0f);
    EXPECT_EQ(readBytes(), expected);
}

TEST(MapBytes, NaNPayloadsSurviveDecodeAndEncode) {
    std::vector<uint8_t> bytes(mapFileSize, 0);
    const uint32_t signalling = 0x7F800001u;
    for (int b = 0; b < 4; ++b)
        bytes[1980 + b] = static_cast<uint8_t>(signalling >> (8 * b));
    HexMap map;
    decodeMapBytes(map, bytes.data(), bytes.size());
    EXPECT_EQ(bitsOf(map.unit.cell[0][0]), signalling);
    uint8_t out[mapFileSize];
    encodeMapBytes(map, out);
    EXPECT_EQ(std::vector<uint8_t>(out, out + mapFileSize), bytes);
}
