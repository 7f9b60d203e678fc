#include "assets/asset_textures.h"

#include "bmp_writer.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float pi = 3.14159265358979f;

struct Rgb {
    float r = 0, g = 0, b = 0;
};

Rgb operator*(Rgb c, float k) {
    return {c.r * k, c.g * k, c.b * k};
}
Rgb operator+(Rgb a, Rgb b) {
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}
Rgb blend(Rgb a, Rgb b, float k) {
    return a * (1 - k) + b * k;
}

float clamp01(float v) {
    return v < 0 ? 0 : (v > 1 ? 1 : v);
}
float smooth(float v) {
    return v * v * (3 - 2 * v);
}
float smoothStep(float edge0, float edge1, float v) {
    return smooth(clamp01((v - edge0) / (edge1 - edge0)));
}

uint32_t mix(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

// A grid over one texture repeat, cellsU by cellsV cells, both even. Points
// of the grid that the tile lattice maps onto each other get the same value:
// the repeat (cellsU, 0), (0, cellsV) and the half step (cellsU/2, cellsV/2).
struct Grid {
    int cellsU;
    int cellsV;
};

Grid finer(Grid g, int factor) {
    return {g.cellsU * factor, g.cellsV * factor};
}

uint32_t latticeHash(Grid g, int a, int b, uint32_t seed) {
    const int halfU = g.cellsU / 2, halfV = g.cellsV / 2;
    const int k = static_cast<int>(std::floor(static_cast<float>(b) / static_cast<float>(halfV)));
    b -= k * halfV;
    a -= k * halfU;
    a = ((a % g.cellsU) + g.cellsU) % g.cellsU;
    return mix(seed * 0x9E3779B9u ^
               mix(static_cast<uint32_t>(a) * 73856093u ^ static_cast<uint32_t>(b) * 19349663u));
}

float hashUnit(uint32_t h) {
    return static_cast<float>(h & 0xFFFFFF) / 16777215.0f;
}

float latticeValue(Grid g, int a, int b, uint32_t seed) {
    return hashUnit(latticeHash(g, a, b, seed));
}

// Smooth value noise in 0..1 at texture position (u, v).
float valueNoise(Grid g, float u, float v, uint32_t seed) {
    const float gu = u * static_cast<float>(g.cellsU), gv = v * static_cast<float>(g.cellsV);
    const int a = static_cast<int>(std::floor(gu)), b = static_cast<int>(std::floor(gv));
    const float fu = smooth(gu - static_cast<float>(a)), fv = smooth(gv - static_cast<float>(b));
    const float v00 = latticeValue(g, a, b, seed), v10 = latticeValue(g, a + 1, b, seed);
    const float v01 = latticeValue(g, a, b + 1, seed), v11 = latticeValue(g, a + 1, b + 1, seed);
    return (v00 * (1 - fu) + v10 * fu) * (1 - fv) + (v01 * (1 - fu) + v11 * fu) * fv;
}

// Fractal sum of value noise, about 0..1.
float fractal(Grid g, float u, float v, int octaves, uint32_t seed, float gain = 0.5f) {
    float sum = 0, amplitude = 1, total = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * valueNoise(g, u, v, seed + static_cast<uint32_t>(i) * 101u);
        total += amplitude;
        amplitude *= gain;
        g = finer(g, 2);
    }
    return sum / total;
}

// Cellular noise: distances in world units to the nearest and second nearest
// feature point (one per grid cell), and a hash of the nearest one's cell.
struct Cells {
    float nearest = 1e9f;
    float second = 1e9f;
    uint32_t id = 0;
};

Cells cells(Grid g, float u, float v, uint32_t seed) {
    const float gu = u * static_cast<float>(g.cellsU), gv = v * static_cast<float>(g.cellsV);
    const int a = static_cast<int>(std::floor(gu)), b = static_cast<int>(std::floor(gv));
    const float cellS = textureSpanS / static_cast<float>(g.cellsU);
    const float cellT = textureSpanT / static_cast<float>(g.cellsV);
    Cells result;
    for (int da = -1; da <= 1; ++da)
        for (int db = -1; db <= 1; ++db) {
            const uint32_t h = latticeHash(g, a + da, b + db, seed);
            const float pu = static_cast<float>(a + da) + 0.1f + 0.8f * hashUnit(h);
            const float pv = static_cast<float>(b + db) + 0.1f + 0.8f * hashUnit(mix(h));
            const float ds = (pu - gu) * cellS, dt = (pv - gv) * cellT;
            const float d = std::sqrt(ds * ds + dt * dt);
            if (d < result.nearest) {
                result.second = result.nearest;
                result.nearest = d;
                result.id = mix(h ^ 0x5bd1e995u);
            } else if (d < result.second) {
                result.second = d;
            }
        }
    return result;
}

// A wave across the texture that also repeats with the tile lattice:
// m + n must be even for the half step.
float wave(int m, int n, float u, float v, float phase) {
    return std::sin(2 * pi * (static_cast<float>(m) * u + static_cast<float>(n) * v) + phase);
}

// Isotropic grids: a cell is about as long along z (1.74 / cellsU) as along
// x (3.0 / cellsV).
constexpr Grid coarse{2, 4};   // 0.87 x 0.75
constexpr Grid medium{4, 6};   // 0.44 x 0.5
constexpr Grid fine{8, 14};    // 0.22 x 0.21
constexpr Grid fine2{16, 28};  // 0.11
constexpr Grid finest{24, 42}; // 0.07

struct Painted {
    int size = 0;
    std::vector<uint8_t> rgb;     // bottom row first
    std::vector<uint8_t> indices; // when palettised
    std::vector<uint8_t> palette;
};

uint8_t toByte(float v) {
    return static_cast<uint8_t>(std::lround(clamp01(v) * 255.0f));
}

template <typename Paint> Painted paintRgb(int size, Paint paint) {
    Painted out;
    out.size = size;
    out.rgb.reserve(static_cast<size_t>(size) * size * 3);
    for (int row = 0; row < size; ++row)
        for (int column = 0; column < size; ++column) {
            const float u = (static_cast<float>(column) + 0.5f) / static_cast<float>(size);
            const float v = (static_cast<float>(row) + 0.5f) / static_cast<float>(size);
            const Rgb c = paint(u, v, column, row);
            out.rgb.push_back(toByte(c.r));
            out.rgb.push_back(toByte(c.g));
            out.rgb.push_back(toByte(c.b));
        }
    return out;
}

// `paint` returns a palette index directly.
template <typename Paint>
Painted paintIndexed(int size, const std::vector<Rgb>& palette, Paint paint) {
    Painted out;
    out.size = size;
    for (const Rgb& c : palette) {
        out.palette.push_back(toByte(c.r));
        out.palette.push_back(toByte(c.g));
        out.palette.push_back(toByte(c.b));
    }
    out.indices.reserve(static_cast<size_t>(size) * size);
    for (int row = 0; row < size; ++row)
        for (int column = 0; column < size; ++column) {
            const float u = (static_cast<float>(column) + 0.5f) / static_cast<float>(size);
            const float v = (static_cast<float>(row) + 0.5f) / static_cast<float>(size);
            const int index = paint(u, v, column, row);
            out.indices.push_back(
                static_cast<uint8_t>(std::clamp(index, 0, static_cast<int>(palette.size()) - 1)));
        }
    return out;
}

// A colour ramp through the given stops, `count` entries.
std::vector<Rgb> ramp(const std::vector<Rgb>& stops, int count) {
    std::vector<Rgb> out;
    for (int i = 0; i < count; ++i) {
        const float x = static_cast<float>(i) / static_cast<float>(count - 1) *
                        static_cast<float>(stops.size() - 1);
        const size_t k = std::min(static_cast<size_t>(x), stops.size() - 2);
        out.push_back(blend(stops[k], stops[k + 1], x - static_cast<float>(k)));
    }
    return out;
}

int rampIndex(float value, int count) {
    return static_cast<int>(std::lround(clamp01(value) * static_cast<float>(count - 1)));
}

// Per-texel grain that still repeats with the lattice.
float grain(int size, int column, int row, uint32_t seed) {
    return latticeValue(Grid{size, size}, column, row, seed);
}

Painted paintSand(int size) {
    const Rgb light{0.93f, 0.85f, 0.62f}, dark{0.80f, 0.70f, 0.48f};
    const Rgb pebble{0.62f, 0.58f, 0.52f};
    return paintRgb(size, [&](float u, float v, int column, int row) {
        const float warp = fractal(medium, u, v, 3, 11) * 2.0f;
        const float ripple = wave(4, 6, u, v, warp * 2.5f);
        float k = 0.45f + 0.35f * (fractal(coarse, u, v, 4, 12) - 0.5f) * 2 + 0.12f * ripple;
        k += 0.18f * (grain(size, column, row, 13) - 0.5f);
        Rgb c = blend(dark, light, clamp01(k));
        const Cells p = cells(fine, u, v, 14);
        if ((p.id & 7) == 0 && p.nearest < 0.035f)
            c = blend(pebble, c, p.nearest / 0.035f * 0.6f);
        return c;
    });
}

Painted paintMeadow(int size) {
    // 0..199 the grass, then flower colours.
    std::vector<Rgb> palette =
        ramp({{0.28f, 0.46f, 0.15f}, {0.45f, 0.64f, 0.24f}, {0.66f, 0.80f, 0.36f}}, 200);
    const Rgb flowers[4] = {
        {0.99f, 0.88f, 0.22f}, {0.98f, 0.98f, 0.93f}, {0.78f, 0.50f, 0.92f}, {0.97f, 0.55f, 0.35f}};
    for (const Rgb& f : flowers)
        for (int shade = 0; shade < 4; ++shade)
            palette.push_back(blend(f, Rgb{0.5f, 0.7f, 0.3f}, 0.18f * static_cast<float>(shade)));
    return paintIndexed(size, palette, [&](float u, float v, int column, int row) {
        const Cells f = cells(finest, u, v, 21);
        if ((f.id & 3) == 0 && f.nearest < 0.03f) {
            const int kind = static_cast<int>((f.id >> 3) % 4);
            const int shade = std::min(3, static_cast<int>(f.nearest / 0.03f * 4));
            return 200 + kind * 4 + shade;
        }
        const float tuft = 1.0f - clamp01(cells(fine2, u, v, 22).nearest / 0.09f);
        float k = 0.55f + 0.5f * (fractal(medium, u, v, 4, 23) - 0.5f) + 0.18f * tuft;
        k += 0.22f * (grain(size, column, row, 24) - 0.5f);
        return rampIndex(k, 200);
    });
}

Painted paintGrass(int size) {
    const std::vector<Rgb> palette =
        ramp({{0.13f, 0.28f, 0.07f}, {0.27f, 0.50f, 0.15f}, {0.46f, 0.68f, 0.25f}}, 256);
    return paintIndexed(size, palette, [&](float u, float v, int column, int row) {
        const Cells c = cells(fine2, u, v, 31);
        const float clump = 1.0f - clamp01(c.nearest / 0.08f);
        float k = 0.5f + 0.55f * (fractal(coarse, u, v, 5, 32) - 0.5f) + 0.2f * clump;
        k += 0.16f * (grain(size, column, row, 33) - 0.5f);
        return rampIndex(k, 256);
    });
}

Painted paintForestFloor(int size) {
    const std::vector<Rgb> palette = ramp({{0.14f, 0.22f, 0.08f},
                                           {0.24f, 0.36f, 0.13f},
                                           {0.36f, 0.33f, 0.16f},
                                           {0.48f, 0.36f, 0.18f},
                                           {0.62f, 0.48f, 0.24f}},
                                          256);
    return paintIndexed(size, palette, [&](float u, float v, int column, int row) {
        const float moss = fractal(medium, u, v, 4, 41);
        const Cells leaf = cells(fine2, u, v, 42);
        float k = 0.15f + 0.75f * smoothStep(0.35f, 0.65f, moss);
        if ((leaf.id & 3) == 0 && leaf.nearest < 0.04f)
            k += 0.25f; // a fallen leaf
        k += 0.2f * (grain(size, column, row, 43) - 0.5f);
        return rampIndex(k, 256);
    });
}

Painted paintHills(int size) {
    const Rgb dry{0.62f, 0.60f, 0.34f}, green{0.42f, 0.52f, 0.25f}, earth{0.55f, 0.43f, 0.28f};
    const Rgb stone{0.56f, 0.55f, 0.52f};
    return paintRgb(size, [&](float u, float v, int column, int row) {
        const float n = fractal(coarse, u, v, 5, 51);
        Rgb c = blend(green, dry, smoothStep(0.35f, 0.6f, n));
        const float patch = fractal(medium, u, v, 3, 52);
        c = blend(c, earth, 0.8f * smoothStep(0.6f, 0.72f, patch));
        const Cells s = cells(fine, u, v, 53);
        if ((s.id & 3) == 0 && s.nearest < 0.05f)
            c = blend(stone, c, smoothStep(0.03f, 0.05f, s.nearest));
        return c * (0.9f + 0.2f * grain(size, column, row, 54));
    });
}

Painted paintRock(int size) {
    // 0..55 stone, 56..63 lichen.
    std::vector<Rgb> palette =
        ramp({{0.25f, 0.25f, 0.27f}, {0.50f, 0.49f, 0.48f}, {0.74f, 0.72f, 0.69f}}, 56);
    const std::vector<Rgb> lichen = ramp({{0.52f, 0.55f, 0.30f}, {0.70f, 0.72f, 0.42f}}, 8);
    palette.insert(palette.end(), lichen.begin(), lichen.end());
    return paintIndexed(size, palette, [&](float u, float v, int column, int row) {
        const Cells slab = cells(medium, u, v, 61);
        const float face = hashUnit(slab.id);
        const float crack = smoothStep(0.0f, 0.05f, slab.second - slab.nearest);
        float k = 0.35f + 0.3f * face + 0.3f * (fractal(fine, u, v, 3, 62) - 0.5f);
        k = k * (0.35f + 0.65f * crack);
        k += 0.12f * (grain(size, column, row, 63) - 0.5f);
        if (fractal(medium, u, v, 3, 64) > 0.66f && crack > 0.9f)
            return 56 + rampIndex(k + 0.2f, 8);
        return rampIndex(k, 56);
    });
}

Painted paintSnow(int size) {
    // Few, smooth shades so that the rows fall into long runs.
    const std::vector<Rgb> palette =
        ramp({{0.70f, 0.77f, 0.88f}, {0.88f, 0.92f, 0.97f}, {0.99f, 0.99f, 1.0f}}, 24);
    return paintIndexed(size, palette, [&](float u, float v, int, int) {
        const float drift = fractal(coarse, u, v, 4, 71);
        const float ridge = 0.5f + 0.5f * wave(2, 4, u, v, 4.0f * fractal(medium, u, v, 2, 72));
        const float k = 0.62f + 1.3f * (drift - 0.5f) - 0.25f * smoothStep(0.7f, 1.0f, ridge);
        return rampIndex(k, 24);
    });
}

Painted paintWater(int size) {
    const Rgb deep{0.09f, 0.25f, 0.48f}, shallow{0.18f, 0.44f, 0.64f}, crest{0.62f, 0.80f, 0.90f};
    return paintRgb(size, [&](float u, float v, int, int) {
        // Two crossing swells bent by noise, their crests catching the light.
        const float bend = 3.0f * fractal(medium, u, v, 3, 81);
        const float swell = 0.5f * wave(2, 4, u, v, bend) + 0.5f * wave(4, -2, u, v, 1.3f * bend);
        Rgb c = blend(deep, shallow, 0.25f + 0.6f * fractal(coarse, u, v, 4, 83));
        c = blend(c, shallow, 0.25f * (swell * 0.5f + 0.5f));
        const float sparkle = fractal(fine, u, v, 3, 84);
        const float crestLine = smoothStep(0.62f, 0.95f, swell) * smoothStep(0.45f, 0.7f, sparkle);
        return blend(c, crest, 0.55f * crestLine);
    });
}

Painted paintPaving(int size) {
    // Stone setts in mortar: 0..47 stone shades, 48..63 mortar.
    std::vector<Rgb> palette =
        ramp({{0.52f, 0.50f, 0.47f}, {0.70f, 0.67f, 0.61f}, {0.84f, 0.80f, 0.72f}}, 48);
    const std::vector<Rgb> mortar = ramp({{0.28f, 0.27f, 0.25f}, {0.42f, 0.40f, 0.36f}}, 16);
    palette.insert(palette.end(), mortar.begin(), mortar.end());
    return paintIndexed(size, palette, [&](float u, float v, int column, int row) {
        const Cells sett = cells(fine, u, v, 91);
        const float gap = sett.second - sett.nearest;
        const float g = grain(size, column, row, 92);
        if (gap < 0.025f)
            return 48 + rampIndex(0.3f + 0.5f * g, 16);
        // Each stone its own shade, rounded toward its edges.
        const float k = 0.25f + 0.5f * hashUnit(sett.id) + 0.25f * smoothStep(0.025f, 0.09f, gap);
        return rampIndex(k + 0.15f * (g - 0.5f), 48);
    });
}

bool encode(const Painted& p, BmpForm form, std::vector<uint8_t>& out) {
    switch (form) {
    case BmpForm::rgb24:
        return encodeBmp24(p.size, p.size, p.rgb, out);
    case BmpForm::core24:
        return encodeBmpCore24(p.size, p.size, p.rgb, out);
    case BmpForm::palette8:
        return encodeBmp8(p.size, p.size, p.indices, p.palette, out);
    case BmpForm::rle8:
        return encodeBmpRle8(p.size, p.size, p.indices, p.palette, out);
    case BmpForm::core8:
        return encodeBmpCore8(p.size, p.size, p.indices, p.palette, out);
    }
    return false;
}

} // namespace

const char* bmpFormName(BmpForm form) {
    switch (form) {
    case BmpForm::rgb24:
        return "24-bit";
    case BmpForm::palette8:
        return "8-bit palettised";
    case BmpForm::rle8:
        return "8-bit RLE8";
    case BmpForm::core8:
        return "8-bit, 12-byte core header";
    case BmpForm::core24:
        return "24-bit, 12-byte core header";
    }
    return "?";
}

std::vector<TextureAsset> makeTextureAssets() {
    struct Recipe {
        const char* fileName;
        const char* title;
        BmpForm form;
        int size;
        Painted (*paint)(int size);
    };
    const Recipe recipes[] = {
        {"land0.bmp", "sand", BmpForm::rgb24, 128, paintSand},
        {"land1.bmp", "meadow", BmpForm::palette8, 128, paintMeadow},
        {"land2.bmp", "grass", BmpForm::rle8, 128, paintGrass},
        {"land3.bmp", "forest floor", BmpForm::core8, 128, paintForestFloor},
        {"land4.bmp", "hills", BmpForm::core24, 128, paintHills},
        {"land5.bmp", "rock", BmpForm::palette8, 128, paintRock},
        {"land6.bmp", "snow", BmpForm::rle8, 64, paintSnow},
        {"water.bmp", "water", BmpForm::rgb24, 128, paintWater},
        {"paving.bmp", "paving stones", BmpForm::palette8, 128, paintPaving},
    };
    std::vector<TextureAsset> out;
    for (const Recipe& r : recipes) {
        TextureAsset asset;
        asset.fileName = r.fileName;
        asset.title = r.title;
        asset.form = r.form;
        asset.size = r.size;
        encode(r.paint(r.size), r.form, asset.bytes);
        out.push_back(std::move(asset));
    }
    return out;
}
