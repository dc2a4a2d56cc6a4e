#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "color/QoAspect.h"
#include "platforms/QoPlatformModules.h"
#include "platforms/Timex/QoOpenPlatformTimex.h"
#include "support/QoEngineChecks.h"
#include "support/QoSamples.h"

namespace {

using TBytes = std::vector<uint8_t>;

TQoEngineRegistry TimexRegistry() {
  TQoEngineRegistry registry;
  RegisterTimexEngines(registry);
  return registry;
}

// Detection over every module, so that the Timex engines meet the ZX Spectrum's.
std::unique_ptr<TQoDetected> Detect(const std::string& name, TBytes bytes) {
  return QoDetectIn(QoDefaultRegistry(), name, std::move(bytes));
}

// A hi-res screen: bytes of the first and second area at row y, column k, then the port.
TBytes HiResScreen(uint8_t port) {
  TBytes file(12289);
  file[12288] = port;
  return file;
}

}  // namespace

TEST(QoTimexTest, RegistersTheFamilyInOrderBeforeTheZxSpectrum) {
  EXPECT_EQ((std::vector<std::string>{"TQoTimexEngine", "TQoTimexInterlacedEngine",
                                      "TQoTimexBWEngine", "TQoTimexBWGigaEngine"}),
            QoClassNames(TimexRegistry()));
  const std::vector<std::string> all = QoClassNames(QoDefaultRegistry());
  const auto at = [&](const char* name) { return std::find(all.begin(), all.end(), name); };
  ASSERT_NE(all.end(), at("TQoTimexEngine"));
  EXPECT_LT(at("TQoTimexBWGigaEngine"), at("TQoZxSpectrumBWEngine"));
  EXPECT_LT(at("TQoSAMCoupeModeRAWEngine"), at("TQoTimexEngine"));
}

TEST(QoTimexTest, HiColourAttributesColourEachPixelByte) {
  // Row 77 is in the second third, character row 9, line 5; row 78 is the next line of
  // the same cell and has an attribute of its own.
  TBytes file(12288);
  const std::size_t at77 = QoZxPixelOffset(77, 3), at78 = QoZxPixelOffset(78, 3);
  file[at77] = 0xF0;
  file[6144 + at77] = 0x47 | 2 << 3;  // bright white ink on bright red paper
  file[at78] = 0x0F;
  file[6144 + at78] = 0x04;  // green ink on black
  for (const char* name : {"p.scr", "p.bin"}) {
    auto d = Detect(name, file);
    // The Timex screen comes before the multicolour screens of the same size by its own
    // extension; on a tie the module order decides (the Specialist's screens of this
    // size register earlier).
    if (std::string(name) == "p.scr") {
      ASSERT_EQ("TQoTimexEngine", d->First()->EngineClass);
    }
    ASSERT_NE(nullptr, d->Find("TQoTimexEngine")) << name;
    TQoSourceEngine& engine = *d->Find("TQoTimexEngine");
    EXPECT_EQ(std::string(name) == "p.scr" ? 10 : 8, engine.DetectFlags);
    EXPECT_EQ("Timex 256x192x4 HiColor image", engine.GetDisplayName());
    EXPECT_EQ(3, engine.GetPaletteTypeCount());
    auto bmp = engine.Decode();
    EXPECT_EQ(15u, bmp->GetPixel(24, 77));
    EXPECT_EQ(10u, bmp->GetPixel(28, 77));
    EXPECT_EQ(0u, bmp->GetPixel(24, 78));
    EXPECT_EQ(4u, bmp->GetPixel(31, 78));
  }
  EXPECT_EQ("TQoZxSpectrumMulticolorMLTEngine", Detect("p.mlt", file)->First()->EngineClass);

  // Two screens: screen k gives picture row 2y + k.
  TBytes pair(24576);
  std::copy(file.begin(), file.end(), pair.begin() + 12288);
  auto d = Detect("p.lce", pair);
  TQoSourceEngine& interlaced = *d->First();
  ASSERT_EQ("TQoTimexInterlacedEngine", interlaced.EngineClass);
  EXPECT_EQ(kQoAspect2to1, interlaced.AspectIndex);
  EXPECT_EQ("Timex 256x384x4 HiColor interlaced image", interlaced.GetDisplayName());
  auto bmp = interlaced.Decode();
  EXPECT_EQ(15u, bmp->GetPixel(24, 155));
  EXPECT_EQ(4u, bmp->GetPixel(31, 157));
  EXPECT_EQ(0u, bmp->GetPixel(24, 154));
}

TEST(QoTimexTest, HiResAreasSideBySideInThePortsColours) {
  // Row 9 (character row 1, line 1): byte 5 of the first area is pixels 80-87, byte 5 of
  // the second area pixels 88-95.
  TBytes file = HiResScreen(0x38);
  file[QoZxPixelOffset(9, 5)] = 0x80;
  file[6144 + QoZxPixelOffset(9, 5)] = 0x01;
  auto d = Detect("p.thr", file);
  TQoSourceEngine& engine = *d->First();
  ASSERT_EQ("TQoTimexBWEngine", engine.EngineClass);
  EXPECT_EQ("Timex 512x192x1 HiRes image", engine.GetDisplayName());
  EXPECT_EQ(kQoAspect1to2, engine.AspectIndex);
  auto bmp = engine.Decode();
  EXPECT_EQ((std::vector<uint32_t>{1, 0, 0, 1}),
            (std::vector<uint32_t>{bmp->GetPixel(80, 9), bmp->GetPixel(81, 9), bmp->GetPixel(94, 9),
                                   bmp->GetPixel(95, 9)}));
  EXPECT_EQ(0x000000u, bmp->Palette->GetRGBQuad(0));  // port 0x38: white ink on black
  EXPECT_EQ(0xFFFFFFu, bmp->Palette->GetRGBQuad(1));

  file[12288] = 0x10;  // ink red, paper cyan; a ".scr" is a clone's file
  auto s = Detect("p.scr", file);
  ASSERT_EQ("TQoTimexBWEngine", s->First()->EngineClass);
  EXPECT_EQ("EleMeNt ZX/MB03+ 512x192x1 Timex HiRes image", s->First()->GetDisplayName());
  EXPECT_EQ(".scr", s->First()->DefaultExtension);
  auto b = s->First()->Decode();
  EXPECT_EQ(0x00FFFFu, b->Palette->GetRGBQuad(0));
  EXPECT_EQ(0xFF0000u, b->Palette->GetRGBQuad(1));
  file[12288] = 0x00;
  EXPECT_EQ(0xFFFFFFu, Detect("p.scr", file)->First()->Decode()->Palette->GetRGBQuad(0));

  // Two hi-res screens shown alternately: combined index a * 2 + b, the linear average of
  // the two screens' colours, and each screen as a frame of its own.
  TBytes giga(24578);
  giga[12288] = 0x38;                                    // screen 1: white on black
  giga[24577] = 0x08;                                    // screen 2: blue ink on yellow paper
  giga[QoZxPixelOffset(0, 0)] = 0xC0;                    // screen 1, pixels 0 and 1
  giga[12289 + QoZxPixelOffset(0, 0)] = 0xA0;            // screen 2, pixels 0 and 2
  giga[12289 + 6144 + QoZxPixelOffset(191, 31)] = 0x01;  // screen 2, pixel 511 of row 191
  auto g = Detect("p.hgr", giga);
  TQoSourceEngine& pair = *g->First();
  ASSERT_EQ("TQoTimexBWGigaEngine", pair.EngineClass);
  EXPECT_EQ("Timex 512x192x2@2 HiRes image", pair.GetDisplayName());
  auto gb = pair.Decode();
  EXPECT_EQ((std::vector<uint32_t>{3, 2, 1, 0}),
            (std::vector<uint32_t>{gb->GetPixel(0, 0), gb->GetPixel(1, 0), gb->GetPixel(2, 0),
                                   gb->GetPixel(3, 0)}));
  EXPECT_EQ(1u, gb->GetPixel(511, 191));
  ASSERT_EQ(4, gb->Palette->GetCount());
  EXPECT_EQ(0xBCBC00u, gb->Palette->GetRGBQuad(0));  // black and yellow
  EXPECT_EQ(0x0000BCu, gb->Palette->GetRGBQuad(1));  // black and blue
  EXPECT_EQ(0xFFFFBCu, gb->Palette->GetRGBQuad(2));  // white and yellow
  ASSERT_EQ(2, gb->FrameCount());
  EXPECT_EQ(1u, gb->Frames->GetBitmap(0)->GetPixel(1, 0));
  EXPECT_EQ(0u, gb->Frames->GetBitmap(1)->GetPixel(1, 0));
  EXPECT_EQ(0xFFFF00u, gb->Frames->GetBitmap(1)->Palette->GetRGBQuad(0));
}

TEST(QoTimexTest, RealTimexPicturesAreRecognisedAndDecode) {
  QO_REQUIRE_SAMPLES();
  // Pinned after checking each picture by eye.
  const std::map<std::string, std::string> pinned = {
      {"zxspectrum/timexhr.scr", "6126d8d85a6d0155"},
      {"zxspectrum/example.hrg", "83363702948412d6"},
  };
  EXPECT_EQ(2,
            QoCheckRealPictures(
                QoDefaultRegistry(),
                {{"timex-scr", "TQoTimexBWEngine"}, {"zx-hrg", "TQoTimexBWGigaEngine"}}, pinned));
}
