#include "support/QoSamples.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

std::string QoSamplesFolder() {
  const char* fromEnvironment = std::getenv("ORVALON_SAMPLES");
  const fs::path folder = fromEnvironment && *fromEnvironment
                              ? fs::path(fromEnvironment)
                              : fs::path(ORVALON_SOURCE_DIR) / ".." / "shared" / "samples";
  std::error_code error;
  if (!fs::is_regular_file(folder / "MANIFEST.tsv", error)) return std::string();
  return fs::canonical(folder, error).string();
}

std::vector<TQoSample> QoSamples(const std::string& format) {
  std::vector<TQoSample> samples;
  const std::string folder = QoSamplesFolder();
  if (folder.empty()) return samples;
  std::ifstream manifest(fs::path(folder) / "MANIFEST.tsv");
  std::string line;
  std::getline(manifest, line);  // column names
  while (std::getline(manifest, line)) {
    std::vector<std::string> cells;
    std::stringstream row(line);
    std::string cell;
    while (std::getline(row, cell, '\t')) cells.push_back(cell);
    // file platform extension size sha256 repo commit path licence format note
    if (cells.size() < 10) continue;
    TQoSample sample;
    sample.File = cells[0];
    sample.Platform = cells[1];
    sample.Extension = cells[2];
    sample.Size = std::atol(cells[3].c_str());
    sample.Format = cells[9];
    sample.Note = cells.size() > 10 ? cells[10] : std::string();
    sample.Path = (fs::path(folder) / sample.File).string();
    if (format.empty() || sample.Format == format) samples.push_back(sample);
  }
  return samples;
}
