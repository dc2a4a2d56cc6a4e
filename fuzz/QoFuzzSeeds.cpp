// Turns picture files into seeds of the decode fuzzer: each keeps its own extension.
//   orvalon-fuzz-seeds OUTDIR FILE...

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

#include "platforms/QoPlatformModules.h"
#include "support/QoWholeRoad.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: orvalon-fuzz-seeds OUTDIR FILE...\n";
    return 2;
  }
  const std::vector<std::string>& extensions = QoRegistryExtensions(QoDefaultRegistry());
  fs::create_directories(argv[1]);
  int written = 0;
  for (int i = 2; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), {});
    if (!in.eof() && in.fail()) continue;
    std::string extension = fs::path(argv[i]).extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::vector<uint8_t> seed = QoEncodeFuzzInput(extension, file, extensions);
    std::ofstream out(fs::path(argv[1]) / ("seed-" + std::to_string(i - 1)), std::ios::binary);
    out.write(reinterpret_cast<const char*>(seed.data()),
              static_cast<std::streamsize>(seed.size()));
    ++written;
  }
  std::cout << written << " seeds in " << argv[1] << "\n";
  return 0;
}
