#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platforms/PP01/QoOpenPlatformPP01.h"
#include "support/QoEngineChecks.h"

namespace {

TQoEngineRegistry PP01Registry() {
  TQoEngineRegistry registry;
  RegisterPP01Engines(registry);
  return registry;
}

}  // namespace

TEST(QoPP01Test, RegistersTheFamilyInOrder) {
  EXPECT_EQ((std::vector<std::string>{"TQoPP01Engine"}), QoClassNames(PP01Registry()));
}

TEST(QoPP01Test, ThreePlanesWeighTwoFourAndOne) {
  // Row 100, pixels 16-19: plane 0 (red, 2) on 16 and 19, plane 1 (green, 4) on 17 and
  // 19, plane 2 (blue, 1) on 18 and 19.
  std::vector<uint8_t> screen(24576);
  const std::size_t at = 100 * 32 + 2;
  screen[at] = 0x90;
  screen[8192 + at] = 0x50;
  screen[16384 + at] = 0x30;
  auto d = QoDetectIn(PP01Registry(), "x.01s", screen);
  ASSERT_EQ("TQoPP01Engine", d->First()->EngineClass);
  EXPECT_EQ(10, d->First()->DetectFlags);
  EXPECT_EQ("PP01 256x256x3 image", d->First()->GetDisplayName());
  auto bmp = d->First()->Decode();
  EXPECT_EQ(
      (std::vector<uint32_t>{2, 4, 1, 7, 0}),
      (std::vector<uint32_t>{bmp->GetPixel(16, 100), bmp->GetPixel(17, 100), bmp->GetPixel(18, 100),
                             bmp->GetPixel(19, 100), bmp->GetPixel(16, 101)}));
  const std::vector<uint32_t> expected = {0x000000, 0x0000FF, 0xFF0000, 0xFF00FF,
                                          0x00FF00, 0x00FFFF, 0xFFFF00, 0xFFFFFF};
  ASSERT_EQ(8, bmp->Palette->GetCount());
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(expected[static_cast<std::size_t>(i)], bmp->Palette->GetRGBQuad(i));
  EXPECT_EQ(8, QoDetectIn(PP01Registry(), "x.bin", screen)->First()->DetectFlags);
  screen.push_back(0);
  EXPECT_EQ(0, QoDetectIn(PP01Registry(), "x.01s", screen)->Engines->Count());
}
