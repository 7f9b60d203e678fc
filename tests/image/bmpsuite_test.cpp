// The public BMP conformance suite: good files against their reference
// pictures, questionable and bad files for safe refusal.

#include "decode_exact.h"
#include "image/bmp_image.h"
#include "message_recorder.h"
#include "scratch_dir.h"

#include <gtest/gtest.h>
#include <stb/stb_image.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path suiteDir = QUILLMARK_BMPSUITE_DIR;

std::vector<fs::path> filesIn(const char* folder) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(suiteDir / folder))
        if (entry.path().extension() == ".bmp")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// Good files whose reference picture carries another name.
std::string referenceName(const std::string& stem) {
    static const std::map<std::string, std::string> shared = {{"pal1wb", "pal1"},
                                                              {"pal4rle", "pal4"},
                                                              {"pal8-0", "pal8"},
                                                              {"pal8rle", "pal8"},
                                                              {"pal8topdown", "pal8"},
                                                              {"pal8os2", "pal8"},
                                                              {"pal8v4", "pal8"},
                                                              {"pal8v5", "pal8"},
                                                              {"pal8nonsquare", "pal8nonsquare-e"},
                                                              {"rgb16-565pal", "rgb16-565"},
                                                              {"rgb24pal", "rgb24"},
                                                              {"rgb32", "rgb24"},
                                                              {"rgb32bf", "rgb24"}};
    const auto found = shared.find(stem);
    return found != shared.end() ? found->second : stem;
}

uint32_t storedHeaderSize(const std::vector<uint8_t>& bytes) {
    if (bytes.size() < 18)
        return 0;
    return bytes[14] | (bytes[15] << 8) | (bytes[16] << 16) | (uint32_t{bytes[17]} << 24);
}

bool isDecoderMessage(const std::string& text) {
    return text == "Out of memory." || text == "Unknown DIB file format." ||
           text == "Image file conversion error.";
}

TEST(BmpSuite, GoodFilesMatchTheirReferencePictures) {
    const std::vector<fs::path> files = filesIn("g");
    ASSERT_GE(files.size(), 20u);
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        const std::vector<uint8_t> bytes = readFileBytes(file);
        const uint32_t headerSize = storedHeaderSize(bytes);
        MessageRecorder recorder;
        const std::unique_ptr<RgbImage> image = loadBmpImage(file.string().c_str());
        if (headerSize != 12 && headerSize != 40) {
            EXPECT_EQ(image, nullptr);
            ASSERT_EQ(recorder.messages.size(), 1u);
            EXPECT_EQ(recorder.messages[0].text, "Unknown DIB file format.");
            continue;
        }
        ASSERT_NE(image, nullptr);
        EXPECT_TRUE(recorder.messages.empty());

        const std::string reference = referenceName(file.stem().string());
        const fs::path png = suiteDir / "html" / (reference + ".png");
        ASSERT_TRUE(fs::exists(png)) << png;
        int width = 0, height = 0, channels = 0;
        std::unique_ptr<uint8_t, void (*)(void*)> pixels(
            stbi_load(png.string().c_str(), &width, &height, &channels, 3), stbi_image_free);
        ASSERT_NE(pixels, nullptr) << stbi_failure_reason();
        ASSERT_EQ(image->width, width);
        ASSERT_EQ(image->height, height);
        ASSERT_EQ(image->data.size(), size_t(width) * height * 3);

        // The 8-bit references hold green 42 where every colour table holds 43.
        const bool paletteQuirk = reference.rfind("pal8", 0) == 0;
        size_t mismatches = 0;
        std::string first;
        for (int y = 0; y < height; ++y) {
            // Our first row is the bottom one; the PNG starts at the top.
            const uint8_t* ours = image->data.data() + size_t(y) * width * 3;
            const uint8_t* theirs = pixels.get() + size_t(height - 1 - y) * width * 3;
            for (int i = 0; i < width * 3; ++i) {
                if (ours[i] == theirs[i])
                    continue;
                if (paletteQuirk && i % 3 == 1 && ours[i] == 43 && theirs[i] == 42)
                    continue;
                if (mismatches++ == 0)
                    first = "row " + std::to_string(y) + " byte " + std::to_string(i) + ": " +
                            std::to_string(ours[i]) + " vs " + std::to_string(theirs[i]);
            }
        }
        EXPECT_EQ(mismatches, 0u) << "first: " << first;
    }
}

TEST(BmpSuite, QuestionableAndBadFilesDecodeOrAreRefused) {
    std::vector<fs::path> files = filesIn("q");
    const std::vector<fs::path> bad = filesIn("b");
    files.insert(files.end(), bad.begin(), bad.end());
    ASSERT_GE(files.size(), 30u);
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        // From an exact-size block, where any overread is caught...
        RgbImage fromBytes;
        const DibStatus status = decodeExact(readFileBytes(file), fromBytes);
        if (status == DibStatus::ok) {
            EXPECT_GT(fromBytes.width, 0);
            EXPECT_GT(fromBytes.height, 0);
            EXPECT_EQ(fromBytes.data.size(), size_t(fromBytes.width) * fromBytes.height * 3);
        }
        // ...and through the file, with the message the user would see.
        MessageRecorder recorder;
        const std::unique_ptr<RgbImage> image = loadBmpImage(file.string().c_str());
        if (image != nullptr) {
            EXPECT_EQ(status, DibStatus::ok);
            EXPECT_TRUE(recorder.messages.empty());
            EXPECT_EQ(image->data, fromBytes.data);
        } else {
            ASSERT_EQ(recorder.messages.size(), 1u);
            EXPECT_TRUE(isDecoderMessage(recorder.messages[0].text)) << recorder.messages[0].text;
            EXPECT_EQ(recorder.messages[0].text, dibStatusMessage(status));
        }
    }
    // The bad files that break the rules we check are among the refused ones.
    for (const char* name : {"badbitcount", "badpalettesize", "badrle", "badwidth", "reallybig",
                             "rletopdown", "shortfile"}) {
        RgbImage image;
        EXPECT_NE(decodeExact(readFileBytes(suiteDir / "b" / (std::string(name) + ".bmp")), image),
                  DibStatus::ok)
            << name;
    }
}

// Random damage to the good files: never a crash or a read outside the bytes.
TEST(BmpSuite, DamagedGoodFilesNeverReadOutOfBounds) {
    std::mt19937 random(20240607);
    for (const fs::path& file : filesIn("g")) {
        const std::vector<uint8_t> original = readFileBytes(file);
        for (int trial = 0; trial < 150; ++trial) {
            std::vector<uint8_t> bytes = original;
            const int changes = 1 + static_cast<int>(random() % 4);
            for (int c = 0; c < changes; ++c) {
                // Mostly hit the headers and colour table, where the damage matters.
                const size_t limit =
                    std::min<size_t>(bytes.size(), random() % 2 ? 80 : bytes.size());
                bytes[random() % limit] = static_cast<uint8_t>(random());
            }
            if (random() % 3 == 0)
                bytes.resize(random() % bytes.size());
            RgbImage image;
            const DibStatus status = decodeExact(bytes, image);
            EXPECT_NE(status, DibStatus::outOfMemory);
            if (status == DibStatus::ok) {
                EXPECT_EQ(image.data.size(), size_t(image.width) * image.height * 3);
            }
        }
    }
}

} // namespace
