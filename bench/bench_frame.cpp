// Frame time of the sample map: the program's immediate-mode frame against
// the same frame replayed from a display list compiled once, on the same
// driver in the same run.
//
// Fair to both: each path is warmed before any timing (the first frames pay
// the driver's own warm-up), the two are interleaved round by round (in
// alternating order, so neither always runs on a cooler or warmer machine),
// and each figure is the median over the rounds. Each frame ends with
// glFinish, as the program's buffer swap ends it. The same split at a 1 x 1
// viewport leaves out nearly all rasterisation: what remains is submission.
//
//   bench_frame [GAME_DIR]
//
// Prints one line per viewport: WIDTHxHEIGHT, the medians in ms per frame of
// immediate mode and display list, and the median of the rounds' ratios.

#include "scene_bench_support.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

namespace {

constexpr int warmUpFrames = 10;
constexpr int rounds = 9;
constexpr int framesPerRound = 15;

double millisecondsPerFrame(const std::function<void()>& frame, int frames) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < frames; ++i) {
        frame();
        glFinish();
    }
    const std::chrono::duration<double, std::milli> spent =
        std::chrono::steady_clock::now() - start;
    return spent.count() / frames;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

struct Split {
    double immediate = 0, listed = 0, ratio = 0;
};

Split measure(const std::function<void()>& immediateFrame, const std::function<void()>& listFrame) {
    millisecondsPerFrame(immediateFrame, warmUpFrames);
    millisecondsPerFrame(listFrame, warmUpFrames);
    std::vector<double> immediate, listed, ratios;
    for (int round = 0; round < rounds; ++round) {
        double a = 0, b = 0;
        if (round % 2 == 0) {
            a = millisecondsPerFrame(immediateFrame, framesPerRound);
            b = millisecondsPerFrame(listFrame, framesPerRound);
        } else {
            b = millisecondsPerFrame(listFrame, framesPerRound);
            a = millisecondsPerFrame(immediateFrame, framesPerRound);
        }
        immediate.push_back(a);
        listed.push_back(b);
        ratios.push_back(a / b);
    }
    return {median(immediate), median(listed), median(ratios)};
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
    std::printf("frame of the sample map, median of %d interleaved rounds of %d frames\n", rounds,
                framesPerRound);
    std::printf("%-10s %14s %16s %18s\n", "viewport", "immediate (ms)", "display list (ms)",
                "immediate / list");
    const auto line = [](const char* viewport, const Split& s) {
        std::printf("%-10s %14.3f %16.3f %18.2f\n", viewport, s.immediate, s.listed, s.ratio);
    };
    line("1024x768", full);
    line("1x1", submission);
    glDeleteLists(list, 1);
    destroyOffscreenGl(bench.gl);
    return 0;
}
