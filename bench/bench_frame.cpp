// Frame time of the sample map at 1024 x 768: the program's immediate-mode
// frame, and for comparison the same frame replayed from a display list
// compiled once, on the same driver in the same run.
//
//   bench_frame [GAME_DIR]

#include "scene_bench_support.h"

#include <chrono>
#include <functional>

namespace {

double millisecondsPerFrame(const std::function<void()>& frame, int frames) {
    frame(); // warm up
    glFinish();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < frames; ++i)
        frame();
    glFinish();
    const std::chrono::duration<double, std::milli> spent =
        std::chrono::steady_clock::now() - start;
    return spent.count() / frames;
}

} // namespace

int main(int argc, char** argv) {
    SceneBench bench;
    if (!bench.open(gameDirFromArgs(argc, argv)))
        return 1;
    const SceneState scene = bench.shared.state;
    constexpr int frames = 100;

    const double immediate =
        millisecondsPerFrame([&] { drawSceneFrom(scene, bench.assets); }, frames);

    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    drawSceneFrom(scene, bench.assets);
    glEndList();
    const double listed = millisecondsPerFrame([&] { glCallList(list); }, frames);

    std::printf("GL_RENDERER: %s\n", bench.renderer().c_str());
    std::printf("%-28s %10s\n", "frame of the sample map", "ms/frame");
    std::printf("%-28s %10.3f\n", "immediate mode (program)", immediate);
    std::printf("%-28s %10.3f\n", "display list (comparison)", listed);
    std::printf("%-28s %10.2f\n", "immediate / display list", immediate / listed);
    destroyOffscreenGl(bench.gl);
    return 0;
}
