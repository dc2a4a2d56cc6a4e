// Example pictures of the formats Orvalon reads, made from code.

#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TQoDemoPicture {
  std::string Module;  // as QoPlatformModules() names it
  std::string Name;    // file name, with the extension the format is known by
  std::vector<uint8_t> Data;
};

// At least one picture for every platform module of the full build.
std::vector<TQoDemoPicture> QoDemoPictures();
