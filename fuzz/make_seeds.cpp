// Writes the hand-made seed files of the fuzz corpora, plus a few models and
// the map of the default data set, into OUTDIR/<target>/. The checked-in
// corpus was made with it; the BMP corpus also holds a selection of the
// public BMP suite, copied by hand.
//
//   fuzz_make_seeds OUTDIR

#include "assets/asset_models.h"
#include "assets/sample_map.h"
#include "bmp_writer.h"
#include "map/map_file.h"
#include "map_text.h"
#include "ms3d_writer.h"
#include "platform/byte_io.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

bool failed = false;

void write(const fs::path& folder, const std::string& name, const Bytes& bytes) {
    std::error_code error;
    fs::create_directories(folder, error);
    std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", (folder / name).string().c_str());
        failed = true;
    }
}

void write(const fs::path& folder, const std::string& name, const std::string& text) {
    write(folder, name, Bytes(text.begin(), text.end()));
}

Bytes truncated(const Bytes& bytes, size_t size) {
    return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
}

// ---- MS3D ----------------------------------------------------------------

Bytes encode(const Ms3dFile& file) {
    Bytes bytes;
    if (!encodeMs3d(file, bytes)) {
        std::fprintf(stderr, "cannot encode a model seed\n");
        failed = true;
    }
    return bytes;
}

// One quad in one group with one textured material.
Ms3dFile quadModel() {
    Ms3dFile file;
    file.groups.resize(1);
    file.groups[0].name = "quad";
    file.groups[0].materialIndex = 0;
    appendMs3dQuad(file, 0, -1, -1, 1, 1, 0);
    file.materials.resize(1);
    file.materials[0].name = "stone";
    file.materials[0].textureName = "land0.bmp";
    return file;
}

void writeModelSeeds(const fs::path& folder) {
    Ms3dFile empty;
    write(folder, "empty-v4.ms3d", encode(empty));
    empty.version = 3;
    write(folder, "empty-v3.ms3d", encode(empty));
    empty.version = 5;
    write(folder, "bad-version-5.ms3d", encode(empty));
    empty.version = 2;
    write(folder, "bad-version-2.ms3d", encode(empty));
    Ms3dFile badName;
    badName.identifier[9] = '1';
    write(folder, "bad-identifier.ms3d", encode(badName));

    const Ms3dFile quad = quadModel();
    const Bytes quadBytes = encode(quad);
    write(folder, "quad.ms3d", quadBytes);
    write(folder, "short-header.ms3d", truncated(quadBytes, 12));
    // Cut inside each section in turn: vertices start at 14, then 4 x 15
    // bytes, triangles 2 x 70, the group 36 + 4, the material 361.
    write(folder, "cut-vertices.ms3d", truncated(quadBytes, 14 + 2 + 20));
    write(folder, "cut-triangles.ms3d", truncated(quadBytes, 76 + 2 + 70));
    write(folder, "cut-groups.ms3d", truncated(quadBytes, 218 + 2 + 30));
    write(folder, "cut-materials.ms3d", truncated(quadBytes, quadBytes.size() - 100));
    write(folder, "no-material-count.ms3d", truncated(quadBytes, quadBytes.size() - 363));

    Ms3dFile odd = quad;
    odd.version = 3;
    odd.triangles[0].vertexIndices[1] = 0xFFFF; // out of range, and not -1
    odd.groups[0].triangleIndices.push_back(0xFFFF);
    odd.groups[0].materialIndex = 5; // past the one material
    odd.groups.push_back(Ms3dFileGroup());
    odd.groups[1].name = "empty group";
    odd.groups[1].materialIndex = -1;                     // stored as 0xFF
    odd.materials[0].textureName = std::string(128, 'x'); // no terminator
    odd.materials.push_back(Ms3dFileMaterial());          // no texture
    odd.trailer = {1, 2, 3, 4, 5, 6, 7, 8};
    write(folder, "odd-indices.ms3d", encode(odd));

    // Counts that claim more than the file holds.
    Bytes claims;
    ByteWriter putClaims{claims};
    putClaims.raw("MS3D000000", 10);
    putClaims.i32(4);
    putClaims.u16(0xFFFF);
    write(folder, "huge-vertex-count.ms3d", claims);
    Bytes groupClaim = encode(Ms3dFile());
    groupClaim.resize(18); // header and zero vertices and triangles
    ByteWriter putGroup{groupClaim};
    putGroup.u16(1);
    putGroup.u8(0);
    putGroup.fill(32, 'g');
    putGroup.u16(0xFFFF); // a group of 65535 triangles, with none there
    write(folder, "huge-group.ms3d", groupClaim);

    // A few of the default data set's models, the smaller ones.
    for (const ModelAsset& asset : makeFixedModels())
        write(folder, "default-" + asset.fileName, encode(asset.file));
    const std::vector<ModelAsset> objects = makeObjectModels();
    if (!objects.empty())
        write(folder, "default-" + objects[0].fileName, encode(objects[0].file));
}

// ---- BMP -----------------------------------------------------------------

struct DibHeader {
    int32_t width = 3;
    int32_t height = 2;
    uint16_t bitCount = 24;
    uint32_t compression = 0;
    uint32_t colorsUsed = 0;
};

// A 40-byte-header DIB with `table` (4-byte entries), `masks` and `pixels`
// as given, with or without the file header; `gap` bytes between the table
// and the pixels, which only the file header's offset can skip.
Bytes dib(const DibHeader& header, const Bytes& table, const Bytes& pixels, bool fileHeader = true,
          const std::vector<uint32_t>& masks = {}, size_t gap = 0) {
    Bytes out;
    ByteWriter put{out};
    const uint32_t offset = static_cast<uint32_t>(14 + 40 + 4 * masks.size() + table.size() + gap);
    if (fileHeader) {
        put.raw("BM", 2);
        put.u32(static_cast<uint32_t>(offset + pixels.size()));
        put.u32(0);
        put.u32(offset);
    }
    put.u32(40);
    put.i32(header.width);
    put.i32(header.height);
    put.u16(1);
    put.u16(header.bitCount);
    put.u32(header.compression);
    put.u32(static_cast<uint32_t>(pixels.size()));
    put.u32(2835);
    put.u32(2835);
    put.u32(header.colorsUsed);
    put.u32(0);
    for (uint32_t mask : masks)
        put.u32(mask);
    put.raw(table.data(), table.size());
    put.fill(gap, 0xEE);
    put.raw(pixels.data(), pixels.size());
    return out;
}

Bytes greyTable(int entries) {
    Bytes table;
    for (int i = 0; i < entries; ++i) {
        const uint8_t v = static_cast<uint8_t>(i * 255 / (entries > 1 ? entries - 1 : 1));
        table.insert(table.end(), {v, static_cast<uint8_t>(255 - v), v, 0});
    }
    return table;
}

void writeImageSeeds(const fs::path& folder) {
    const Bytes rgb = {0x10, 0x20, 0x30, 0xFF, 0, 0, 0,  0xFF, 0,  0,  0,  0xFF, 1,  2,  3,
                       4,    5,    6,    7,    8, 9, 10, 11,   12, 13, 14, 15,   16, 17, 18};
    Bytes bytes;
    if (encodeBmp24(5, 2, rgb, bytes))
        write(folder, "rgb24-5x2.bmp", bytes);
    const Bytes indices = {0, 1, 2, 3, 2, 1, 0, 0, 0, 0, 3, 3};
    const Bytes palette = {255, 0, 0, 0, 255, 0, 0, 0, 255, 200, 100, 50};
    if (encodeBmp8(6, 2, indices, palette, bytes))
        write(folder, "pal8-6x2.bmp", bytes);
    if (encodeBmpRle8(6, 2, indices, palette, bytes))
        write(folder, "rle8-6x2.bmp", bytes);
    if (encodeBmpCore8(6, 2, indices, palette, bytes))
        write(folder, "core8-6x2.bmp", bytes);
    if (encodeBmpCore24(5, 2, rgb, bytes))
        write(folder, "core24-5x2.bmp", bytes);

    // 1 and 4 bits, rows padded to four bytes.
    DibHeader one;
    one.width = 9;
    one.bitCount = 1;
    write(folder, "pal1-9x2.bmp", dib(one, greyTable(2), {0xA5, 0x80, 0, 0, 0x5A, 0x00, 0, 0}));
    DibHeader four;
    four.width = 5;
    four.bitCount = 4;
    write(folder, "pal4-5x2.bmp",
          dib(four, greyTable(16), {0x01, 0x23, 0xF0, 0, 0xFE, 0xDC, 0xB0, 0}));
    four.colorsUsed = 3; // a short table; indices past it are black
    write(folder, "pal4-short-table.bmp",
          dib(four, greyTable(3), {0x01, 0x23, 0xF0, 0, 0xFE, 0xDC, 0xB0, 0}));
    // 4-bit runs: a run, a literal, end of line, a delta, end of bitmap.
    DibHeader rle4 = four;
    rle4.width = 8;
    rle4.height = 3;
    rle4.compression = 2;
    rle4.colorsUsed = 0;
    write(folder, "rle4-8x3.bmp",
          dib(rle4, greyTable(16),
              {4, 0x12, 0, 3, 0x34, 0x50, 0, 0, 0, 2, 1, 1, 3, 0xAB, 0, 0, 0, 1}));
    DibHeader rle8;
    rle8.width = 4;
    rle8.height = 2;
    rle8.bitCount = 8;
    rle8.compression = 1;
    rle8.colorsUsed = 4;
    write(folder, "rle8-no-end.bmp", dib(rle8, greyTable(4), {4, 1, 0, 0, 2, 3}));
    write(folder, "rle8-delta-past-end.bmp", dib(rle8, greyTable(4), {0, 2, 9, 9, 0, 1}));

    DibHeader sixteen;
    sixteen.bitCount = 16;
    write(
        folder, "rgb16-3x2.bmp",
        dib(sixteen, {},
            {0x1F, 0x00, 0xE0, 0x03, 0x00, 0x7C, 0, 0, 0xFF, 0x7F, 0x00, 0x80, 0x55, 0x55, 0, 0}));
    sixteen.compression = 3;
    write(folder, "rgb16-565-3x2.bmp",
          dib(sixteen, {}, {0x1F, 0x00, 0xE0, 0x07, 0x00, 0xF8, 0, 0, 0xFF, 0xFF, 0, 0, 1, 2, 0, 0},
              true, {0xF800, 0x07E0, 0x001F}));
    DibHeader thirtyTwo;
    thirtyTwo.width = 2;
    thirtyTwo.bitCount = 32;
    write(folder, "rgb32-2x2.bmp",
          dib(thirtyTwo, {}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));
    thirtyTwo.compression = 3;
    write(folder, "rgb32-bitfields-odd-masks.bmp",
          dib(thirtyTwo, {}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}, true,
              {0xFFFFFFFFu, 0x00000001u, 0x80000000u}));

    DibHeader topDown;
    topDown.height = -2;
    write(folder, "rgb24-top-down.bmp", dib(topDown, {}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0,
                                                          9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 0, 0}));
    DibHeader plain;
    write(folder, "rgb24-no-file-header.dib",
          dib(plain, {}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 0, 0},
              false));
    write(folder, "rgb24-gap-before-pixels.bmp",
          dib(plain, {}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 0, 0},
              true, {}, 6));
    write(folder, "rgb24-short-pixels.bmp", dib(plain, {}, {1, 2, 3, 4, 5, 6, 7, 8, 9}));
    DibHeader huge;
    huge.width = 0x7FFFFFFF;
    huge.height = 0x7FFFFFFF;
    write(folder, "rgb24-huge-size.bmp", dib(huge, {}, {1, 2, 3, 0}));

    Bytes v4 = dib(plain, {}, {1, 2, 3, 0, 4, 5, 6, 0});
    v4[14] = 108; // a header size the decoder does not know
    write(folder, "header-108.bmp", v4);
    write(folder, "file-header-only.bmp", truncated(v4, 14));
    write(folder, "bm-only.bmp", Bytes{'B', 'M'});
    write(folder, "empty.bmp", Bytes{});
}

// ---- Map -----------------------------------------------------------------

Bytes mapBytes(const HexMap& map) {
    Bytes bytes(mapFileSize);
    encodeMapBytes(map, bytes.data());
    return bytes;
}

float nanWithBits(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

HexMap oddValuesMap() {
    HexMap map;
    const float odd[] = {std::numeric_limits<float>::quiet_NaN(),
                         -std::numeric_limits<float>::quiet_NaN(),
                         std::numeric_limits<float>::infinity(),
                         -std::numeric_limits<float>::infinity(),
                         -0.0f,
                         std::numeric_limits<float>::denorm_min(),
                         std::numeric_limits<float>::max(),
                         std::numeric_limits<float>::lowest(),
                         5.0f,
                         -1.0f,
                         40.0f,
                         0.1f,
                         nanWithBits(0x7fc00001u),  // quiet, with a payload
                         nanWithBits(0x7f800001u),  // signalling
                         nanWithBits(0xffffffffu)}; // negative, every payload bit
    constexpr int oddCount = sizeof odd / sizeof odd[0];
    int next = 0;
    for (int layer = 0; layer < mapLayerCount; ++layer)
        for (int row = 0; row < mapRows; ++row)
            for (int column = 0; column < mapColumns; ++column)
                mapLayer(map, layer).cell[row][column] = odd[next++ % oddCount];
    return map;
}

void writeMapSeeds(const fs::path& folder) {
    HexMap sample;
    makeSampleMap(sample);
    const Bytes sampleBytes = mapBytes(sample);
    write(folder, "sample.map", sampleBytes);
    write(folder, "zero.map", mapBytes(HexMap()));
    Bytes odd = mapBytes(oddValuesMap());
    odd[2] = 0x80; // a NaN with a payload, kept bit for bit
    odd[3] = 0x7F;
    odd[1] = 0x12;
    odd[0] = 0x34;
    write(folder, "odd-values.map", odd);
    write(folder, "short-1000.map", truncated(sampleBytes, 1000));
    write(folder, "short-cut-value.map", truncated(sampleBytes, 2639));
    write(folder, "one-byte.map", truncated(sampleBytes, 1));
    Bytes longer = sampleBytes;
    longer.insert(longer.end(), {0xDE, 0xAD, 0xBE, 0xEF, 0x01});
    write(folder, "long-2645.map", longer);
    write(folder, "empty.map", Bytes{});
}

// ---- Settings ------------------------------------------------------------

Bytes settingsBytes(uint8_t flag, int32_t resolution, int32_t depth, int32_t refresh) {
    Bytes out;
    ByteWriter put{out};
    put.u8(flag);
    put.i32(resolution);
    put.i32(depth);
    put.i32(refresh);
    return out;
}

void writeSettingsSeeds(const fs::path& folder) {
    write(folder, "fullscreen-default.cfg", settingsBytes(1, 2, 1, 3));
    write(folder, "windowed-640-16-60.cfg", settingsBytes(0, 0, 0, 0));
    write(folder, "flag-2-1600-keep-rate.cfg", settingsBytes(2, 5, 1, 7));
    write(folder, "out-of-range.cfg", settingsBytes(1, 6, 2, 8));
    write(folder, "negative.cfg", settingsBytes(0xFF, -1, -1, -1));
    write(folder, "extremes.cfg",
          settingsBytes(1, 0x7FFFFFFF, static_cast<int32_t>(0x80000000u), 0x7FFFFFFF));
    write(folder, "short-5.cfg", truncated(settingsBytes(0, 4, 0, 6), 5));
    write(folder, "short-10.cfg", truncated(settingsBytes(0, 4, 0, 6), 10));
    Bytes longer = settingsBytes(0, 1, 0, 4);
    longer.insert(longer.end(), {9, 9, 9});
    write(folder, "long-16.cfg", longer);
    write(folder, "empty.cfg", Bytes{});
}

// ---- Map text ------------------------------------------------------------

void writeMapTextSeeds(const fs::path& folder) {
    HexMap sample;
    makeSampleMap(sample);
    const std::string sampleText = formatMapText(sample);
    write(folder, "sample.txt", sampleText);
    write(folder, "zero.txt", formatMapText(HexMap()));
    write(folder, "odd-values.txt", formatMapText(oddValuesMap()));

    // By hand: comments, blank lines, CRLF, spacing, layers out of order,
    // signs and exponents.
    std::string byHand = "# a map written by hand\r\n\r\n";
    const char* const order[] = {"unit", "object", "height", "water"};
    for (const char* layer : order) {
        byHand += std::string("  ") + layer + "  \r\n";
        for (int row = 0; row < mapRows; ++row) {
            byHand += row % 3 == 0 ? "+1 -2.5 3e0 0x1 1e-45 -0 .5 5. inf -inf nan\r\n"
                                   : "\t0 0 0 0 0 0 0 0 0 0 0\r\n";
            if (row == 7)
                byHand += "# halfway\r\n";
        }
    }
    write(folder, "by-hand.txt", byHand);

    // Refused: each fails somewhere else.
    write(folder, "missing-layer.txt", sampleText.substr(0, sampleText.find("unit")));
    write(folder, "short-layer.txt", "height\n0 0 0 0 0 0 0 0 0 0 0\nwater\n");
    write(folder, "twice.txt", sampleText + sampleText.substr(0, sampleText.find("water")));
    write(folder, "unknown-layer.txt", "heights\n");
    write(folder, "bad-number.txt", "height\n0 0 0 0 0 0 0 0 0 0 --1\n");
    write(folder, "too-many-values.txt", "water\n0 0 0 0 0 0 0 0 0 0 0 0\n");
    write(folder, "out-of-range.txt", "object\n1e39 0 0 0 0 0 0 0 0 0 0\n");
    write(folder, "nan-not-a-nan.txt", "unit\n0 0 0 0 0 0 0 0 0 0 nan(0x7f800000)\n");
    write(folder, "empty.txt", std::string());
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    const fs::path out = argv[1];
    writeModelSeeds(out / "ms3d");
    writeImageSeeds(out / "bmp");
    writeMapSeeds(out / "map");
    writeSettingsSeeds(out / "settings");
    writeMapTextSeeds(out / "map_text");
    return failed ? 1 : 0;
}
