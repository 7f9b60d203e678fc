// The editor's 1 ms timer while the main thread renders the sample map as
// fast as it can: ticks per second over a measured run (goal 1,000 +- 1).
//
//   bench_timer [GAME_DIR [SECONDS]]

#include "platform/periodic_timer.h"
#include "scene_bench_support.h"

#include <chrono>

namespace {

SharedSceneState* shared = nullptr;
KeyState keys;
std::atomic<int32_t> quit{0};
int16_t objectCount = 0, unitCount = 0;

void tick() {
    lockedEditorTick(*shared, keys, objectCount, unitCount, quit);
}

} // namespace

int main(int argc, char** argv) {
    SceneBench bench;
    if (!bench.open(gameDirFromArgs(argc, argv)))
        return 1;
    const double seconds = argc > 2 ? std::atof(argv[2]) : 10.0;
    shared = &bench.shared;
    objectCount = bench.assets.objectCount;
    unitCount = bench.assets.unitCount;
    // Some keys held so the tick does real work.
    setKeyHeld(keys, vkPrior, true);
    setKeyHeld(keys, vkRight, true);

    PeriodicTimer* timer = startPeriodicTimer(1000, tick);
    if (timer == nullptr) {
        std::fprintf(stderr, "the timer did not start\n");
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    const uint64_t ticksAtStart = periodicTimerTicks(timer);
    SceneState snapshot;
    long frames = 0;
    std::chrono::duration<double> elapsed{};
    do {
        copySceneSnapshot(bench.shared, snapshot);
        drawSceneFrom(snapshot, bench.assets);
        glFinish();
        ++frames;
        elapsed = std::chrono::steady_clock::now() - start;
    } while (elapsed.count() < seconds);
    const uint64_t ticks = periodicTimerTicks(timer) - ticksAtStart;
    stopPeriodicTimer(timer);

    std::printf("GL_RENDERER: %s\n", bench.renderer().c_str());
    std::printf("run: %.2f s, %ld frames (%.1f frames/s)\n", elapsed.count(), frames,
                frames / elapsed.count());
    std::printf("timer: %llu ticks, %.2f ticks/s (goal 1000 +- 1)\n",
                static_cast<unsigned long long>(ticks), ticks / elapsed.count());
    destroyOffscreenGl(bench.gl);
    return 0;
}
