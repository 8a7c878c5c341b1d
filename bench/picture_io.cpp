// Picture codecs on the headless backend: what a frame written by the renderer
// costs (PNG at 1920 x 1080), reading it back, the thumbnail resample and the GIF
// palette. Files go to the system's temporary folder.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "platform/headless/headless.h"
#include "platform/platform.h"

namespace {

// A frame-like picture: smooth bands with some detail, all opaque.
PictureData framePicture(int width, int height) {
  PictureData p;
  p.width = width;
  p.height = height;
  p.pixels.resize(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint32_t r = (x * 255 / width) ^ ((y / 7) & 15);
      const std::uint32_t g = y * 255 / height;
      const std::uint32_t b = ((x + y) / 5) & 0xFF;
      p.pixels[static_cast<std::size_t>(y) * width + x] = 0xFF000000u | (r << 16) | (g << 8) | b;
    }
  }
  return p;
}

const std::wstring& benchPath() {
  static const std::wstring path = [] {
    const char* folder = std::getenv("TMPDIR");
    const std::string narrow = std::string(folder ? folder : "/tmp") + "/brine_bench_picture";
    return std::wstring(narrow.begin(), narrow.end());
  }();
  return path;
}

void encodeFrame(benchmark::State& state, int format) {
  headless::configure({});
  const PictureData frame = framePicture(1920, 1080);
  for (auto _ : state) {
    if (!platform.encodePictureFile(frame, benchPath().c_str(), format, -1)) {
      state.SkipWithError("save failed");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * 1920 * 1080);
}

void BM_EncodePng1080p(benchmark::State& state) { encodeFrame(state, 4); }
void BM_EncodeGif1080p(benchmark::State& state) { encodeFrame(state, 2); }
void BM_EncodeJpeg1080p(benchmark::State& state) { encodeFrame(state, 1); }

void BM_DecodePng1080p(benchmark::State& state) {
  headless::configure({});
  const PictureData frame = framePicture(1920, 1080);
  platform.encodePictureFile(frame, benchPath().c_str(), 4, -1);
  PictureData back;
  for (auto _ : state) {
    if (!platform.decodePictureFile(benchPath().c_str(), back)) {
      state.SkipWithError("load failed");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * 1920 * 1080);
}

// The half-size thumbnail of a 1080p shot.
void BM_ResampleHalf1080p(benchmark::State& state) {
  headless::configure({});
  const PictureData frame = framePicture(1920, 1080);
  PictureData thumb;
  for (auto _ : state) platform.resamplePicture(frame, 960, 540, thumb);
  state.SetItemsProcessed(state.iterations() * 960 * 540);
}

BENCHMARK(BM_EncodePng1080p)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeJpeg1080p)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeGif1080p)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodePng1080p)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResampleHalf1080p)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
