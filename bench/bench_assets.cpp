// Loading the default data set as the program does at start-up (before any
// GL context: models parsed, textures decoded, nothing uploaded).
//
//   bench_assets [GAME_DIR] [benchmark flags]

#include "platform/platform_hooks.h"
#include "shell/asset_loading.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

namespace {

void BM_LoadDefaultAssetSet(benchmark::State& state) {
    for (auto _ : state) {
        AssetSet set;
        if (!loadAssetSetInto(set)) {
            state.SkipWithError("Couldn't load the model data\\model.ms3d");
            break;
        }
        benchmark::DoNotOptimize(set.objectCount);
    }
}
BENCHMARK(BM_LoadDefaultAssetSet)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    std::string gameDir = QUILLMARK_GAME_DIR;
    if (argc > 1 && argv[1][0] != '-') {
        gameDir = argv[1];
        --argc;
        ++argv;
    }
    std::filesystem::current_path(gameDir);
    platformHooks.showMessage = [](const std::string&, const std::string&, MessageIcon) {};
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
