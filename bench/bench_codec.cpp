// OpenFile on the largest camera file of the test pictures.

#include "codec/cExifCodec.h"

#include <benchmark/benchmark.h>
#include <filesystem>

namespace {

std::string LargestCameraFile() {
    std::string best;
    std::uintmax_t bestSize = 0;
    for (const auto& entry : std::filesystem::directory_iterator(PELLVANE_CORPUS_DIR "/camera")) {
        if (entry.is_regular_file() && entry.file_size() > bestSize) {
            bestSize = entry.file_size();
            best = entry.path().string();
        }
    }
    return best;
}

void BM_OpenFileLargestCamera(benchmark::State& state) {
    const std::string path = LargestCameraFile();
    pellvane::cExifCodec codec;
    for (auto _ : state) {
        benchmark::DoNotOptimize(codec.OpenFile(path));
        codec.CloseFile();
    }
    state.SetLabel(std::filesystem::path(path).filename().string());
}
BENCHMARK(BM_OpenFileLargestCamera)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
