// Frame time of the sample map: the program's immediate-mode frame against
// the same frame replayed from a display list compiled once, on the same
// driver in the same run.
//
// Fair to both: each path is warmed before any timing (the first frames pay
// the driver's own warm-up), the two are interleaved frame by frame (in
// alternating order, so neither always runs on a cooler or warmer machine,
// nor in a quieter moment of a shared one), and each figure is the median
// frame. Each frame ends with glFinish, as the program's buffer swap ends it.
// The same split at a 1 x 1 viewport leaves out nearly all rasterisation:
// what remains is submission.
//
//   bench_frame [GAME_DIR]
//
// Prints one line per viewport: WIDTHxHEIGHT, the median frame in ms of
// immediate mode and of display list, and their ratio.

#include "scene_bench_support.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

namespace {

constexpr int warmUpFrames = 10;
constexpr int rounds = 201;

// One frame, finished, in ms.
double frameMilliseconds(const std::function<void()>& frame) {
    const auto start = std::chrono::steady_clock::now();
    frame();
    glFinish();
    const std::chrono::duration<double, std::milli> spent =
        std::chrono::steady_clock::now() - start;
    return spent.count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Split {
    double immediate = 0, listed = 0;
};

// Each round times one frame of each path, the order alternating.
Split measure(const std::function<void()>& immediateFrame, const std::function<void()>& listFrame) {
    for (int i = 0; i < warmUpFrames; ++i) {
        frameMilliseconds(immediateFrame);
        frameMilliseconds(listFrame);
    }
    std::vector<double> immediate, listed;
    for (int round = 0; round < rounds; ++round) {
        if (round % 2 == 0) {
            immediate.push_back(frameMilliseconds(immediateFrame));
            listed.push_back(frameMilliseconds(listFrame));
        } else {
            listed.push_back(frameMilliseconds(listFrame));
            immediate.push_back(frameMilliseconds(immediateFrame));
        }
    }
    return {median(immediate), median(listed)};
}

} // namespace

int main(int argc, char** argv) {
    SceneBench bench;
    constexpr int width = 1024, height = 768;
    if (!bench.open(gameDirFromArgs(argc, argv), width, height))
        return 1;
    const SceneState scene = bench.shared.state;

    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    drawSceneFrom(scene, bench.assets);
    glEndList();
    const auto immediateFrame = [&] { drawSceneFrom(scene, bench.assets); };
    const auto listFrame = [&] { glCallList(list); };

    const Split full = measure(immediateFrame, listFrame);
    // Same projection, one pixel to fill.
    glViewport(0, 0, 1, 1);
    const Split submission = measure(immediateFrame, listFrame);
    glViewport(0, 0, width, height);

    std::printf("GL_RENDERER: %s\n", bench.renderer().c_str());
    std::printf("frame of the sample map, median of %d frames of each path, interleaved\n", rounds);
    std::printf("%-10s %14s %17s %18s\n", "viewport", "immediate (ms)", "display list (ms)",
                "immediate / list");
    const auto line = [](const char* viewport, const Split& s) {
        std::printf("%-10s %14.3f %17.3f %18.2f\n", viewport, s.immediate, s.listed,
                    s.immediate / s.listed);
    };
    line("1024x768", full);
    line("1x1", submission);
    glDeleteLists(list, 1);
    destroyOffscreenGl(bench.gl);
    return 0;
}
