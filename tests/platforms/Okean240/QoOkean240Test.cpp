#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platforms/Okean240/QoOpenPlatformOkean240.h"
#include "platforms/QoPlatformModules.h"
#include "support/QoEngineChecks.h"

namespace {

using TBytes = std::vector<uint8_t>;

TQoEngineRegistry Okean240Registry() {
  TQoEngineRegistry registry;
  RegisterOkean240Engines(registry);
  return registry;
}

std::unique_ptr<TQoDetected> Detect(const std::string& name, TBytes bytes) {
  return QoDetectIn(Okean240Registry(), name, std::move(bytes));
}

// A colour screen whose pixel (8 + i, 9) holds values[i] (column 1, its low plane bytes
// first, then the high plane's).
TBytes ColorScreen(const std::vector<uint32_t>& values) {
  TBytes screen(16384);
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (values[i] & 1) screen[512 + 9] |= static_cast<uint8_t>(1u << i);
    if (values[i] & 2) screen[512 + 256 + 9] |= static_cast<uint8_t>(1u << i);
  }
  return screen;
}

}  // namespace

TEST(QoOkean240Test, RegistersTheFamilyInOrder) {
  EXPECT_EQ((std::vector<std::string>{"TQoOkean240Engine", "TQoOkean240ExEngine",
                                      "TQoOkean240BWEngine", "TQoOkean240BWExEngine"}),
            QoClassNames(Okean240Registry()));
}

TEST(QoOkean240Test, PaletteBytesPickASetAndADimBackground) {
  TQoPalette256 palette;
  QoSetOkean240Palette(palette, 2);
  EXPECT_EQ(0xFF0000u, palette.GetRGBQuad(0));
  EXPECT_EQ(0x00FFFFu, palette.GetRGBQuad(2));
  EXPECT_EQ(0xFFFF00u, palette.GetRGBQuad(3));
  const uint8_t half = qo::LinearToSrgbByte(0.5);
  QoSetOkean240Palette(palette, 5 << 3 | 0);  // background red and green
  EXPECT_EQ(static_cast<uint32_t>(half << 16 | half << 8), palette.GetRGBQuad(0));
  EXPECT_EQ(0x0000FFu, palette.GetRGBQuad(3));
  QoSetOkean240Palette(palette, 2 << 3 | 5);  // background blue, then blue, green, yellow
  EXPECT_EQ(static_cast<uint32_t>(half), palette.GetRGBQuad(0));
  EXPECT_EQ(0x0000FFu, palette.GetRGBQuad(1));
  EXPECT_EQ("Okean-240 256x256x2 palette 5 background 2 image", Detect("x.oks",
                                                                       [] {
                                                                         TBytes f(16385);
                                                                         f.back() = 2 << 3 | 5;
                                                                         return f;
                                                                       }())
                                                                    ->First()
                                                                    ->GetDisplayName());
  for (uint8_t p : {7, 15, 63, 64, 0x80}) EXPECT_FALSE(QoIsOkean240PaletteByte(p)) << int(p);
  EXPECT_TRUE(QoIsOkean240PaletteByte(62));
}

TEST(QoOkean240Test, ColumnsOfPlanesAloneAndInPairs) {
  TBytes file = ColorScreen({1, 2, 3, 0});
  file.push_back(1);
  auto d = Detect("x.oks", file);
  ASSERT_EQ("TQoOkean240Engine", d->First()->EngineClass);
  EXPECT_EQ(10, d->First()->DetectFlags);
  EXPECT_EQ("Okean-240 256x256x2 palette 1 image", d->First()->GetDisplayName());
  EXPECT_EQ(35, d->First()->AspectIndex);
  auto bmp = d->First()->Decode();
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(static_cast<uint32_t>((i + 1) % 4), bmp->GetPixel(8 + i, 9));
  EXPECT_EQ(0u, bmp->GetPixel(8, 10));
  EXPECT_EQ(0xFFFFFFu, bmp->Palette->GetRGBQuad(0));
  for (uint8_t p : {7, 64}) {
    file.back() = p;
    EXPECT_EQ(0, Detect("x.oks", file)->Engines->Count()) << int(p);
  }

  // Two screens: value = first * 4 + second over the mixed palette, the frames each screen.
  TBytes pair = ColorScreen({3, 0});
  const TBytes second = ColorScreen({1, 2});
  pair.insert(pair.end(), second.begin(), second.end());
  pair.push_back(1);
  d = Detect("x.bin", pair);
  ASSERT_EQ("TQoOkean240ExEngine", d->First()->EngineClass);
  EXPECT_EQ(8, d->First()->DetectFlags);
  EXPECT_EQ("Okean-240 256x256x2@2 palette 1 image", d->First()->GetDisplayName());
  bmp = d->First()->Decode();
  EXPECT_EQ(13u, bmp->GetPixel(8, 9));
  EXPECT_EQ(2u, bmp->GetPixel(9, 9));
  ASSERT_EQ(2, bmp->FrameCount());
  EXPECT_EQ(3u, bmp->Frames->GetBitmap(0)->GetPixel(8, 9));
  EXPECT_EQ(1u, bmp->Frames->GetBitmap(1)->GetPixel(8, 9));
  EXPECT_EQ(16, bmp->Palette->GetCount());
  EXPECT_EQ(4, d->First()->PaletteColumns);

  // Black and white: 64 columns of 256 bytes, bit 0 leftmost.
  TBytes mono(16384);
  mono[2 * 256 + 4] = 0x03;
  d = Detect("x.oks", mono);
  ASSERT_EQ("TQoOkean240BWEngine", d->First()->EngineClass);
  EXPECT_EQ(512, d->First()->Width);
  EXPECT_EQ(15, d->First()->AspectIndex);
  bmp = d->First()->Decode();
  EXPECT_EQ(1u, bmp->GetPixel(16, 4));
  EXPECT_EQ(1u, bmp->GetPixel(17, 4));
  EXPECT_EQ(0u, bmp->GetPixel(18, 4));
  TBytes monoPair = mono;
  monoPair.resize(32768);
  monoPair[16384 + 2 * 256 + 4] = 0x02;
  d = Detect("x.oks", monoPair);
  ASSERT_EQ("TQoOkean240BWExEngine", d->First()->EngineClass);
  bmp = d->First()->Decode();
  EXPECT_EQ(2u, bmp->GetPixel(16, 4));
  EXPECT_EQ(3u, bmp->GetPixel(17, 4));
  EXPECT_EQ(4, bmp->Palette->GetCount());
  EXPECT_EQ(0u, bmp->Frames->GetBitmap(1)->GetPixel(16, 4));
}

TEST(QoOkean240Test, TheExtensionLiftsItsOwnEngineAmongEqualSizes) {
  // 16384 bytes are a Lvov screen (palette byte 15) and an Okean-240 black-and-white
  // screen alike; without a telling extension the start-up order decides.
  const TBytes screen(16384);
  auto index = [](const TQoDetected& d, const std::string& name) {
    const std::vector<std::string> classes = d.Classes();
    return std::find(classes.begin(), classes.end(), name) - classes.begin();
  };
  auto bare = QoDetectIn(QoDefaultRegistry(), "x.bin", screen);
  EXPECT_LT(index(*bare, "TQoLvovEngine"), index(*bare, "TQoOkean240BWEngine"));
  EXPECT_LT(index(*bare, "TQoOkean240BWEngine"), static_cast<long>(bare->Classes().size()));
  EXPECT_EQ("TQoOkean240BWEngine",
            QoDetectIn(QoDefaultRegistry(), "x.oks", screen)->First()->EngineClass);
  EXPECT_EQ("TQoLvovEngine",
            QoDetectIn(QoDefaultRegistry(), "x.lvs", screen)->First()->EngineClass);
}
