#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "color/QoPaletteTypes.h"
#include "platforms/PC8000/QoOpenPlatformPC8000.h"
#include "support/QoEngineChecks.h"

namespace {

TQoEngineRegistry Registry() {
  TQoEngineRegistry registry;
  RegisterPC8000Engines(registry);
  return registry;
}

TEST(QoPC8000Test, RegistersTheDumpEngine) {
  EXPECT_EQ(QoClassNames(Registry()), std::vector<std::string>{"TQoPC8000SourceEngine"});
}

TEST(QoPC8000Test, GraphicsTwoOrderAndBothPalettes) {
  std::vector<uint8_t> file(12292, 0);
  file[0] = 'P', file[1] = 'C', file[2] = '8';
  // Character row 1, column 2, line 3: byte 256 + 16 + 3; ink 3, paper 14.
  file[4 + 256 + 16 + 3] = 0x80;
  file[4 + 6144 + 256 + 16 + 3] = 0xE3;
  auto d = QoDetectIn(Registry(), "p.vm2", file);
  TQoSourceEngine& e = *d->First();
  EXPECT_EQ(e.DetectFlags, 11);
  auto bmp = e.Decode();
  EXPECT_EQ(bmp->GetPixel(16, 11), 3u);
  EXPECT_EQ(bmp->GetPixel(17, 11), 14u);
  EXPECT_EQ(e.Palette->GetRGBQuad(3), 0x00FF00u);
  EXPECT_EQ(e.Palette->GetRGBQuad(8), 0xBC0000u);  // dim red: half the light
  EXPECT_EQ(e.Palette->GetRGBQuad(14), 0xBCBCBCu);
  e.PaletteType = ptColoredDDp;
  e.Decode();
  EXPECT_EQ(e.Palette->GetRGBQuad(3), 0x07F707u);
  file[3] = 1;
  EXPECT_EQ(QoDetectIn(Registry(), "p.vm2", file)->Engines->Count(), 0);
}

}  // namespace
