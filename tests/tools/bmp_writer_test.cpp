// The palettised BMP forms written for the default textures decode back to
// exactly the pixels they were given.

#include "bmp_writer.h"
#include "image/bmp_image.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

std::vector<uint8_t> palette(int entries) {
    std::vector<uint8_t> rgb;
    for (int i = 0; i < entries; ++i) {
        rgb.push_back(static_cast<uint8_t>(i * 7));
        rgb.push_back(static_cast<uint8_t>(255 - i));
        rgb.push_back(static_cast<uint8_t>(i * 13 + 1));
    }
    return rgb;
}

// The RGB pixels an index picture stands for, bottom row first.
std::vector<uint8_t> expand(const std::vector<uint8_t>& indices, const std::vector<uint8_t>& pal) {
    std::vector<uint8_t> rgb;
    for (uint8_t i : indices)
        rgb.insert(rgb.end(), pal.begin() + 3 * i, pal.begin() + 3 * i + 3);
    return rgb;
}

RgbImage decode(const std::vector<uint8_t>& bytes) {
    RgbImage image;
    EXPECT_EQ(decodeDibBytes(bytes.data(), bytes.size(), image), DibStatus::ok);
    return image;
}

// Rows that stress the run-length coder: runs of 1, 2, 3 and more than
// 255, literal stretches of odd and even length, and a width that is not a
// multiple of 4.
std::vector<uint8_t> awkwardIndices(int width, int height, int entries) {
    std::vector<uint8_t> indices;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int v;
            switch (y % 5) {
            case 0:
                v = 3;
                break; // one long run
            case 1:
                v = (x * 31 + y) % entries;
                break; // all literal
            case 2:
                v = (x / 3) % entries;
                break; // runs of 3
            case 3:
                v = (x % 7 < 2) ? x % entries : 9;
                break; // mixed short stretches
            default:
                v = (x / 2) % entries;
                break; // runs of 2
            }
            indices.push_back(static_cast<uint8_t>(v));
        }
    return indices;
}

} // namespace

TEST(BmpForms, PalettisedFormsRoundTripThroughTheDecoder) {
    for (int width : {1, 3, 6, 128, 301}) {
        SCOPED_TRACE(width);
        const int height = 11;
        const auto pal = palette(40);
        const auto indices = awkwardIndices(width, height, 40);
        const auto expected = expand(indices, pal);
        std::vector<uint8_t> bytes;

        ASSERT_TRUE(encodeBmp8(width, height, indices, pal, bytes));
        RgbImage image = decode(bytes);
        EXPECT_EQ(image.width, width);
        EXPECT_EQ(image.height, height);
        EXPECT_EQ(image.data, expected);

        ASSERT_TRUE(encodeBmpRle8(width, height, indices, pal, bytes));
        EXPECT_EQ(decode(bytes).data, expected);

        ASSERT_TRUE(encodeBmpCore8(width, height, indices, pal, bytes));
        EXPECT_EQ(decode(bytes).data, expected);

        ASSERT_TRUE(encodeBmpCore24(width, height, expected, bytes));
        EXPECT_EQ(decode(bytes).data, expected);
    }
}

TEST(BmpForms, RunLengthCodingShrinksRunsAndMarksItsForm) {
    const int width = 128, height = 64;
    std::vector<uint8_t> flat(static_cast<size_t>(width) * height, 2);
    std::vector<uint8_t> rle, plain;
    ASSERT_TRUE(encodeBmpRle8(width, height, flat, palette(4), rle));
    ASSERT_TRUE(encodeBmp8(width, height, flat, palette(4), plain));
    EXPECT_LT(rle.size(), plain.size() / 10);
    DibDescription dib;
    ASSERT_EQ(readDibDescription(rle.data(), rle.size(), dib), DibStatus::ok);
    EXPECT_EQ(dib.compression, 1u);
    EXPECT_EQ(dib.imageSize, rle.size() - dib.pixelOffset);
    EXPECT_EQ(dib.colorsUsed, 4u);
}

TEST(BmpForms, BadInputIsRefused) {
    std::vector<uint8_t> out;
    EXPECT_FALSE(encodeBmp8(2, 2, {0, 1, 2, 3}, palette(3), out)); // index 3 has no colour
    EXPECT_FALSE(encodeBmpRle8(2, 2, {0, 1, 2}, palette(4), out)); // too few pixels
    EXPECT_FALSE(encodeBmpCore8(2, 2, {0, 0, 0, 0}, palette(257), out));
    EXPECT_FALSE(encodeBmpCore24(0, 2, {}, out));
    EXPECT_TRUE(out.empty());
}
