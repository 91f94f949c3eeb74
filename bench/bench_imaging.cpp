// Decoding the largest camera JPEG of the test pictures into the pixel buffer, set against a
// plain libjpeg-turbo decode of the same bytes; and the work the analysis does on the decoded
// picture: the sampled histogram with its judgement, and the fingerprint.
//
// Goals: loading takes at most 1.1 times the plain decode; histogram and fingerprint together
// take under a tenth of the plain decode. The plain decode is timed twice, into fresh memory and
// into memory it has used before, since the pixel buffer's memory handling (huge pages) removes
// most of the cost of fresh memory.

#include "imaging/Fingerprint.h"
#include "imaging/cDIBSection.h"
#include "imaging/cHistogram.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include <jpeglib.h>

namespace {

std::filesystem::path LargestCameraFile() {
    std::filesystem::path best;
    std::uintmax_t bestSize = 0;
    for (const auto& entry : std::filesystem::directory_iterator(PELLVANE_CORPUS_DIR "/camera")) {
        if (entry.is_regular_file() && entry.file_size() > bestSize) {
            bestSize = entry.file_size();
            best = entry.path();
        }
    }
    return best;
}

const std::vector<uint8_t>& PhotoBytes() {
    static const std::vector<uint8_t> bytes = [] {
        std::ifstream file(LargestCameraFile(), std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }();
    return bytes;
}

std::string PhotoLabel() {
    return LargestCameraFile().filename().string();
}

// The reference: libjpeg-turbo's defaults, blue-green-red-alpha output, rows top-down, several
// rows per call, into the memory given.
void PlainDecodeInto(const std::vector<uint8_t>& bytes, std::vector<uint8_t>& pixels) {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), bytes.size());
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&cinfo);
    const size_t stride = static_cast<size_t>(cinfo.output_width) * 4;
    if (pixels.size() < stride * cinfo.output_height) pixels.resize(stride * cinfo.output_height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW rows[16];
        const JDIMENSION first = cinfo.output_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(16, cinfo.output_height - first);
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = pixels.data() + (first + i) * stride;
        jpeg_read_scanlines(&cinfo, rows, count);
    }
    jpeg_abort_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    benchmark::DoNotOptimize(pixels.data());
}

// A plain decode into fresh memory each time, as a program that decodes one photo does.
void BM_PlainLibjpegTurboDecode(benchmark::State& state) {
    const std::vector<uint8_t>& bytes = PhotoBytes();
    for (auto _ : state) {
        std::vector<uint8_t> pixels;
        PlainDecodeInto(bytes, pixels);
    }
    state.SetLabel(PhotoLabel());
}
BENCHMARK(BM_PlainLibjpegTurboDecode)->Unit(benchmark::kMillisecond);

// The decoding work alone: the output memory is reused, so no page of it faults after the first
// round. On virtual machines the page faults of fresh memory can cost as much as the decoding.
void BM_PlainLibjpegTurboDecodeIntoWarmMemory(benchmark::State& state) {
    const std::vector<uint8_t>& bytes = PhotoBytes();
    std::vector<uint8_t> pixels;
    for (auto _ : state)
        PlainDecodeInto(bytes, pixels);
    state.SetLabel(PhotoLabel());
}
BENCHMARK(BM_PlainLibjpegTurboDecodeIntoWarmMemory)->Unit(benchmark::kMillisecond);

void BM_LoadPictureStream(benchmark::State& state) {
    const std::vector<uint8_t>& bytes = PhotoBytes();
    for (auto _ : state) {
        pellvane::cDIBSection picture;
        if (!picture.LoadPicture_Stream(bytes)) state.SkipWithError("the photo did not decode");
        benchmark::DoNotOptimize(picture.BitsPointer().data());
    }
    state.SetLabel(PhotoLabel());
}
BENCHMARK(BM_LoadPictureStream)->Unit(benchmark::kMillisecond);

void BM_LoadPictureFile(benchmark::State& state) {
    const std::filesystem::path path = LargestCameraFile();
    for (auto _ : state) {
        pellvane::cDIBSection picture;
        if (!picture.LoadPicture_File(path)) state.SkipWithError("the photo did not decode");
        benchmark::DoNotOptimize(picture.BitsPointer().data());
    }
    state.SetLabel(PhotoLabel());
}
BENCHMARK(BM_LoadPictureFile)->Unit(benchmark::kMillisecond);

const pellvane::cDIBSection& DecodedPhoto() {
    static const pellvane::cDIBSection picture = [] {
        pellvane::cDIBSection decoded;
        decoded.LoadPicture_Stream(PhotoBytes());
        return decoded;
    }();
    return picture;
}

void BM_SampledHistogramAndFingerprint(benchmark::State& state) {
    const pellvane::cDIBSection& picture = DecodedPhoto();
    pellvane::cHistogram histogram;
    for (auto _ : state) {
        histogram.LoadHistogram(picture, true);
        benchmark::DoNotOptimize(histogram.TestContinuity(pellvane::cHistogram::kAnalysisThreshold));
        benchmark::DoNotOptimize(pellvane::MakeFingerprint(picture));
    }
    state.SetLabel(PhotoLabel());
}
BENCHMARK(BM_SampledHistogramAndFingerprint)->Unit(benchmark::kMillisecond);

void BM_SampledHistogram(benchmark::State& state) {
    const pellvane::cDIBSection& picture = DecodedPhoto();
    pellvane::cHistogram histogram;
    for (auto _ : state) {
        histogram.LoadHistogram(picture, true);
        benchmark::DoNotOptimize(histogram.TestContinuity(pellvane::cHistogram::kAnalysisThreshold));
    }
}
BENCHMARK(BM_SampledHistogram)->Unit(benchmark::kMillisecond);

void BM_Fingerprint(benchmark::State& state) {
    const pellvane::cDIBSection& picture = DecodedPhoto();
    for (auto _ : state)
        benchmark::DoNotOptimize(pellvane::MakeFingerprint(picture));
}
BENCHMARK(BM_Fingerprint)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
