// Turns picture files into seeds of the fuzzers.
//   orvalon-fuzz-seeds OUTDIR FILE...
//     whole-road seeds: each file keeps its own extension.
//   orvalon-fuzz-seeds --engine OUTDIR INPUT...
//     per-engine seeds from whole-road inputs (the decode corpus): one seed for every
//     class whose Detect accepts the input's file under that class's own extension, and
//     one empty file per class so that every class starts with a seed.

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

#include "engine/QoLoadSource.h"
#include "platforms/QoPlatformModules.h"
#include "support/QoEngineRoad.h"
#include "support/QoWholeRoad.h"

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> ReadAll(const char* path, bool& ok) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), {});
  ok = in.eof() || !in.fail();
  return file;
}

void Write(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

int EngineSeeds(const fs::path& folder, int count, char** inputs) {
  const TQoEngineRegistry& registry = QoDefaultRegistry();
  const std::vector<std::string>& wholeRoad = QoRegistryExtensions(registry);
  const std::vector<std::string>& own = QoRegistryDefaultExtensions(registry);
  int written = 0;
  for (int c = 0; c < registry.Count(); ++c) {
    Write(folder / ("class-" + std::to_string(c)), QoEncodeEngineInput(c, nullptr, 0));
    ++written;
  }
  for (int i = 0; i < count; ++i) {
    bool ok = false;
    const std::vector<uint8_t> bytes = ReadAll(inputs[i], ok);
    if (!ok) continue;
    const TQoFuzzInput input = QoDecodeFuzzInput(bytes.data(), bytes.size(), wholeRoad);
    for (int c = 0; c < registry.Count(); ++c) {
      const TQoEngineClass& engineClass = registry.Classes()[static_cast<std::size_t>(c)];
      const std::string& extension = own[static_cast<std::size_t>(c)];
      TQoCarvedSource source("fuzz" + (extension.empty() ? std::string(".bin") : extension),
                             input.Data, input.Size, input.Companion, input.CompanionSize);
      uint8_t flags = 0;
      try {
        flags = engineClass.Detect ? engineClass.Detect(source) : 0;
      } catch (...) {
        flags = 0;
      }
      if (flags == 0) continue;
      Write(folder / ("seed-" + std::to_string(i) + "-" + std::to_string(c)),
            QoEncodeEngineInput(c, input.Data, static_cast<std::size_t>(input.Size),
                                input.Companion, static_cast<std::size_t>(input.CompanionSize)));
      ++written;
    }
  }
  return written;
}

}  // namespace

int main(int argc, char** argv) {
  const bool engine = argc >= 2 && std::strcmp(argv[1], "--engine") == 0;
  if (engine) {
    ++argv;
    --argc;
  }
  if (argc < 2) {
    std::cerr << "usage: orvalon-fuzz-seeds [--engine] OUTDIR FILE...\n";
    return 2;
  }
  fs::create_directories(argv[1]);
  if (engine) {
    std::cout << EngineSeeds(argv[1], argc - 2, argv + 2) << " seeds in " << argv[1] << "\n";
    return 0;
  }
  const std::vector<std::string>& extensions = QoRegistryExtensions(QoDefaultRegistry());
  int written = 0;
  for (int i = 2; i < argc; ++i) {
    bool ok = false;
    const std::vector<uint8_t> file = ReadAll(argv[i], ok);
    if (!ok) continue;
    const std::string extension = QoLowerAscii(fs::path(argv[i]).extension().string());
    Write(fs::path(argv[1]) / ("seed-" + std::to_string(i - 1)),
          QoEncodeFuzzInput(extension, file, extensions));
    ++written;
  }
  std::cout << written << " seeds in " << argv[1] << "\n";
  return 0;
}
