#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platforms/Lvov/QoOpenPlatformLvov.h"
#include "support/QoEngineChecks.h"

namespace {

using TBytes = std::vector<uint8_t>;

TQoEngineRegistry LvovRegistry() {
  TQoEngineRegistry registry;
  RegisterLvovEngines(registry);
  return registry;
}

std::unique_ptr<TQoDetected> Detect(const std::string& name, TBytes bytes) {
  return QoDetectIn(LvovRegistry(), name, std::move(bytes));
}

std::vector<uint32_t> Colors(const TQoPalette256& palette) {
  std::vector<uint32_t> colors;
  for (int i = 0; i < palette.GetCount(); ++i) colors.push_back(palette.GetRGBQuad(i));
  return colors;
}

}  // namespace

TEST(QoLvovTest, RegistersTheFamilyInOrder) {
  EXPECT_EQ((std::vector<std::string>{"TQoLvovEngine"}), QoClassNames(LvovRegistry()));
}

TEST(QoLvovTest, PaletteBytesInvertChannelsOfTheThirdColour) {
  TQoPalette256 palette;
  QoSetLvovPalette(palette, 15);
  EXPECT_EQ((std::vector<uint32_t>{0x000000, 0x0000FF, 0x00FF00, 0xFF0000}), Colors(palette));
  // Colour 2 red and blue, green off (bits 4, 5, 6); colour 0 inverts red and green
  // (bits 2-3 = 1), colour 3 red alone (bit 1 clear), colour 1 green and blue (bit 0 set).
  QoSetLvovPalette(palette, 0x75);
  EXPECT_EQ((std::vector<uint32_t>{0x00FFFF, 0xFFFF00, 0xFF00FF, 0x0000FF}), Colors(palette));
  QoSetLvovPalette(palette, 0x28);  // colour 2 black; bits 2-3 = 2: green and blue
  EXPECT_EQ((std::vector<uint32_t>{0x00FFFF, 0xFFFFFF, 0x000000, 0xFF0000}), Colors(palette));
}

TEST(QoLvovTest, ScreensOfThreeSizesSplitTheirPixelsOverTheNibbles) {
  TBytes screen(16384);
  screen[3 * 64 + 2] = 0x96;  // pixels 8-11 of row 3: bits 7/3, 6/2, 5/1, 4/0 = 2, 1, 1, 2
  auto d = Detect("x.lvs", screen);
  ASSERT_EQ("TQoLvovEngine", d->First()->EngineClass);
  EXPECT_EQ(10, d->First()->DetectFlags);
  EXPECT_EQ("Lvov 256x256x2 palette 15 image", d->First()->GetDisplayName());
  EXPECT_EQ(36, d->First()->AspectIndex);
  auto bmp = d->First()->Decode();
  EXPECT_EQ((std::vector<uint32_t>{2, 1, 1, 2}),
            (std::vector<uint32_t>{bmp->GetPixel(8, 3), bmp->GetPixel(9, 3), bmp->GetPixel(10, 3),
                                   bmp->GetPixel(11, 3)}));
  EXPECT_EQ(0x00FF00u, bmp->Palette->GetRGBQuad(2));

  screen.push_back(0x75);
  d = Detect("x.bin", screen);
  EXPECT_EQ(8, d->First()->DetectFlags);
  EXPECT_EQ("Lvov 256x256x2 palette 117 image", d->First()->GetDisplayName());
  EXPECT_EQ(0xFF00FFu, d->First()->Decode()->Palette->GetRGBQuad(2));

  TBytes window(11251);
  window[224 * 50 + 49] = 0x01;  // the last pixel of the last row: value 1
  window.back() = 15;
  d = Detect("x.lvs", window);
  EXPECT_EQ(200, d->First()->Width);
  EXPECT_EQ(225, d->First()->Height);
  EXPECT_EQ(1u, d->First()->Decode()->GetPixel(199, 224));

  for (std::size_t size : {16383u, 16386u, 11250u}) {
    EXPECT_EQ(0, Detect("x.lvs", TBytes(size))->Engines->Count()) << size;
  }
}
