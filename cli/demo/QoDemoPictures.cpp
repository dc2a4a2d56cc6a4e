// Writes example pictures of the formats Orvalon reads, made from code, so that `make demo`
// needs nothing downloaded: one at least for every platform module that is built. Each
// picture is checked against its own module's engines; modules without a picture are
// listed, so that a new module without one shows.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "cli/demo/QoDemoPictureSet.h"
#include "engine/QoLoadSource.h"
#include "platforms/QoPlatformModules.h"

namespace fs = std::filesystem;

namespace {

// The best engine of a module's own registry for the file, or "" when none accepts it.
std::string Recognised(const TQoPlatformModule& module, const fs::path& path) {
  TQoEngineRegistry registry;
  module.Register(registry);
  TQoLoadSourceEx source(path.string(), registry);
  if (!source.Engines || source.Engines->Count() == 0) return std::string();
  TQoSourceEngine& engine = *source.Engines->GetEngine(0);
  try {
    if (!engine.Decode()) return std::string();
  } catch (const std::exception&) {
    return std::string();
  }
  return engine.GetDisplayName();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  const fs::path folder = argv[1];
  fs::create_directories(folder);
  std::map<std::string, const TQoPlatformModule*> modules;
  for (const TQoPlatformModule& module : QoPlatformModules()) modules[module.Name] = &module;

  std::printf("Example pictures in %s:\n", folder.string().c_str());
  std::map<std::string, int> shown;
  int failures = 0;
  for (const TQoDemoPicture& picture : QoDemoPictures()) {
    const auto it = modules.find(picture.Module);
    if (it == modules.end()) continue;  // a module this build leaves out
    const fs::path path = folder / picture.Name;
    {
      std::ofstream out(path, std::ios::binary);
      out.write(reinterpret_cast<const char*>(picture.Data.data()),
                static_cast<std::streamsize>(picture.Data.size()));
    }
    const std::string name = Recognised(*it->second, path);
    if (name.empty()) {
      // A picture its own module no longer reads: say so and leave it out.
      std::fprintf(stderr, "  %s: not read by the %s module any more\n", picture.Name.c_str(),
                   picture.Module.c_str());
      fs::remove(path);
      ++failures;
      continue;
    }
    ++shown[picture.Module];
    std::printf("  %-22s %7zu bytes  %s\n", picture.Name.c_str(), picture.Data.size(),
                name.c_str());
  }
  std::string missing;
  for (const TQoPlatformModule& module : QoPlatformModules()) {
    if (!shown.count(module.Name))
      missing += (missing.empty() ? "" : ", ") + std::string(module.Name);
  }
  std::ofstream(folder / "missing-modules.txt") << missing << (missing.empty() ? "" : "\n");
  std::printf("%zu of %zu modules shown", shown.size(), QoPlatformModules().size());
  if (!missing.empty()) std::printf("; no example picture yet for: %s", missing.c_str());
  std::printf("\n");
  return failures == 0 ? 0 : 1;
}
