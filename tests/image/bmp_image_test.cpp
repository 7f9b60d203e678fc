// Decoding BMP files from bytes and from files: every form, and every way a
// file can be refused.

#include "bmp_layout.h"
#include "decode_exact.h"
#include "image/bmp_image.h"
#include "message_recorder.h"
#include "scratch_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

DibStatus statusOf(const BmpLayout& layout) {
    RgbImage image;
    return decodeExact(buildBmp(layout), image);
}

// A 3 x 2 picture, 24 bits: rows of 9 pixel bytes and 3 padding bytes.
BmpLayout threeByTwoRgb() {
    BmpLayout layout;
    layout.width = 3;
    layout.height = 2;
    layout.pixels = {0x10, 0x20, 0x30, 1,  2,  3,  4,  5,  6,  0xAA, 0xAA, 0xAA,
                     7,    8,    9,    10, 11, 12, 13, 14, 15, 0xAA, 0xAA, 0xAA};
    return layout;
}

const Bytes threeByTwoExpected = {0x30, 0x20, 0x10, 3,  2,  1,  6,  5,  4,
                                  9,    8,    7,    12, 11, 10, 15, 14, 13};

TEST(BmpDecode, TwentyFourBitRowsDropPaddingAndSwapToRgb) {
    RgbImage image;
    ASSERT_EQ(decodeExact(buildBmp(threeByTwoRgb()), image), DibStatus::ok);
    EXPECT_EQ(image.width, 3);
    EXPECT_EQ(image.height, 2);
    // The first stored row is the bottom row and comes out first.
    EXPECT_EQ(image.data, threeByTwoExpected);

    // Without the file header the pixels follow the 40-byte header directly.
    BmpLayout headerless = threeByTwoRgb();
    headerless.fileHeader = false;
    RgbImage bare;
    ASSERT_EQ(decodeExact(buildBmp(headerless), bare), DibStatus::ok);
    EXPECT_EQ(bare.data, threeByTwoExpected);

    // bfOffBits is followed across a gap after the headers.
    BmpLayout gapped = threeByTwoRgb();
    gapped.gap = 7;
    RgbImage gappedImage;
    ASSERT_EQ(decodeExact(buildBmp(gapped), gappedImage), DibStatus::ok);
    EXPECT_EQ(gappedImage.data, threeByTwoExpected);
}

TEST(BmpDecode, TopDownFileGivesTheSameImageAsItsBottomUpTwin) {
    BmpLayout topDown = threeByTwoRgb();
    topDown.height = -2;
    std::rotate(topDown.pixels.begin(), topDown.pixels.begin() + 12, topDown.pixels.end());
    RgbImage image;
    ASSERT_EQ(decodeExact(buildBmp(topDown), image), DibStatus::ok);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.data, threeByTwoExpected);
}

TEST(BmpDecode, ColourTableSizeFollowsClrUsedOrBitCount) {
    // Headerless 8-bit files: the pixels start after the table, so a wrong
    // table size reads the pixel from the wrong place.
    BmpLayout full;
    full.fileHeader = false;
    full.bitCount = 8;
    for (int i = 0; i < 256; ++i)
        addColor(full.table, static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), 7);
    full.pixels = {200, 0, 0, 0};
    RgbImage image;
    ASSERT_EQ(decodeExact(buildBmp(full), image), DibStatus::ok);
    EXPECT_EQ(image.data, (Bytes{200, 55, 7}));

    BmpLayout sixteen = full;
    sixteen.colorsUsed = 16;
    sixteen.table.resize(16 * 4);
    sixteen.width = 2;
    sixteen.pixels = {3, 20, 0, 0}; // 20 lies past the table: black
    ASSERT_EQ(decodeExact(buildBmp(sixteen), image), DibStatus::ok);
    EXPECT_EQ(image.data, (Bytes{3, 252, 7, 0, 0, 0}));

    // A table the file cannot hold is a header fault.
    BmpLayout shortTable = full;
    shortTable.table.resize(100 * 4);
    shortTable.pixels.clear();
    EXPECT_EQ(statusOf(shortTable), DibStatus::unknownFormat);
}

TEST(BmpDecode, DibColorCountReadsBothHeaderKinds) {
    BmpLayout core;
    core.fileHeader = false;
    core.headerSize = 12;
    core.bitCount = 4;
    Bytes bytes = buildBmp(core);
    EXPECT_EQ(dibColorCount(bytes.data(), bytes.size()), 16);
    EXPECT_EQ(dibColorCount(bytes.data(), 11), 0); // too few bytes to tell

    BmpLayout info;
    info.fileHeader = false;
    info.bitCount = 8;
    bytes = buildBmp(info);
    EXPECT_EQ(dibColorCount(bytes.data(), bytes.size()), 256);
    info.colorsUsed = 0x10010; // only the low 16 bits count
    bytes = buildBmp(info);
    EXPECT_EQ(dibColorCount(bytes.data(), bytes.size()), 16);
    info.colorsUsed = 0;
    info.bitCount = 1;
    bytes = buildBmp(info);
    EXPECT_EQ(dibColorCount(bytes.data(), bytes.size()), 2);
    info.bitCount = 24;
    bytes = buildBmp(info);
    EXPECT_EQ(dibColorCount(bytes.data(), bytes.size()), 0);
}

TEST(BmpDecode, PalettedPixelsUnpackHighBitsFirst) {
    // Core header, 4 bits: 16 three-byte entries, pixels right after them.
    BmpLayout core;
    core.fileHeader = false;
    core.headerSize = 12;
    core.bitCount = 4;
    core.width = 3;
    for (int i = 0; i < 16; ++i)
        addColor(core.table, static_cast<uint8_t>(i * 16), static_cast<uint8_t>(i), 1, true);
    core.pixels = {0x1F, 0x20, 0xEE, 0xEE};
    RgbImage image;
    ASSERT_EQ(decodeExact(buildBmp(core), image), DibStatus::ok);
    EXPECT_EQ(image.data, (Bytes{16, 1, 1, 240, 15, 1, 32, 2, 1}));

    BmpLayout mono;
    mono.bitCount = 1;
    mono.width = 10;
    mono.height = 2;
    addColor(mono.table, 1, 2, 3);
    addColor(mono.table, 250, 251, 252);
    mono.pixels = {0xB0, 0x40, 0, 0, 0xFF, 0xC0, 0xFF, 0xFF};
    ASSERT_EQ(decodeExact(buildBmp(mono), image), DibStatus::ok);
    const std::string expectedBits = "10110000011111111111";
    ASSERT_EQ(image.data.size(), 60u);
    for (size_t i = 0; i < expectedBits.size(); ++i)
        EXPECT_EQ(image.data[i * 3], expectedBits[i] == '1' ? 250 : 1) << "pixel " << i;
}

TEST(BmpDecode, SixteenAndThirtyTwoBitChannels) {
    BmpLayout rgb555;
    rgb555.bitCount = 16;
    rgb555.width = 3;
    // white, red 16 with the unused high bit set, blue 31
    rgb555.pixels = {0xFF, 0x7F, 0x00, 0xC0, 0x1F, 0x00, 0, 0};
    RgbImage image;
    ASSERT_EQ(decodeExact(buildBmp(rgb555), image), DibStatus::ok);
    EXPECT_EQ(image.data, (Bytes{255, 255, 255, 132, 0, 0, 0, 0, 255}));

    BmpLayout rgb32;
    rgb32.bitCount = 32;
    rgb32.width = 2;
    rgb32.pixels = {1, 2, 3, 0xFF, 0x10, 0x20, 0x30, 0x40};
    ASSERT_EQ(decodeExact(buildBmp(rgb32), image), DibStatus::ok);
    EXPECT_EQ(image.data, (Bytes{3, 2, 1, 0x30, 0x20, 0x10}));
}

TEST(BmpDecode, BitfieldMasksAreHonoured) {
    // 5-6-5 without a file header: the pixels follow the three masks.
    BmpLayout rgb565;
    rgb565.fileHeader = false;
    rgb565.bitCount = 16;
    rgb565.compression = 3;
    rgb565.width = 2;
    rgb565.table = {0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};
    rgb565.pixels = {0xE0, 0xFF, 0x21, 0x08}; // yellow; red 1, green 1, blue 1
    RgbImage image;
    ASSERT_EQ(decodeExact(buildBmp(rgb565), image), DibStatus::ok);
    EXPECT_EQ(image.data, (Bytes{255, 255, 0, 8, 4, 8}));

    BmpLayout xbgr;
    xbgr.bitCount = 32;
    xbgr.compression = 3;
    xbgr.table = {0xFF, 0, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0xFF, 0};
    xbgr.pixels = {10, 20, 30, 99};
    ASSERT_EQ(decodeExact(buildBmp(xbgr), image), DibStatus::ok);
    EXPECT_EQ(image.data, (Bytes{10, 20, 30}));

    // Masks missing from the file; masks with a bit count that has none.
    BmpLayout noMasks = xbgr;
    noMasks.fileHeader = false;
    noMasks.table.resize(8);
    noMasks.pixels.clear();
    EXPECT_EQ(statusOf(noMasks), DibStatus::unknownFormat);
    BmpLayout masked24 = xbgr;
    masked24.bitCount = 24;
    EXPECT_EQ(statusOf(masked24), DibStatus::conversionError);
}

BmpLayout rleLayout(uint16_t bits, int32_t width, int32_t height, Bytes stream) {
    BmpLayout layout;
    layout.bitCount = bits;
    layout.compression = bits == 8 ? 1 : 2;
    layout.width = width;
    layout.height = height;
    layout.colorsUsed = 6;
    addColor(layout.table, 1, 1, 1); // never used: tells black pixels from index 0
    for (uint8_t c = 1; c < 6; ++c)
        addColor(layout.table, static_cast<uint8_t>(c * 40), static_cast<uint8_t>(c * 40), c);
    layout.pixels = std::move(stream);
    return layout;
}

Bytes colour(int index) {
    if (index < 0)
        return {0, 0, 0};
    if (index == 0)
        return {1, 1, 1};
    return {static_cast<uint8_t>(index * 40), static_cast<uint8_t>(index * 40),
            static_cast<uint8_t>(index)};
}

Bytes colours(std::initializer_list<int> indices) {
    Bytes out;
    for (int index : indices) {
        const Bytes c = colour(index);
        out.insert(out.end(), c.begin(), c.end());
    }
    return out;
}

TEST(BmpDecode, RunLengthEightBit) {
    const Bytes stream = {0, 3, 2, 3, 1, 0, // literal of three, padded to even
                          1, 2,             // run of one
                          0, 0,             // end of line
                          1, 3,             // run
                          0, 2, 1, 1,       // delta: right 1, up 1
                          1, 1, 0, 1};      // run, end of bitmap
    RgbImage image;
    ASSERT_EQ(decodeExact(buildBmp(rleLayout(8, 4, 3, stream)), image), DibStatus::ok);
    EXPECT_EQ(image.data, colours({2, 3, 1, 2, /**/ 3, -1, -1, -1, /**/ -1, -1, 1, -1}));
}

TEST(BmpDecode, RunLengthFourBit) {
    const Bytes stream = {3, 0x12,                      // 1, 2, 1
                          0, 0,                         // end of line
                          0, 5,    0x34, 0x51, 0x20, 0, // literal 3 4 5 1 2, padded
                          0, 1};
    RgbImage image;
    ASSERT_EQ(decodeExact(buildBmp(rleLayout(4, 5, 2, stream)), image), DibStatus::ok);
    EXPECT_EQ(image.data, colours({1, 2, 1, -1, -1, /**/ 3, 4, 5, 1, 2}));
}

TEST(BmpDecode, RunLengthStreamsThatLeaveThePictureOrTheirDataAreRefused) {
    const Bytes faults[] = {
        {5, 1, 0, 1},                   // run longer than the row
        {3, 1, 2, 1, 0, 1},             // second run passes the row end
        {2, 1},                         // no end of bitmap
        {0, 2, 5, 0, 0, 1},             // delta past the right edge
        {0, 2, 0, 3, 0, 1},             // delta past the top
        {0, 2, 1},                      // delta cut short
        {0, 3, 1, 2},                   // literal runs off the data
        {0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, // lines past the top
        {0, 0, 0, 0, 1, 1, 0, 1},       // run above the top row
    };
    for (const Bytes& stream : faults)
        EXPECT_EQ(statusOf(rleLayout(8, 4, 2, stream)), DibStatus::conversionError)
            << ::testing::PrintToString(stream);
    // Stored top-down, run-length data is invalid.
    EXPECT_EQ(statusOf(rleLayout(8, 4, -2, {0, 1})), DibStatus::conversionError);
    EXPECT_EQ(statusOf(rleLayout(8, 4, 2, {0, 1})), DibStatus::ok);
    // Run-length coding needs the matching bit count.
    BmpLayout wrongBits = rleLayout(8, 4, 2, {0, 1});
    wrongBits.bitCount = 4;
    EXPECT_EQ(statusOf(wrongBits), DibStatus::conversionError);
}

TEST(BmpDecode, RefusedHeadersAndForms) {
    for (uint32_t size : {108u, 124u, 64u, 16u, 0u}) {
        BmpLayout layout = threeByTwoRgb();
        layout.headerSize = size;
        EXPECT_EQ(statusOf(layout), DibStatus::unknownFormat) << size;
    }
    RgbImage image;
    EXPECT_EQ(decodeExact(Bytes{'B', 'M', 0, 0, 0, 0, 0, 0}, image), DibStatus::unknownFormat);
    EXPECT_EQ(decodeExact(Bytes{}, image), DibStatus::unknownFormat);

    struct Case {
        const char* what;
        void (*change)(BmpLayout&);
    };
    const Case conversionFaults[] = {
        {"2 bits", [](BmpLayout& l) { l.bitCount = 2; }},
        {"0 bits", [](BmpLayout& l) { l.bitCount = 0; }},
        {"30000 bits", [](BmpLayout& l) { l.bitCount = 30000; }},
        {"width 0", [](BmpLayout& l) { l.width = 0; }},
        {"height 0", [](BmpLayout& l) { l.height = 0; }},
        {"negative width", [](BmpLayout& l) { l.width = -3; }},
        {"jpeg", [](BmpLayout& l) { l.compression = 4; }},
        {"png", [](BmpLayout& l) { l.compression = 5; }},
        {"alpha bitfields", [](BmpLayout& l) { l.compression = 6; }},
        {"one byte short", [](BmpLayout& l) { l.pixels.pop_back(); }},
        {"over 64 MiB", [](BmpLayout& l) { l.width = 4096, l.height = 5462; }},
        {"huge", [](BmpLayout& l) { l.width = INT32_MAX, l.height = INT32_MIN; }},
        {"rows past the end", [](BmpLayout& l) { l.height = 3; }},
    };
    for (const Case& c : conversionFaults) {
        BmpLayout layout = threeByTwoRgb();
        c.change(layout);
        EXPECT_EQ(statusOf(layout), DibStatus::conversionError) << c.what;
    }
    // bfOffBits past the end of the file.
    Bytes bytes = buildBmp(threeByTwoRgb());
    bytes[10] = bytes[11] = bytes[12] = bytes[13] = 0xFF;
    EXPECT_EQ(decodeExact(bytes, image), DibStatus::conversionError);
}

// Every cut of a valid file is refused with a message, never read beyond.
TEST(BmpDecode, EveryTruncationIsRefusedWithoutReadingPastTheEnd) {
    std::vector<BmpLayout> layouts;
    BmpLayout paletted;
    paletted.bitCount = 8;
    paletted.colorsUsed = 16;
    paletted.width = 5;
    paletted.height = 3;
    for (int i = 0; i < 16; ++i)
        addColor(paletted.table, static_cast<uint8_t>(i), 2, 3);
    paletted.pixels.assign(24, 7);
    layouts.push_back(paletted);
    layouts.push_back(rleLayout(4, 5, 2, {3, 0x12, 0, 0, 0, 5, 0x34, 0x51, 0x20, 0, 0, 1}));
    layouts.push_back(rleLayout(8, 4, 2, {0, 3, 2, 3, 1, 0, 0, 2, 0, 1, 1, 5, 0, 1}));
    BmpLayout core;
    core.fileHeader = false;
    core.headerSize = 12;
    core.bitCount = 1;
    core.width = 9;
    core.height = 2;
    addColor(core.table, 0, 0, 0, true);
    addColor(core.table, 9, 9, 9, true);
    core.pixels.assign(8, 0x5A);
    layouts.push_back(core);
    BmpLayout masked;
    masked.fileHeader = false;
    masked.bitCount = 16;
    masked.compression = 3;
    masked.width = 2;
    masked.height = 2;
    masked.table = {0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};
    masked.pixels.assign(8, 0x33);
    layouts.push_back(masked);
    BmpLayout gapped = threeByTwoRgb();
    gapped.gap = 3;
    layouts.push_back(gapped);

    for (size_t which = 0; which < layouts.size(); ++which) {
        const Bytes bytes = buildBmp(layouts[which]);
        for (size_t length = 0; length <= bytes.size(); ++length) {
            RgbImage image;
            const DibStatus status = decodeExact(bytes, length, image);
            if (length == bytes.size()) {
                EXPECT_EQ(status, DibStatus::ok) << "layout " << which;
                continue;
            }
            EXPECT_TRUE(status == DibStatus::unknownFormat || status == DibStatus::conversionError)
                << "layout " << which << " cut at " << length;
            EXPECT_TRUE(image.data.empty());
        }
    }
}

TEST(BmpFile, TruncatedFilesEachShowOneMessage) {
    ScratchDir dir;
    const Bytes bytes = buildBmp(rleLayout(8, 4, 2, {0, 3, 2, 3, 1, 0, 0, 2, 0, 1, 1, 5, 0, 1}));
    for (size_t length = 0; length < bytes.size(); ++length) {
        const std::string path =
            dir.file("cut.bmp", Bytes(bytes.begin(), bytes.begin() + static_cast<long>(length)));
        MessageRecorder recorder;
        EXPECT_EQ(loadBmpImage(path.c_str()), nullptr);
        ASSERT_EQ(recorder.messages.size(), 1u) << length;
        const std::string& text = recorder.messages[0].text;
        if (length == 0)
            EXPECT_EQ(text, "Failed to open DIB file " + path + ".\n");
        else
            EXPECT_TRUE(text == "Unknown DIB file format." ||
                        text == "Image file conversion error.")
                << length << ": " << text;
        EXPECT_EQ(recorder.messages[0].caption, "Error");
        EXPECT_EQ(recorder.messages[0].icon, MessageIcon::error);
    }
}

TEST(BmpFile, LoadingShowsTheDecodersMessages) {
    ScratchDir dir;
    {
        MessageRecorder recorder;
        const std::string path = dir.file("good.bmp", buildBmp(threeByTwoRgb()));
        const std::unique_ptr<RgbImage> image = loadBmpImage(path.c_str());
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->data, threeByTwoExpected);
        EXPECT_TRUE(recorder.messages.empty());
    }
    {
        // Missing file or no path: nothing, silently.
        MessageRecorder recorder;
        EXPECT_EQ(loadBmpImage((dir.path() / "missing.bmp").string().c_str()), nullptr);
        EXPECT_EQ(loadBmpImage(nullptr), nullptr);
        EXPECT_TRUE(recorder.messages.empty());
        // decodeDibFile itself reports the missing file.
        const std::string missing = (dir.path() / "missing.bmp").string();
        EXPECT_EQ(decodeDibFile(missing.c_str()), nullptr);
        ASSERT_EQ(recorder.messages.size(), 1u);
        EXPECT_EQ(recorder.messages[0].text, "Failed to open DIB file " + missing + ".\n");
    }
    struct Case {
        Bytes bytes;
        std::string text;
    };
    BmpLayout v5 = threeByTwoRgb();
    v5.headerSize = 124;
    BmpLayout twoBit = threeByTwoRgb();
    twoBit.bitCount = 2;
    const std::string emptyPath = dir.file("case.bmp", {});
    const Case cases[] = {
        {{}, "Failed to open DIB file " + emptyPath + ".\n"},
        {buildBmp(v5), "Unknown DIB file format."},
        {buildBmp(twoBit), "Image file conversion error."},
    };
    for (const Case& c : cases) {
        const std::string path = dir.file("case.bmp", c.bytes);
        MessageRecorder recorder;
        EXPECT_EQ(loadBmpImage(path.c_str()), nullptr);
        ASSERT_EQ(recorder.messages.size(), 1u);
        EXPECT_EQ(recorder.messages[0].caption, "Error");
        EXPECT_EQ(recorder.messages[0].text, c.text);
        EXPECT_EQ(recorder.messages[0].icon, MessageIcon::error);
    }
}

TEST(BmpFile, OverlongPathIsCutInTheMessage) {
    const std::string path = "/nonexistent/" + std::string(4000, 'p') + ".bmp";
    MessageRecorder recorder;
    EXPECT_EQ(decodeDibFile(path.c_str()), nullptr);
    ASSERT_EQ(recorder.messages.size(), 1u);
    const std::string& text = recorder.messages[0].text;
    EXPECT_LT(text.size(), 1024u);
    EXPECT_EQ(text.rfind("Failed to open DIB file /nonexistent/ppp", 0), 0u);
}

size_t openDescriptorCount() {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

bool anyMappingUnder(const std::filesystem::path& dir) {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line))
        if (line.find(dir.string()) != std::string::npos)
            return true;
    return false;
}

TEST(BmpFile, NothingStaysOpenOrMappedOnAnyPath) {
    if (!std::filesystem::exists("/proc/self/fd"))
        GTEST_SKIP() << "no /proc";
    ScratchDir dir;
    BmpLayout twoBit = threeByTwoRgb();
    twoBit.bitCount = 2;
    BmpLayout v4 = threeByTwoRgb();
    v4.headerSize = 108;
    const std::vector<std::string> paths = {dir.file("good.bmp", buildBmp(threeByTwoRgb())),
                                            dir.file("conversion.bmp", buildBmp(twoBit)),
                                            dir.file("unknown.bmp", buildBmp(v4)),
                                            dir.file("empty.bmp", {}),
                                            (dir.path() / "missing.bmp").string(),
                                            dir.path().string()};
    MessageRecorder recorder;
    const size_t before = openDescriptorCount();
    for (int round = 0; round < 3; ++round)
        for (const std::string& path : paths) {
            loadBmpImage(path.c_str());
            decodeDibFile(path.c_str());
        }
    EXPECT_EQ(openDescriptorCount(), before);
    EXPECT_FALSE(anyMappingUnder(dir.path()));
}

} // namespace
