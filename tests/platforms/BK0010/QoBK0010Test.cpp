#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "color/QoAspect.h"
#include "platforms/BK0010/QoOpenPlatformBK0010.h"
#include "support/QoEngineChecks.h"

namespace {

using TBytes = std::vector<uint8_t>;

TQoEngineRegistry BKRegistry() {
  TQoEngineRegistry registry;
  RegisterBK0010Engines(registry);
  return registry;
}

std::unique_ptr<TQoDetected> Detect(const std::string& name, TBytes bytes) {
  return QoDetectIn(BKRegistry(), name, std::move(bytes));
}

// A screen whose every line holds the pixels 0 1 2 3 at x = 24 to 27 (byte 6, low bits
// first) and the bits of y + seed at x = 28 to 31 (byte 7).
TBytes Screen(uint8_t seed = 0) {
  TBytes screen(16384);
  for (std::size_t y = 0; y < 256; ++y) {
    screen[y * 64 + 6] = 0xE4;  // 0b11100100: pixels 0 1 2 3
    screen[y * 64 + 7] = static_cast<uint8_t>(y + seed);
  }
  return screen;
}

TBytes Join(std::vector<TBytes> parts) {
  TBytes all;
  for (const TBytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

}  // namespace

TEST(QoBK0010Test, RegistersTheEightEnginesInOrder) {
  const std::vector<std::string> classes = {
      "TQoBK0010BKSSourceEngine",   "TQoBK0010BKSPCHGSourceEngine", "TQoBK0010BKSExSourceEngine",
      "TQoBK0010BKSBWSourceEngine", "TQoBK0010BKSBWExSourceEngine", "TQoBK0010PICSourceEngine",
      "TQoBK0010BINSourceEngine",   "TQoBK0010BINBWSourceEngine"};
  EXPECT_EQ(classes, QoClassNames(BKRegistry()));
  QoExpectModuleInStartUpOrder(classes, "TQoAtariSTDEGASEngine",
                               "TQoCommodore64HiResFLIGigascreenEcpEngine");
}

TEST(QoBK0010Test, ColourScreensTakeTheirPaletteNumber) {
  // One palette number after the screen; 16 is not one.
  auto d = Detect("p.bks", Join({Screen(), {7}}));
  TQoSourceEngine& bks = *d->First();
  ASSERT_EQ("TQoBK0010BKSSourceEngine", bks.EngineClass);
  EXPECT_EQ(10, bks.DetectFlags);
  EXPECT_EQ("BK-0011 256x256x2 palette 7 image", bks.GetDisplayName());
  EXPECT_EQ(QoAspectIndexByLabel("4:3"), bks.AspectIndex);
  auto bmp = bks.Decode();
  ASSERT_EQ(4, bmp->Palette->GetCount());
  EXPECT_EQ(0xC0FF00u, bmp->Palette->GetRGBQuad(1));
  for (int k = 0; k < 4; ++k) EXPECT_EQ(static_cast<uint32_t>(k), bmp->GetPixel(24 + k, 0));
  EXPECT_EQ(3u, bmp->GetPixel(31, 255));
  EXPECT_EQ(3u, bmp->GetPixel(28, 3));  // 3 is pixels 3 0 0 0
  EXPECT_EQ(0u, bmp->GetPixel(29, 3));
  EXPECT_EQ(1u, bmp->GetPixel(29, 4));
  EXPECT_EQ(0, Detect("p.bks", Join({Screen(), {16}}))->Engines->Count());

  // Without a palette number: palette 0. A 16388-byte file with the load header is a
  // colour picture first, whichever order the header's bytes come in.
  auto pic = Detect("p.pic", Screen());
  ASSERT_EQ("TQoBK0010PICSourceEngine", pic->First()->EngineClass);
  EXPECT_EQ(" palette 0 image", pic->First()->Description);
  EXPECT_EQ(0x0000FFu, pic->First()->Decode()->Palette->GetRGBQuad(1));
  for (const TBytes& header : {TBytes{0x00, 0x40, 0x00, 0x40}, TBytes{0x40, 0x00, 0x40, 0x00}}) {
    auto bin = Detect("p.bin", Join({header, Screen()}));
    ASSERT_EQ("TQoBK0010BINSourceEngine", bin->First()->EngineClass);
    EXPECT_EQ(11, bin->First()->DetectFlags);
    EXPECT_EQ(2, bin->Engines->Count());
    EXPECT_EQ(2u, bin->First()->Decode()->GetPixel(26, 0));
    EXPECT_EQ(9, Detect("p.dat", Join({header, Screen()}))->First()->DetectFlags);
  }
  EXPECT_EQ(0, Detect("p.bin", Join({{0x00, 0x40, 0x00, 0x41}, Screen()}))->Engines->Count());
}

TEST(QoBK0010Test, LinePalettesShareOnePictureOfEveryColour) {
  TBytes numbers(256);
  for (std::size_t y = 0; y < 256; ++y) numbers[y] = static_cast<uint8_t>(y % 2);
  auto d = Detect("p.bks", Join({Screen(), numbers}));
  TQoSourceEngine& engine = *d->First();
  ASSERT_EQ("TQoBK0010BKSPCHGSourceEngine", engine.EngineClass);
  EXPECT_EQ(" PCHG image", engine.Description);
  auto bmp = engine.Decode();
  // Palettes 0 and 1 alone have 6 colours; the picture palette holds the 14 colours of
  // all 16 palettes, which fit 4 bits.
  ASSERT_EQ(14, bmp->Palette->GetCount());
  EXPECT_EQ(4, bmp->BitsPerPixel);
  for (int i = 1; i < 14; ++i) {
    EXPECT_LE(bmp->Palette->GetPColor(i - 1).GetLuminance(),
              bmp->Palette->GetPColor(i).GetLuminance());
  }
  EXPECT_EQ((TQoStdRGBColor{0, 0, 255}), bmp->GetStdRGBPixel(25, 0));    // palette 0, colour 1
  EXPECT_EQ((TQoStdRGBColor{255, 255, 0}), bmp->GetStdRGBPixel(25, 1));  // palette 1, colour 1
  EXPECT_EQ((TQoStdRGBColor{255, 0, 0}), bmp->GetStdRGBPixel(27, 1));    // palette 1, colour 3
  numbers[200] = 16;
  EXPECT_EQ(0, Detect("p.bks", Join({Screen(), numbers}))->Engines->Count());
}

TEST(QoBK0010Test, ColourPairsMixTheirPalettesAndKeepBothFrames) {
  auto same = Detect("p.bks", Join({Screen(), Screen(1), {3, 3}}));
  ASSERT_EQ("TQoBK0010BKSExSourceEngine", same->First()->EngineClass);
  EXPECT_EQ("BK-0011 256x256x2@2 palette 3 image", same->First()->GetDisplayName());
  auto d = Detect("p.bks", Join({Screen(), Screen(1), {3, 4}}));
  TQoSourceEngine& engine = *d->First();
  EXPECT_EQ(" palette 3/4 image", engine.Description);
  auto bmp = engine.Decode();
  ASSERT_EQ(16, bmp->Palette->GetCount());
  ASSERT_EQ(2, bmp->FrameCount());
  // Line 0: pixel 26 is 2 in both screens; pixel 28 is 0 in the first, 1 in the second.
  EXPECT_EQ(2u * 4 + 2, bmp->GetPixel(26, 0));
  EXPECT_EQ(0u * 4 + 1, bmp->GetPixel(28, 0));
  EXPECT_EQ(0u, bmp->Frames->Get(0)->GetPixel(28, 0));
  EXPECT_EQ(1u, bmp->Frames->Get(1)->GetPixel(28, 0));
  EXPECT_EQ(0x00FFFFu, bmp->Frames->Get(0)->Palette->GetRGBQuad(2));  // palette 3
  EXPECT_EQ(0x00FFFFu, bmp->Frames->Get(1)->Palette->GetRGBQuad(2));  // palette 4
  EXPECT_EQ(0xFF00FFu, bmp->Frames->Get(1)->Palette->GetRGBQuad(1));
  // Entry 1 * 4 + 3 averages palette 3's green and palette 4's white in linear light.
  const TQoLinRGBColor mixed = bmp->Palette->GetLinRGB(1 * 4 + 3);
  EXPECT_NEAR(0.5, mixed.R, 0.005);
  EXPECT_NEAR(1.0, mixed.G, 0.005);
  EXPECT_EQ(1, engine.Palette->GetPColor(3 * 4 + 1).Excluded);
  EXPECT_EQ(0, engine.Palette->GetPColor(1 * 4 + 3).Excluded);
  EXPECT_EQ(0, Detect("p.bks", Join({Screen(), Screen(), {3, 16}}))->Engines->Count());
}

TEST(QoBK0010Test, BlackAndWhiteScreensStartFromBitZero) {
  TBytes screen(16384);
  screen[5 * 64 + 2] = 0x03;  // pixels 16 and 17 of line 5
  auto d = Detect("p.xyz", screen);
  ASSERT_EQ("TQoBK0010BKSBWSourceEngine", d->First()->EngineClass);
  EXPECT_EQ(8, d->First()->DetectFlags);
  EXPECT_EQ("BK-0011 512x256x1 B/W image", d->First()->GetDisplayName());
  EXPECT_EQ(QoAspectIndexByLabel("2:3"), d->First()->AspectIndex);
  auto bmp = d->First()->Decode();
  EXPECT_EQ(1u, bmp->GetPixel(16, 5));
  EXPECT_EQ(1u, bmp->GetPixel(17, 5));
  EXPECT_EQ(0u, bmp->GetPixel(23, 5));
  EXPECT_EQ(0xFFFFFFu, bmp->Palette->GetRGBQuad(1));

  auto bin = Detect("p.bin", Join({{0x00, 0x40, 0x00, 0x40}, screen}));
  ASSERT_NE(nullptr, bin->Find("TQoBK0010BINBWSourceEngine"));
  EXPECT_EQ(1u, bin->Find("TQoBK0010BINBWSourceEngine")->Decode()->GetPixel(17, 5));

  TBytes second(16384);
  second[5 * 64 + 2] = 0x02;
  auto pair = Detect("p.bks", Join({screen, second}));
  ASSERT_EQ("TQoBK0010BKSBWExSourceEngine", pair->First()->EngineClass);
  auto mixed = pair->First()->Decode();
  ASSERT_EQ(4, mixed->Palette->GetCount());
  ASSERT_EQ(2, mixed->FrameCount());
  EXPECT_EQ(2u, mixed->GetPixel(16, 5));  // lit in the first screen only
  EXPECT_EQ(3u, mixed->GetPixel(17, 5));  // lit in both
  EXPECT_EQ(1u, mixed->Frames->Get(1)->GetPixel(17, 5));
  EXPECT_EQ(0u, mixed->Frames->Get(1)->GetPixel(16, 5));
}
