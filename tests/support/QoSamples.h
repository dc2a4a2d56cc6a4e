#pragma once
// The real pictures made on the machines, kept outside the repository. Tests locate
// them through ORVALON_SAMPLES (default: ../shared/samples beside the repository) and
// skip when the folder is absent, as on a user's fresh machine.

#include <string>
#include <vector>

struct TQoSample {
  std::string File;       // path relative to the samples folder, "zxspectrum/horse.scr"
  std::string Platform;   // "zxspectrum"
  std::string Extension;  // "scr"
  long Size = 0;
  std::string Format;  // "zx-scr"
  std::string Note;
  std::string Path;  // absolute path
};

// The samples folder, or an empty string when it is absent.
std::string QoSamplesFolder();

// The manifest's entries, optionally only those of one format; empty without samples.
std::vector<TQoSample> QoSamples(const std::string& format = std::string());

// Skips the current test with a message when the samples folder is absent.
#define QO_REQUIRE_SAMPLES()                                                      \
  do {                                                                            \
    if (QoSamplesFolder().empty()) GTEST_SKIP() << "sample pictures not present"; \
  } while (0)
