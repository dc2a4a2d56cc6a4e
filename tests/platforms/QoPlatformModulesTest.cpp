// The start-up order of the platform modules: it breaks ties between equally rated
// engines of different families, so every module must sit at its place in it.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "platforms/QoPlatformModules.h"
#include "support/QoEngineChecks.h"

namespace {

const std::vector<std::string> kStartUpOrder = {"Agat",
                                                "Amiga",
                                                "Amstrad CPC",
                                                "Apple II",
                                                "Atari ST",
                                                "ATM Turbo",
                                                "BBC Micro",
                                                "BK-0010",
                                                "Commodore 64",
                                                "Corvette",
                                                "DVK",
                                                "Elektronika MS 0515",
                                                "Elektronika KR-04",
                                                "Element ZX",
                                                "IBM",
                                                "Irisha",
                                                "Lvov",
                                                "MAG",
                                                "MSX",
                                                "Okean-240",
                                                "PC-8000",
                                                "PlayStation",
                                                "PMD 85",
                                                "PP-01",
                                                "Profi",
                                                "RISC OS",
                                                "SAM Coupé",
                                                "Scorpion GMX",
                                                "Sega Master System",
                                                "Sinclair QL",
                                                "Specialist",
                                                "SymbOS",
                                                "TI-99",
                                                "Timex",
                                                "TRSE",
                                                "UKNC",
                                                "Vector",
                                                "ZX Spectrum",
                                                "ZX Spectrum snapshots",
                                                "Spectra",
                                                "ULAplus"};

TEST(QoPlatformModulesTest, ModulesKeepTheStartUpOrderAndMakeTheRegistry) {
  std::ptrdiff_t last = -1;
  TQoEngineRegistry concatenated;
  for (const TQoPlatformModule& module : QoPlatformModules()) {
    const auto at = std::find(kStartUpOrder.begin(), kStartUpOrder.end(), module.Name);
    ASSERT_NE(at, kStartUpOrder.end()) << module.Name;
    EXPECT_GT(at - kStartUpOrder.begin(), last) << module.Name << " is out of order";
    last = at - kStartUpOrder.begin();
    module.Register(concatenated);
  }
  const std::vector<std::string> names = QoClassNames(QoDefaultRegistry());
  EXPECT_EQ(names, QoClassNames(concatenated));
  // A class registered twice would be offered twice for one file.
  EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size());
}

}  // namespace
