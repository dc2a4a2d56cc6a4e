#include <gtest/gtest.h>

#include <string>

#include "color/QoAspect.h"
#include "platforms/ATMTurbo/QoOpenPlatformATMTurbo.h"
#include "support/QoEngineChecks.h"

namespace {

using TBytes = std::vector<uint8_t>;

TQoEngineRegistry ATMTurboRegistry() {
  TQoEngineRegistry registry;
  RegisterATMTurboEngines(registry);
  return registry;
}

// Two cells across, three lines down; colour 8 is "012", colour 15 "321" (green, red,
// blue digits), the others "000"; the pixel bytes go column by column, then the runs.
TBytes Picture(const TBytes& runs) {
  TBytes file(132, 0);
  for (int i = 0; i < 48; ++i) file[static_cast<std::size_t>(i)] = '0';
  file[3 * 8 + 1] = '1', file[3 * 8 + 2] = '2';
  file[3 * 15] = '3', file[3 * 15 + 1] = '2', file[3 * 15 + 2] = '1';
  file[130] = 2;
  file[131] = 3;
  const TBytes pixels = {0xFF, 0, 0, 0xFF, 0x81, 0};
  file.insert(file.end(), pixels.begin(), pixels.end());
  file.insert(file.end(), runs.begin(), runs.end());
  return file;
}

}  // namespace

TEST(QoATMTurboTest, RegistersItsEngineAfterTheAtari) {
  EXPECT_EQ((std::vector<std::string>{"TQoATMTurboMultiColorEngine"}),
            QoClassNames(ATMTurboRegistry()));
  QoExpectModuleInStartUpOrder({"TQoATMTurboMultiColorEngine"}, "TQoAtariFalconRagDEngine",
                               "TQoBBCMicro0Engine");
}

TEST(QoATMTurboTest, ColumnsOfPixelBytesWithRunsOfExtendedAttributes) {
  // Attributes 0-3 are 0, 4 and 5 are 0xC7: ink 7 + 8 (bit 6), paper 0 + 8 (bit 7).
  const TBytes file = Picture({4, 0x00, 2, 0xC7});
  auto d = QoDetectIn(ATMTurboRegistry(), "p.grf", file);
  TQoSourceEngine& engine = *d->First();
  EXPECT_EQ(11, engine.DetectFlags);
  EXPECT_EQ("ATM Turbo 16x3x4 multicolor image", engine.GetDisplayName());
  EXPECT_EQ(kQoAspect1to2, engine.AspectIndex);
  EXPECT_EQ(QoAspectBit(6) | QoAspectBit(9) | QoAspectBit(28), engine.AspectMask);
  auto bmp = engine.Decode();
  // Byte 3 is cell column 1, line 0; byte 4 is column 1, line 1.
  EXPECT_EQ(0u, bmp->GetPixel(0, 0));  // 0xFF in ink 0
  EXPECT_EQ(0u, bmp->GetPixel(8, 0));
  EXPECT_EQ((std::vector<uint32_t>{15, 8, 8, 15}),
            (std::vector<uint32_t>{bmp->GetPixel(8, 1), bmp->GetPixel(9, 1), bmp->GetPixel(14, 1),
                                   bmp->GetPixel(15, 1)}));
  EXPECT_EQ(8u, bmp->GetPixel(12, 2));
  ASSERT_EQ(16, bmp->Palette->GetCount());
  EXPECT_EQ(0x5500AAu, bmp->Palette->GetRGBQuad(8));
  EXPECT_EQ(0xAAFF55u, bmp->Palette->GetRGBQuad(15));

  // Runs that reach past the last attribute are a signature without the structure flag;
  // other names lose the extension flag.
  EXPECT_EQ(
      3, QoDetectIn(ATMTurboRegistry(), "p.grf", Picture({4, 0, 3, 0xC7}))->First()->DetectFlags);
  EXPECT_EQ(9, QoDetectIn(ATMTurboRegistry(), "p.bin", file)->First()->DetectFlags);

  // Refused: a palette digit "4", runs that stop short or have a zero count.
  TBytes digit = file;
  digit[7] = '4';
  EXPECT_TRUE(QoDetectIn(ATMTurboRegistry(), "p.grf", digit)->Classes().empty());
  EXPECT_TRUE(
      QoDetectIn(ATMTurboRegistry(), "p.grf", Picture({4, 0, 1, 0xC7, 0}))->Classes().empty());
  EXPECT_TRUE(
      QoDetectIn(ATMTurboRegistry(), "p.grf", Picture({4, 0, 0, 0xC7, 2, 0}))->Classes().empty());
}
