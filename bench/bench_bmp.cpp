// Decoding BMP textures: our decoder against stb_image's stbi_load on the same
// files, printed side by side. The goal is a ratio (ours / stb) of at most 1.

#include "image/bmp_image.h"
#include "platform/byte_io.h"
#include "platform/platform_hooks.h"

#include <benchmark/benchmark.h>
#include <stb/stb_image.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int side = 512;

std::vector<uint8_t> fileWith(uint16_t bits, uint32_t compression,
                              const std::vector<uint8_t>& table,
                              const std::vector<uint8_t>& pixels) {
    std::vector<uint8_t> out;
    ByteWriter put{out};
    const uint32_t offBits = 14 + 40 + static_cast<uint32_t>(table.size());
    put.raw("BM", 2);
    put.u32(offBits + static_cast<uint32_t>(pixels.size()));
    put.u32(0);
    put.u32(offBits);
    put.u32(40);
    put.u32(side);
    put.u32(side);
    put.u16(1);
    put.u16(bits);
    put.u32(compression);
    put.u32(static_cast<uint32_t>(pixels.size()));
    put.u32(2835);
    put.u32(2835);
    put.u32(static_cast<uint32_t>(table.size() / 4));
    put.u32(0);
    put.raw(table.data(), table.size());
    put.raw(pixels.data(), pixels.size());
    return out;
}

// A texture-like picture: broad bands with some noise, so that run-length
// coding finds runs of mixed lengths.
uint8_t indexAt(int x, int y, uint32_t& seed) {
    seed = seed * 1664525u + 1013904223u;
    const int band = ((x / 24) + (y / 16)) % 200;
    return static_cast<uint8_t>((seed >> 28) == 0 ? (seed >> 8) & 0xFF : band);
}

std::vector<uint8_t> encodeRle8(const std::vector<uint8_t>& indices) {
    std::vector<uint8_t> out;
    for (int y = 0; y < side; ++y) {
        const uint8_t* row = indices.data() + size_t(y) * side;
        int x = 0;
        while (x < side) {
            int run = 1;
            while (x + run < side && run < 255 && row[x + run] == row[x])
                ++run;
            if (run >= 3) {
                out.push_back(static_cast<uint8_t>(run));
                out.push_back(row[x]);
                x += run;
                continue;
            }
            // Literal stretch up to the next run of three.
            int end = x;
            while (end < side && end - x < 255 &&
                   !(end + 2 < side && row[end] == row[end + 1] && row[end] == row[end + 2]))
                ++end;
            const int count = end - x;
            if (count < 3) {
                for (int i = 0; i < count; ++i) {
                    out.push_back(1);
                    out.push_back(row[x + i]);
                }
            } else {
                out.push_back(0);
                out.push_back(static_cast<uint8_t>(count));
                out.insert(out.end(), row + x, row + end);
                if (count & 1)
                    out.push_back(0);
            }
            x = end;
        }
        out.push_back(0);
        out.push_back(y + 1 == side ? 1 : 0);
    }
    return out;
}

struct BenchFiles {
    fs::path dir;
    std::map<std::string, std::string> paths;

    BenchFiles() {
        // One folder per process: another run's clean-up must not take our files.
        dir = fs::temp_directory_path() / ("quillmark-bench-bmp-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        uint32_t seed = 12345;
        std::vector<uint8_t> rgb;
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) {
                seed = seed * 1664525u + 1013904223u;
                rgb.push_back(static_cast<uint8_t>(x ^ y));
                rgb.push_back(static_cast<uint8_t>(y * 2 + (seed >> 30)));
                rgb.push_back(static_cast<uint8_t>(x / 2 + (seed >> 29)));
            }
        add("rgb24", fileWith(24, 0, {}, rgb)); // 512 * 3 is already a multiple of 4

        std::vector<uint8_t> table;
        for (int i = 0; i < 256; ++i) {
            table.push_back(static_cast<uint8_t>(i));
            table.push_back(static_cast<uint8_t>(255 - i));
            table.push_back(static_cast<uint8_t>(i * 7));
            table.push_back(0);
        }
        std::vector<uint8_t> indices;
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x)
                indices.push_back(indexAt(x, y, seed));
        add("pal8", fileWith(8, 0, table, indices));
        add("rle8", fileWith(8, 1, table, encodeRle8(indices)));
    }

    ~BenchFiles() {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    void add(const std::string& name, const std::vector<uint8_t>& bytes) {
        const fs::path path = dir / (name + ".bmp");
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        paths[name] = path.string();
    }
};

BenchFiles& files() {
    static BenchFiles instance;
    return instance;
}

void BM_Ours(benchmark::State& state, const std::string& name) {
    const std::string& path = files().paths.at(name);
    for (auto _ : state) {
        std::unique_ptr<RgbImage> image = loadBmpImage(path.c_str());
        if (image == nullptr) {
            state.SkipWithError("decode failed");
            break;
        }
        benchmark::DoNotOptimize(image->data.data());
    }
}

// stb_image has no run-length BMP support, so the RLE8 picture is measured
// against stb on the same picture stored uncompressed.
void BM_Stb(benchmark::State& state, const std::string& name) {
    const std::string& path = files().paths.at(name == "rle8" ? std::string("pal8") : name);
    for (auto _ : state) {
        int width = 0, height = 0, channels = 0;
        unsigned char* pixels = stbi_load(path.c_str(), &width, &height, &channels, 3);
        if (pixels == nullptr) {
            state.SkipWithError("stbi_load failed");
            break;
        }
        benchmark::DoNotOptimize(pixels);
        stbi_image_free(pixels);
    }
}

// Collects the times to print ours / stb per file after the usual output.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                // With --benchmark_repetitions the fastest repetition counts:
                // on a shared machine the slower ones measure the neighbours.
                const std::string name = run.run_name.function_name;
                const double time = run.GetAdjustedRealTime();
                const auto found = times.find(name);
                if (found == times.end() || time < found->second)
                    times[name] = time;
            }
    }
    void printRatios() const {
        std::printf("\n%-8s %14s %14s %8s\n", "file", "ours (us)", "stb (us)", "ratio");
        for (const char* name : {"rgb24", "pal8", "rle8"}) {
            const auto ours = times.find(std::string("BM_Ours/") + name);
            const auto stb = times.find(std::string("BM_Stb/") + name);
            if (ours == times.end() || stb == times.end())
                continue;
            // Reported in microseconds (see Unit below).
            std::printf("%-8s %14.1f %14.1f %8.2f\n", name, ours->second, stb->second,
                        ours->second / stb->second);
        }
    }

  private:
    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char** argv) {
    platformHooks.showMessage = [](const std::string& caption, const std::string& text,
                                   MessageIcon) {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    };
    for (const char* name : {"rgb24", "pal8", "rle8"}) {
        benchmark::RegisterBenchmark((std::string("BM_Ours/") + name).c_str(), BM_Ours, name)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((std::string("BM_Stb/") + name).c_str(), BM_Stb, name)
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
