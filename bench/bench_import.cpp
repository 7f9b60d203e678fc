// `model import` timed on two builds of quillmark-tool, side by side. Both
// import the same generated glTF 2.0 model (a rippled grid with normals,
// texture coordinates and one embedded PNG texture, in one embedded base64
// buffer), alternately, after one warm-up each. Prints the medians of the
// wall-clock time and of the processor time (the tool and its reader) and
// the ratios B / A. Only runs the tools, so any two builds compare.
//
//   bench_import TOOL_A TOOL_B [--runs N] [--side S] [--keep DIR]
//   bench_import --write-model FILE.gltf [--side S]
//
// S quads a side make 2 S^2 triangles; the default 180 makes 64,800, near the
// 65,535 an MS3D file can count (a larger model is refused after reading).

#include "encoded_bytes.h"
#include "platform/byte_io.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

namespace {

struct GridModel {
    std::string gltf;
    size_t vertices = 0;
    size_t triangles = 0;
    int textureSide = 0;
};

// The ground's height at x, z in [-1, 1] and its slope, for the normals.
float ripple(float x, float z, float& dx, float& dz) {
    const float k = 3 * 3.14159265f, a = 0.05f; // three waves across, 0.05 high
    dx = a * k * std::cos(k * x) * std::cos(k * z);
    dz = -a * k * std::sin(k * x) * std::sin(k * z);
    return a * std::sin(k * x) * std::cos(k * z);
}

// A checkerboard with a diagonal stripe, so that a flipped or turned texture
// would show.
std::vector<uint8_t> texturePng(int side) {
    std::vector<uint8_t> rgb;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const bool dark = ((x / 8) + (y / 8)) % 2 != 0;
            const bool stripe = std::abs(x - y) < 2;
            rgb.insert(rgb.end(), {uint8_t(stripe ? 220
                                           : dark ? 60
                                                  : 110),
                                   uint8_t(stripe ? 40
                                           : dark ? 120
                                                  : 170),
                                   uint8_t(stripe ? 40
                                           : dark ? 50
                                                  : 80)});
        }
    return pngBytesOf(side, side, rgb);
}

std::string number(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", double(value));
    return text;
}

GridModel makeGridModel(int side) {
    GridModel model;
    const int row = side + 1;
    model.vertices = size_t(row) * row;
    model.triangles = size_t(2) * side * side;
    std::vector<uint8_t> positions, normals, coordinates, indices;
    ByteWriter putPosition{positions}, putNormal{normals}, putCoordinate{coordinates},
        putIndex{indices};
    float low[3] = {1e9f, 1e9f, 1e9f}, high[3] = {-1e9f, -1e9f, -1e9f};
    for (int j = 0; j < row; ++j)
        for (int i = 0; i < row; ++i) {
            const float u = float(i) / side, v = float(j) / side;
            const float x = 2 * u - 1, z = 2 * v - 1;
            float dx = 0, dz = 0;
            const float p[3] = {x, ripple(x, z, dx, dz), z};
            const float length = std::sqrt(dx * dx + 1 + dz * dz);
            const float n[3] = {-dx / length, 1 / length, -dz / length};
            putPosition.f32s(p, 3);
            putNormal.f32s(n, 3);
            putCoordinate.f32(u);
            putCoordinate.f32(v);
            for (int k = 0; k < 3; ++k) {
                low[k] = std::min(low[k], p[k]);
                high[k] = std::max(high[k], p[k]);
            }
        }
    // Counter-clockwise seen from above (+y), as glTF's front faces are.
    for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i) {
            const uint32_t a = uint32_t(j * row + i), b = a + 1, c = a + uint32_t(row), d = c + 1;
            for (uint32_t index : {a, c, b, b, c, d})
                putIndex.u32(index);
        }
    std::vector<uint8_t> buffer;
    std::string views;
    for (const std::vector<uint8_t>* part : {&positions, &normals, &coordinates, &indices}) {
        views += std::string(views.empty() ? "" : ",") +
                 "{\"buffer\":0,\"byteOffset\":" + std::to_string(buffer.size()) +
                 ",\"byteLength\":" + std::to_string(part->size()) +
                 (part == &indices ? ",\"target\":34963}" : ",\"target\":34962}");
        buffer.insert(buffer.end(), part->begin(), part->end());
    }
    model.textureSide = 64;
    const std::string count = std::to_string(model.vertices);
    model.gltf =
        "{\"asset\":{\"version\":\"2.0\",\"generator\":\"quillmark bench_import\"},\n"
        "\"scene\":0,\"scenes\":[{\"nodes\":[0]}],\"nodes\":[{\"mesh\":0,\"name\":\"ground\"}],\n"
        "\"meshes\":[{\"name\":\"ground\",\"primitives\":[{\"attributes\":{\"POSITION\":0,"
        "\"NORMAL\":1,\"TEXCOORD_0\":2},\"indices\":3,\"material\":0}]}],\n"
        "\"materials\":[{\"name\":\"turf\",\"pbrMetallicRoughness\":{\"baseColorTexture\":"
        "{\"index\":0},\"metallicFactor\":0}}],\n"
        "\"textures\":[{\"source\":0,\"sampler\":0}],\"samplers\":[{}],\n"
        "\"accessors\":[{\"bufferView\":0,\"componentType\":5126,\"count\":" +
        count + ",\"type\":\"VEC3\",\"min\":[" + number(low[0]) + "," + number(low[1]) + "," +
        number(low[2]) + "],\"max\":[" + number(high[0]) + "," + number(high[1]) + "," +
        number(high[2]) +
        "]},\n"
        "{\"bufferView\":1,\"componentType\":5126,\"count\":" +
        count +
        ",\"type\":\"VEC3\"},\n"
        "{\"bufferView\":2,\"componentType\":5126,\"count\":" +
        count +
        ",\"type\":\"VEC2\"},\n"
        "{\"bufferView\":3,\"componentType\":5125,\"count\":" +
        std::to_string(model.triangles * 3) +
        ",\"type\":\"SCALAR\"}],\n"
        "\"bufferViews\":[" +
        views +
        "],\n"
        "\"images\":[{\"uri\":\"data:image/png;base64," +
        base64Of(texturePng(model.textureSide)) +
        "\"}],\n"
        "\"buffers\":[{\"byteLength\":" +
        std::to_string(buffer.size()) + ",\"uri\":\"data:application/octet-stream;base64," +
        base64Of(buffer) + "\"}]}\n";
    return model;
}

bool writeText(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    return bool(out.flush());
}

struct RunTime {
    double wallMs = 0;
    double processorMs = 0; // user + system of the tool and the children it waited for
};

double processorMsOfChildren() {
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// One `TOOL model import MODEL DIR/model.ms3d` into an emptied DIR, its
// output in DIR/../<name>.log. False, with the log printed, unless it exits 0.
bool timeImport(const std::string& tool, const fs::path& model, const fs::path& dir,
                RunTime& time) {
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path log = dir.string() + ".log";
    const std::string out = (dir / "model.ms3d").string();
    std::vector<std::string> words = {tool, "model", "import", model.string(), out};
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    const double processorBefore = processorMsOfChildren();
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    const int error = posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        std::fprintf(stderr, "bench_import: cannot start %s: %s\n", tool.c_str(),
                     std::strerror(error));
        return false;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    time.wallMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    time.processorMs = processorMsOfChildren() - processorBefore;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return true;
    std::ifstream in(log);
    std::fprintf(stderr, "bench_import: %s did not import the model:\n%s", tool.c_str(),
                 std::string(std::istreambuf_iterator<char>(in), {}).c_str());
    return false;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 != 0 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Series {
    std::string tool;
    std::vector<double> wallMs, processorMs;
};

void printSeries(const char* label, const Series& series) {
    std::printf("%s %s\n  wall median %.1f ms (%.1f to %.1f), processor median %.1f ms\n", label,
                series.tool.c_str(), median(series.wallMs),
                *std::min_element(series.wallMs.begin(), series.wallMs.end()),
                *std::max_element(series.wallMs.begin(), series.wallMs.end()),
                median(series.processorMs));
}

int usage() {
    std::fprintf(stderr, "usage: bench_import TOOL_A TOOL_B [--runs N] [--side S] [--keep DIR]\n"
                         "       bench_import --write-model FILE.gltf [--side S]\n");
    return 2;
}

bool readCount(const char* text, int low, int high, int& value) {
    char* end = nullptr;
    const long number = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || number < low || number > high)
        return false;
    value = int(number);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> tools;
    std::string modelOnly, keep;
    int runs = 7, side = 180;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool valued =
            arg == "--runs" || arg == "--side" || arg == "--keep" || arg == "--write-model";
        if (valued && i + 1 == argc)
            return usage();
        if (arg == "--runs") {
            if (!readCount(argv[++i], 1, 1000, runs))
                return usage();
        } else if (arg == "--side") {
            if (!readCount(argv[++i], 1, 2000, side))
                return usage();
        } else if (arg == "--keep") {
            keep = argv[++i];
        } else if (arg == "--write-model") {
            modelOnly = argv[++i];
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usage();
        } else {
            tools.push_back(arg);
        }
    }
    const GridModel model = makeGridModel(side);
    if (!modelOnly.empty()) {
        if (!tools.empty())
            return usage();
        if (!writeText(modelOnly, model.gltf)) {
            std::fprintf(stderr, "bench_import: cannot write %s\n", modelOnly.c_str());
            return 1;
        }
        return 0;
    }
    if (tools.size() != 2)
        return usage();

    char scratch[] = "/tmp/bench_import.XXXXXX";
    const fs::path work = keep.empty() ? fs::path(::mkdtemp(scratch)) : fs::path(keep);
    fs::create_directories(work);
    const fs::path gltf = work / "grid.gltf";
    if (!writeText(gltf, model.gltf)) {
        std::fprintf(stderr, "bench_import: cannot write %s\n", gltf.c_str());
        return 1;
    }
    std::printf("model: %zu triangles, %zu vertices, a %d x %d PNG texture, %.1f MB of glTF\n",
                model.triangles, model.vertices, model.textureSide, model.textureSide,
                model.gltf.size() / 1e6);
    std::printf("runs: %d of each, alternating (A B, B A, ...), after one warm-up each\n", runs);
    std::fflush(stdout);

    Series series[2] = {{tools[0], {}, {}}, {tools[1], {}, {}}};
    const fs::path dirs[2] = {work / "a", work / "b"};
    bool fine = true;
    RunTime time;
    for (int t = 0; t < 2 && fine; ++t)
        fine = timeImport(tools[t], gltf, dirs[t], time);
    // Alternating the order each round keeps either tool from always going
    // first after the other's writes.
    for (int round = 0; round < runs && fine; ++round)
        for (int k = 0; k < 2 && fine; ++k) {
            const int t = round % 2 == 0 ? k : 1 - k;
            fine = timeImport(tools[t], gltf, dirs[t], time);
            series[t].wallMs.push_back(time.wallMs);
            series[t].processorMs.push_back(time.processorMs);
        }
    if (keep.empty())
        fs::remove_all(work);
    if (!fine)
        return 1;
    printSeries("A", series[0]);
    printSeries("B", series[1]);
    std::printf("ratio B / A: wall %.3f, processor %.3f\n",
                median(series[1].wallMs) / median(series[0].wallMs),
                median(series[1].processorMs) / median(series[0].processorMs));
    return 0;
}
