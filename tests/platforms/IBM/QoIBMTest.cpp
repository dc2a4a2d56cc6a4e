#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platforms/IBM/QoOpenPlatformIBM.h"
#include "support/QoEngineChecks.h"

namespace {

TQoEngineRegistry Registry() {
  TQoEngineRegistry registry;
  RegisterIBMEngines(registry);
  return registry;
}

TEST(QoIBMTest, RegistersTheArtWorxEngine) {
  EXPECT_EQ(QoClassNames(Registry()), std::vector<std::string>{"TQoIBMADFEngine"});
}

TEST(QoIBMTest, CellsFromTheFontInkFromTheBrightHalf) {
  std::vector<uint8_t> file(4289 + 2 * 160, 0);
  file[0] = 1;
  file[1 + 3 * 2] = 63;       // colour 2: red
  file[1 + 3 * 53 + 2] = 63;  // colour 53: blue
  file[193 + 'A' * 16 + 5] = 0x81;
  // Row 1, column 3: 'A' with ink 5, paper 2.
  file[4289 + 160 + 6] = 'A';
  file[4289 + 160 + 7] = 0x25;
  auto d = QoDetectIn(Registry(), "art.adf", file);
  TQoSourceEngine& e = *d->First();
  EXPECT_EQ(e.DetectFlags, 11);
  EXPECT_EQ(e.Height, 32);
  auto bmp = e.Decode();
  EXPECT_EQ(bmp->GetPixel(24, 21), 53u);
  EXPECT_EQ(bmp->GetPixel(25, 21), 2u);
  EXPECT_EQ(e.Palette->GetRGBQuad(53), 0x0000FFu);
  // Only the name tells the format; a palette value above 63 declines it.
  EXPECT_EQ(QoDetectIn(Registry(), "art.bin", file)->Engines->Count(), 0);
  file[10] = 64;
  EXPECT_EQ(QoDetectIn(Registry(), "art.adf", file)->Engines->Count(), 0);
}

}  // namespace
