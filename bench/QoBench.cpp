// Speed of the paths users wait for: detection over the whole registry, decoding in
// every module, thumbnails, PNG export at each compression, and converting the sample
// folder. Real sample pictures join in when they are present.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "cli/QoCli.h"
#include "cli/demo/QoDemoPictureSet.h"
#include "engine/QoLoadSource.h"
#include "export/QoExport.h"
#include "export/QoScaling.h"
#include "plugin/QoThumbnail.h"
#include "support/QoSamples.h"

namespace {

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// A screen of the classic layout: bitmap thirds then attributes, with some content.
std::vector<uint8_t> ZxScreen() {
  std::vector<uint8_t> screen(6912);
  std::mt19937 random(7);
  for (std::size_t i = 0; i < 6144; ++i) screen[i] = static_cast<uint8_t>(random());
  for (std::size_t i = 6144; i < screen.size(); ++i) screen[i] = static_cast<uint8_t>(i * 13);
  return screen;
}

void Detect(benchmark::State& state, std::string name, std::vector<uint8_t> bytes) {
  const TQoEngineRegistry& registry = QoDefaultRegistry();
  for (auto _ : state) {
    TQoMemoryLoadSource source(name, bytes.data(), static_cast<int32_t>(bytes.size()), false);
    auto engines = DetectEngines(source, registry);
    benchmark::DoNotOptimize(engines);
  }
  state.counters["classes"] = registry.Count();
}

void DecodeTo32(benchmark::State& state, std::string name, std::vector<uint8_t> bytes) {
  TQoMemoryLoadSource source(name, bytes.data(), static_cast<int32_t>(bytes.size()), false);
  auto engines = DetectWithUnwrap(source, QoDefaultRegistry());
  if (!engines || engines->Count() == 0) {
    state.SkipWithError("no engine accepts the file");
    return;
  }
  TQoSourceEngine& engine = *engines->GetEngine(0);
  for (auto _ : state) {
    auto bmp = engine.Decode();
    auto picture = bmp->ToBitmap32();
    benchmark::DoNotOptimize(picture);
  }
}

TQoBitmap32 Picture(int32_t w, int32_t h) {
  TQoBitmap32 picture(w, h);
  for (std::size_t i = 0; i < picture.Pixels.size(); ++i) {
    picture.Pixels[i] = 0xFF000000u | static_cast<uint32_t>((i * 2654435761u) & 0xFFFFFF);
  }
  return picture;
}

void Thumbnail(benchmark::State& state) {
  const TQoBitmap32 picture =
      Picture(static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1)));
  const auto box = static_cast<int32_t>(state.range(2));
  for (auto _ : state) {
    auto thumb = QoThumbnailOf(picture, kQoAspect1to1, box, box);
    benchmark::DoNotOptimize(thumb);
  }
}

// The file manager's whole path for a screen: decode, render, fit into 96 x 96.
void ScreenThumbnail(benchmark::State& state) {
  const std::vector<uint8_t> bytes = ZxScreen();
  TQoMemoryLoadSource source("screen.scr", bytes.data(), static_cast<int32_t>(bytes.size()), false);
  auto engines = DetectEngines(source, QoDefaultRegistry());
  if (!engines || engines->Count() == 0) {
    state.SkipWithError("no engine accepts a screen");
    return;
  }
  TQoSourceEngine& engine = *engines->GetEngine(0);
  for (auto _ : state) {
    auto picture = engine.Decode()->ToBitmap32();
    auto thumb = QoThumbnailOf(*picture, engine.AspectIndex, 96, 96);
    benchmark::DoNotOptimize(thumb);
  }
}

void ExportPng(benchmark::State& state, TQoPngCompression compression) {
  TQoPalette256 palette;
  for (int i = 0; i < 256; ++i) palette.Add(static_cast<uint32_t>(i * 0x010305));
  TQoBitmap8 bmp(static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1)),
                 &palette);
  for (int32_t y = 0; y < bmp.Height; ++y) {
    for (int32_t x = 0; x < bmp.Width; ++x) bmp.SetPixel(x, y, static_cast<uint32_t>(x ^ y));
  }
  for (auto _ : state) {
    auto file = QoEncodePng(bmp, {compression, 0});
    benchmark::DoNotOptimize(file);
  }
}

// Every sample picture as the tool exports it, decoded once.
std::vector<std::unique_ptr<TQoBitmap>>& SamplePictures() {
  static std::vector<std::unique_ptr<TQoBitmap>> pictures = [] {
    std::vector<std::unique_ptr<TQoBitmap>> all;
    for (const TQoSample& sample : QoSamples()) {
      const std::vector<uint8_t> bytes = ReadFile(sample.Path);
      const std::string name = sample.File.substr(sample.File.rfind('/') + 1);
      TQoMemoryLoadSource source(name, bytes.data(), static_cast<int32_t>(bytes.size()), false);
      auto engines = DetectWithUnwrap(source, QoDefaultRegistry());
      if (!engines || engines->Count() == 0) continue;
      try {
        TQoSourceEngine& engine = *engines->GetEngine(0);
        all.push_back(ExportPicture(engine, engine.AspectIndex));
      } catch (const std::exception&) {
      }
    }
    return all;
  }();
  return pictures;
}

// The PNG writer over all sample pictures at one compression choice; bytes counts the
// files' total size.
void ExportSamplesPng(benchmark::State& state, TQoPngCompression compression) {
  const auto& pictures = SamplePictures();
  if (pictures.empty()) {
    state.SkipWithError("no sample pictures");
    return;
  }
  std::size_t bytes = 0;
  for (auto _ : state) {
    bytes = 0;
    for (const auto& picture : pictures) bytes += QoEncodePng(*picture, {compression, 0}).size();
  }
  state.counters["pictures"] = static_cast<double>(pictures.size());
  state.counters["bytes"] = static_cast<double>(bytes);
}

// What a user waits for when converting the sample folder: `orvalon convert` over every
// sample picture into a scratch folder, with the given number of jobs. CPU time is the
// whole process's, the time per run is the wall clock.
void ConvertSamples(benchmark::State& state) {
  std::vector<std::string> args{"convert", "-j", std::to_string(state.range(0)), "-d"};
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("orvalon-bench-" + std::to_string(getpid()));
  args.push_back(folder.string());
  const std::size_t options = args.size();
  for (const TQoSample& sample : QoSamples()) args.push_back(sample.Path);
  if (args.size() == options) {
    state.SkipWithError("no sample pictures");
    return;
  }
  int status = 0;
  for (auto _ : state) {
    std::ostringstream out, err;
    status = std::max(status, QoRunCli(args, out, err, QoDefaultRegistry(), false));
    // Each run writes new files, as a user's batch does: replacing a file costs the file
    // system more than making one.
    state.PauseTiming();
    std::filesystem::remove_all(folder);
    state.ResumeTiming();
  }
  state.counters["files"] = static_cast<double>(args.size() - options);
  state.counters["status"] = status;
}

void RegisterAll() {
  benchmark::RegisterBenchmark("detect/zx-screen-6912", Detect, std::string("pic.scr"), ZxScreen());
  std::vector<uint8_t> noise(4 * 1024 * 1024);
  std::mt19937 random(11);
  for (uint8_t& b : noise) b = static_cast<uint8_t>(random());
  benchmark::RegisterBenchmark("detect/unknown-4MiB", Detect, std::string("noise.xyz"), noise);
  benchmark::RegisterBenchmark("decode32/zx-screen", DecodeTo32, std::string("pic.scr"),
                               ZxScreen());

  // One real picture per sample format, when the samples are present.
  std::map<std::string, TQoSample> kinds;
  for (const TQoSample& sample : QoSamples()) kinds.emplace(sample.Format, sample);
  for (const auto& [format, sample] : kinds) {
    const std::vector<uint8_t> bytes = ReadFile(sample.Path);
    const std::string name = sample.File.substr(sample.File.rfind('/') + 1);
    benchmark::RegisterBenchmark(("detect/" + format).c_str(), Detect, name, bytes);
    TQoMemoryLoadSource probe(name, bytes.data(), static_cast<int32_t>(bytes.size()), false);
    auto engines = DetectWithUnwrap(probe, QoDefaultRegistry());
    if (engines && engines->Count() > 0) {
      benchmark::RegisterBenchmark(("decode32/" + format).c_str(), DecodeTo32, name, bytes);
    }
  }

  // Decoding and rendering in every module: its example picture, found by the whole
  // registry as a user's file would be.
  std::set<std::string> modules;
  for (const TQoDemoPicture& picture : QoDemoPictures()) {
    if (!modules.insert(picture.Module).second) continue;
    benchmark::RegisterBenchmark(("decode32/module/" + picture.Module).c_str(), DecodeTo32,
                                 picture.Name, picture.Data);
  }

  for (int64_t box : {96, 256}) {
    benchmark::RegisterBenchmark("thumbnail", Thumbnail)->Args({320, 200, box});
    benchmark::RegisterBenchmark("thumbnail", Thumbnail)->Args({640, 400, box});
  }
  benchmark::RegisterBenchmark("thumbnail/zx-screen-with-decode-96", ScreenThumbnail);
  for (const auto& [name, compression] : {std::pair{"fast", TQoPngCompression::Fast},
                                          std::pair{"default", TQoPngCompression::Default},
                                          std::pair{"best", TQoPngCompression::Best}}) {
    benchmark::RegisterBenchmark((std::string("export-png/") + name).c_str(), ExportPng,
                                 compression)
        ->Args({320, 200})
        ->Args({640, 400});
  }
  benchmark::RegisterBenchmark("export-png-samples/fast", ExportSamplesPng,
                               TQoPngCompression::Fast);
  benchmark::RegisterBenchmark("export-png-samples/default", ExportSamplesPng,
                               TQoPngCompression::Default);
  benchmark::RegisterBenchmark("export-png-samples/best", ExportSamplesPng,
                               TQoPngCompression::Best);
  for (int64_t jobs : {1, 2}) {
    benchmark::RegisterBenchmark("convert-samples/jobs", ConvertSamples)
        ->Arg(jobs)
        ->MeasureProcessCPUTime()
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
  }
}

}  // namespace

int main(int argc, char** argv) {
  QoKeepLargeBlocksForBatches();  // as the tool does
  benchmark::Initialize(&argc, argv);
  RegisterAll();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
