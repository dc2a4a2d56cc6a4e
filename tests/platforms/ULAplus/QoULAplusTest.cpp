#include <gtest/gtest.h>

#include <map>

#include "color/QoPaletteTypes.h"
#include "platforms/QoPlatformModules.h"
#include "platforms/ULAplus/QoOpenPlatformULAplus.h"
#include "support/QoEngineChecks.h"
#include "support/QoSamples.h"

namespace {

using TBytes = std::vector<uint8_t>;

TQoEngineRegistry UlaPlusRegistry() {
  TQoEngineRegistry registry;
  RegisterULAplusEngines(registry);
  return registry;
}

std::unique_ptr<TQoDetected> Detect(const std::string& name, TBytes bytes) {
  return QoDetectIn(QoDefaultRegistry(), name, std::move(bytes));
}

}  // namespace

TEST(QoULAplusTest, RegistersTheFamilyInOrderLast) {
  EXPECT_EQ((std::vector<std::string>{"TQoZxSpectrumUlaPlusEngine", "TQoTimexUlaPlusEngine"}),
            QoClassNames(UlaPlusRegistry()));
  const std::vector<std::string> all = QoClassNames(QoDefaultRegistry());
  ASSERT_GE(all.size(), 2u);
  EXPECT_EQ("TQoTimexUlaPlusEngine", all.back());
  EXPECT_EQ("TQoZxSpectrumUlaPlusEngine", all[all.size() - 2]);
}

TEST(QoULAplusTest, ColourBytesUnderEachPaletteType) {
  for (uint8_t type : {ptV10, ptV11, ptColoredLinear}) {
    EXPECT_EQ(255, UlaPlusColour(0x03, type).B) << int(type);
  }
  EXPECT_EQ(182, UlaPlusColour(0x02, ptV11).B);
  EXPECT_EQ(146, UlaPlusColour(0x02, ptV10).B);
  EXPECT_EQ(146, UlaPlusColour(0x02, ptColoredLinear).B);  // unknown types map as v1.0
  EXPECT_EQ(109, UlaPlusColour(0x01, ptV11).B);
  EXPECT_EQ((TQoStdRGBColor{0, 255, 0}), UlaPlusColour(0xE0, ptV11));
  EXPECT_EQ((TQoStdRGBColor{146, 73, 0}), UlaPlusColour(0x50, ptV10));  // green 2, red 4
  EXPECT_EQ((TQoStdRGBColor{220, 220, 220}), UlaPlusColour(0xE0, ptV11Gray));
  EXPECT_EQ((TQoStdRGBColor{255, 255, 255}), UlaPlusColour(0xFF, ptV11Gray));
  EXPECT_EQ((TQoStdRGBColor{76, 76, 76}), UlaPlusColour(0x03, ptV11Gray));  // blue is dark
}

TEST(QoULAplusTest, AttributesPickAGroupOfInksAndPapers) {
  TBytes palette(64);
  for (std::size_t i = 0; i < 64; ++i) palette[i] = static_cast<uint8_t>(i * 4);
  palette[55] = 0x1C;  // red
  palette[56] = 0x03;  // blue

  // A standard screen: attribute 0xC7 (group 3, ink 7, paper 0) of cell (3, 9).
  TBytes screen(6912);
  screen[QoZxPixelOffset(77, 3)] = 0x81;
  screen[6144 + 9 * 32 + 3] = 0xC7;
  screen.insert(screen.end(), palette.begin(), palette.end());
  auto d = Detect("p.scr", screen);
  TQoSourceEngine& engine = *d->First();
  ASSERT_EQ("TQoZxSpectrumUlaPlusEngine", engine.EngineClass);
  EXPECT_EQ("ZX Spectrum 256x192x8 ULAPlus image", engine.GetDisplayName());
  EXPECT_EQ(ptV11, engine.PaletteType);
  auto bmp = engine.Decode();
  ASSERT_EQ(64, bmp->Palette->GetCount());
  EXPECT_EQ(55u, bmp->GetPixel(24, 77));
  EXPECT_EQ(56u, bmp->GetPixel(25, 77));
  EXPECT_EQ(55u, bmp->GetPixel(31, 77));
  EXPECT_EQ(56u, bmp->GetPixel(24, 72));  // the same cell, another line
  EXPECT_EQ(0xFF0000u, bmp->Palette->GetRGBQuad(55));
  EXPECT_EQ(0x0000FFu, bmp->Palette->GetRGBQuad(56));
  engine.PaletteType = ptV11Gray;
  EXPECT_EQ(bmp->Palette->GetPColor(55).GetGray() * 0x010101u,
            engine.Decode()->Palette->GetRGBQuad(55));

  // A Timex hi-colour screen: the attribute of each pixel byte at 6,144 past it.
  TBytes hiColor(12288);
  hiColor[QoZxPixelOffset(77, 3)] = 0x80;
  hiColor[6144 + QoZxPixelOffset(77, 3)] = 0x4A;  // group 1, ink 2, paper 1
  hiColor[6144 + QoZxPixelOffset(78, 3)] = 0x80;  // group 2, paper 0
  hiColor.insert(hiColor.end(), palette.begin(), palette.end());
  for (const char* name : {"p.tcu", "p.scr"}) {
    auto t = Detect(name, hiColor);
    TQoSourceEngine& timex = *t->First();
    ASSERT_EQ("TQoTimexUlaPlusEngine", timex.EngineClass) << name;
    EXPECT_EQ(10, timex.DetectFlags);
    auto tb = timex.Decode();
    EXPECT_EQ(18u, tb->GetPixel(24, 77));
    EXPECT_EQ(25u, tb->GetPixel(25, 77));
    EXPECT_EQ(40u, tb->GetPixel(24, 78));
  }
  EXPECT_EQ("Timex 256x192x8 HiColor ULAPlus image",
            Detect("p.tcu", hiColor)->First()->GetDisplayName());
  EXPECT_EQ("EleMeNt ZX/MB03+ 256x192x8 Timex HiColor ULAPlus image",
            Detect("p.scr", hiColor)->First()->GetDisplayName());
}

TEST(QoULAplusTest, RealULAplusScreensAreRecognisedAndDecode) {
  QO_REQUIRE_SAMPLES();
  // Pinned after checking the picture by eye.
  const std::map<std::string, std::string> pinned = {
      {"zxspectrum/ulaplus.scr", "54c8bdb7364757f5"}};
  EXPECT_EQ(1, QoCheckRealPictures(QoDefaultRegistry(),
                                   {{"zx-ulaplus-scr", "TQoZxSpectrumUlaPlusEngine"}}, pinned));
}
