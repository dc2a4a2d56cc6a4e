#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "color/QoPaletteTypes.h"
#include "platforms/ZxSpectrum/QoOpenPlatformZxSpectrum.h"
#include "support/QoEngineChecks.h"
#include "support/QoSamples.h"
#include "support/QoTestHash.h"

namespace {

TQoEngineRegistry ZxRegistry() {
  TQoEngineRegistry registry;
  RegisterZxSpectrumEngines(registry);
  return registry;
}

struct TDetected {
  std::vector<uint8_t> Bytes;
  std::unique_ptr<TQoMemoryLoadSource> Source;
  std::unique_ptr<TQoSourceEngineList> Engines;
};

TDetected DetectBytes(const std::string& name, std::vector<uint8_t> bytes) {
  TDetected d;
  d.Bytes = std::move(bytes);
  d.Source = std::make_unique<TQoMemoryLoadSource>(name, d.Bytes.data(),
                                                   static_cast<int32_t>(d.Bytes.size()), false);
  d.Engines = DetectEngines(*d.Source, ZxRegistry());
  return d;
}

TQoSourceEngine* Find(const TDetected& d, const std::string& className) {
  for (int i = 0; i < d.Engines->Count(); ++i) {
    if (d.Engines->GetEngine(i)->EngineClass == className) return d.Engines->GetEngine(i);
  }
  return nullptr;
}

}  // namespace

TEST(QoZxSpectrumTest, RegistersTheFamilyInOrder) {
  std::vector<std::string> names;
  const TQoEngineRegistry registry = ZxRegistry();
  for (const TQoEngineClass& c : registry.Classes()) names.push_back(c.Name);
  EXPECT_EQ((std::vector<std::string>{"TQoZxSpectrumBWEngine",
                                      "TQoZxSpectrumColorEngine",
                                      "TQoZxSpectrumFlashColorEngine",
                                      "TQoZxSpectrumMulticolorMLTEngine",
                                      "TQoZxSpectrumMulticolorMTLEngine",
                                      "TQoZxSpectrumMulticolorMCEngine",
                                      "TQoZxSpectrumMulticolor2Engine",
                                      "TQoZxSpectrumMulticolor2AFLEngine",
                                      "TQoZxSpectrumBWGigaEngine",
                                      "TQoZxSpectrumGigaEngine",
                                      "TQoZxSpectrumColorInterlacedEngine",
                                      "TQoZxSpectrumGigaMGEngine",
                                      "TQoZxSpectrumGigaMG1Engine",
                                      "TQoZxSpectrumAtrEngine",
                                      "TQoZxSpectrumHlrEngine",
                                      "TQoZxSpectrumStlEngine",
                                      "TQoZxSpectrumTricolorEngine",
                                      "TQoZxSpectrumChrEngine",
                                      "TQoZxSpectrumBscEngine",
                                      "TQoZxSpectrumBmc4Engine",
                                      "TQoZxSpectrumBspEngine",
                                      "TQoZxSpectrumNextNxiEngine",
                                      "TQoZxSpectrumNextSl2Engine",
                                      "TQoZxSpectrumNextLoRes256Engine"}),
            names);
}

TEST(QoZxSpectrumTest, InterleavedRowAddresses) {
  EXPECT_EQ(0u, QoZxPixelOffset(0, 0));
  EXPECT_EQ(256u, QoZxPixelOffset(1, 0));
  EXPECT_EQ(32u, QoZxPixelOffset(8, 0));
  EXPECT_EQ(2048u, QoZxPixelOffset(64, 0));
  EXPECT_EQ(2048u + 7 * 256 + 7 * 32 + 31, QoZxPixelOffset(127, 31));

  // Monochrome: set pixels black, rows taken from the interleaved addresses.
  std::vector<uint8_t> screen(6144, 0);
  screen[32] = 0x80;    // row 8, leftmost pixel
  screen[2048] = 0x01;  // row 64, pixel 7
  TDetected d = DetectBytes("mono.scr", screen);
  // The attribute-only multicolour screen has the same size; the extension decides.
  ASSERT_EQ(2, d.Engines->Count());
  EXPECT_EQ("TQoZxSpectrumBWEngine", d.Engines->GetEngine(0)->EngineClass);
  auto bmp = d.Engines->GetEngine(0)->Decode();
  EXPECT_EQ(1u, bmp->GetPixel(0, 8));
  EXPECT_EQ(1u, bmp->GetPixel(7, 64));
  EXPECT_EQ(0u, bmp->GetPixel(0, 1));
  EXPECT_EQ(0xFFFFFFu, bmp->Palette->GetRGBQuad(0));
}

TEST(QoZxSpectrumTest, ColourScreenUsesInkPaperAndBright) {
  std::vector<uint8_t> screen(6912, 0);
  screen[QoZxPixelOffset(9, 1)] = 0xF0;  // cell (1, 1), second line, left half set
  screen[6144 + 32 + 1] = 0x47;          // bright white ink on black paper
  screen[6144] = 0x80 | (2 << 3) | 5;    // flash ignored: paper red, ink cyan
  TDetected d = DetectBytes("pic.scr", screen);
  TQoSourceEngine* color = Find(d, "TQoZxSpectrumColorEngine");
  ASSERT_NE(nullptr, color);
  auto bmp = color->Decode();
  EXPECT_EQ(4, bmp->BitsPerPixel);
  EXPECT_EQ(15u, bmp->GetPixel(8, 9));
  // Bright applies to paper too: bright black, which is black.
  EXPECT_EQ(8u, bmp->GetPixel(12, 9));
  EXPECT_EQ(0x000000u, bmp->Palette->GetRGBQuad(8));
  EXPECT_EQ(2u, bmp->GetPixel(0, 0));
  EXPECT_EQ(0xFFFFFFu, bmp->Palette->GetRGBQuad(15));
  EXPECT_EQ(0xBC0000u, bmp->Palette->GetRGBQuad(2));  // "Linear": normal level 188
}

TEST(QoZxSpectrumTest, PaletteTypesLevelsAndWeights) {
  TQoPalette256 p;
  SetZxPalette16(p, ptOrthodox);
  EXPECT_EQ((TQoStdRGBColor{208, 228, 255}), p.GetStdRGB(15));
  EXPECT_EQ((TQoStdRGBColor{167, 0, 0}), p.GetStdRGB(2));
  SetZxPalette16(p, ptPulsar);
  EXPECT_EQ(0x00CDCDu, p.GetRGBQuad(5));
  SetZxPalette16(p, 200);  // unknown types are "Linear"
  EXPECT_EQ(0x00BC00u, p.GetRGBQuad(4));

  // Both lit: bright, normal, or normal + bright; one lit: half bright or half normal.
  EXPECT_EQ((TQoStdRGBColor{255, 0, 0}), MixZxColours(10, 10, ptColoredLinear));
  EXPECT_EQ((TQoStdRGBColor{188, 0, 0}), MixZxColours(2, 2, ptColoredLinear));
  EXPECT_EQ((TQoStdRGBColor{232, 0, 0}), MixZxColours(2, 10, ptColoredLinear));
  EXPECT_EQ((TQoStdRGBColor{159, 0, 0}), MixZxColours(10, 0, ptPulsar));
  EXPECT_EQ((TQoStdRGBColor{118, 0, 118}), MixZxColours(3, 0, ptPulsar));

  SetFlashColorPalette(p, ptColoredLinear);
  ASSERT_EQ(256, p.GetCount());
  EXPECT_EQ(1, p.GetPColor(16 * 3 + 1).Excluded);
  EXPECT_EQ(0, p.GetPColor(16 * 1 + 3).Excluded);
}

TEST(QoZxSpectrumTest, FlashColorIsRankedByTheInnerExtension) {
  const std::vector<uint8_t> screen(6912, 0x38);
  TDetected flash = DetectBytes("pic.flash.scr", screen);
  ASSERT_EQ(2, flash.Engines->Count());
  EXPECT_EQ("TQoZxSpectrumFlashColorEngine", flash.Engines->GetEngine(0)->EngineClass);
  EXPECT_EQ(14, flash.Engines->GetEngine(0)->DetectFlags);
  EXPECT_EQ(7, flash.Engines->GetEngine(0)->Rating);
  EXPECT_EQ(10, flash.Engines->GetEngine(1)->DetectFlags);
  EXPECT_EQ(5, flash.Engines->GetEngine(1)->Rating);

  TDetected plain = DetectBytes("pic.scr", screen);
  EXPECT_EQ("TQoZxSpectrumColorEngine", plain.Engines->GetEngine(0)->EngineClass);
  EXPECT_EQ(10, plain.Engines->GetEngine(1)->DetectFlags);
}

TEST(QoZxSpectrumTest, FlashBitMixesInkAndPaper) {
  std::vector<uint8_t> screen(6912, 0);
  screen[0] = 0xF0;
  screen[6144] = 0x80 | (1 << 3) | 6;  // flash: paper blue, ink yellow
  screen[1] = 0xF0;
  screen[6145] = (1 << 3) | 6;
  TDetected d = DetectBytes("pic.flash.scr", screen);
  auto bmp = d.Engines->GetEngine(0)->Decode();
  EXPECT_EQ(8, bmp->BitsPerPixel);
  EXPECT_EQ(1u * 16 + 6, bmp->GetPixel(0, 0));
  EXPECT_EQ(0u, bmp->GetPixel(4, 0));
  EXPECT_EQ(6u * 17, bmp->GetPixel(8, 0));
  EXPECT_EQ(1u * 17, bmp->GetPixel(12, 0));
}

TEST(QoZxSpectrumTest, InterlacedAtrTricolorAndBorder) {
  std::vector<uint8_t> pair(13824, 0);
  pair[6912 + QoZxPixelOffset(1, 0)] = 0x80;  // second screen, row 1
  pair[6912 + 6144] = 0x07;
  TDetected lce = DetectBytes("pic.lce", pair);
  // A gigascreen pair has the same size; the extension puts the interlaced pair first.
  ASSERT_EQ(2, lce.Engines->Count());
  EXPECT_EQ("TQoZxSpectrumColorInterlacedEngine", lce.Engines->GetEngine(0)->EngineClass);
  TQoSourceEngine& interlaced = *lce.Engines->GetEngine(0);
  EXPECT_EQ(47, interlaced.AspectIndex);
  auto bmp = interlaced.Decode();
  EXPECT_EQ(384, bmp->Height);
  EXPECT_EQ(7u, bmp->GetPixel(0, 2 * 1 + 1));

  std::vector<uint8_t> attributes(768, 0);
  attributes[0] = (2 << 3) | 4;
  auto atr = DetectBytes("a.atr", attributes).Engines->GetEngine(0)->Decode();
  EXPECT_EQ(2u, atr->GetPixel(0, 0));  // 0x55 on even lines: paper first
  EXPECT_EQ(4u, atr->GetPixel(1, 0));
  EXPECT_EQ(4u, atr->GetPixel(0, 1));

  std::vector<uint8_t> three(18432, 0);
  three[0] = 0x80;          // b0
  three[6144 + 0] |= 0x40;  // b1 at pixel 1
  for (const char* name : {"t.3", "t.rgb"}) {
    TDetected t = DetectBytes(name, three);
    ASSERT_EQ(1, t.Engines->Count());
    EXPECT_EQ(10, t.Engines->GetEngine(0)->DetectFlags);
    auto tri = t.Engines->GetEngine(0)->Decode();
    EXPECT_EQ(2u, tri->GetPixel(0, 0));
    EXPECT_EQ(4u, tri->GetPixel(1, 0));
    // Screen 0 is blue in ".3" files and red in ".rgb" files.
    EXPECT_EQ(std::string(name) == "t.3" ? 0x0000FFu : 0xFF0000u, tri->Palette->GetRGBQuad(2));
  }

  std::vector<uint8_t> bsc(11136, 0);
  bsc[6912] = 0x0A;                // row 0: cells blue... (left 2, right 1)
  bsc[6912 + 64 * 24 + 4] = 0x05;  // row 64, right of the screen: left cell 5
  auto border = DetectBytes("b.bsc", bsc).Engines->GetEngine(0)->Decode();
  EXPECT_EQ(2u, border->GetPixel(0, 0));
  EXPECT_EQ(1u, border->GetPixel(8, 0));
  EXPECT_EQ(5u, border->GetPixel(320, 64));
}

TEST(QoZxSpectrumTest, CharacterSetsCheckKindAndLength) {
  std::vector<uint8_t> chr = {'c', 'h', 'r', '$', 2, 1, 9};
  chr.resize(7 + 2 * 9, 0xFF);
  chr[7 + 8] = 0x02;  // red ink, black paper
  TDetected ok = DetectBytes("f.ch$", chr);
  ASSERT_EQ(1, ok.Engines->Count());
  auto bmp = ok.Engines->GetEngine(0)->Decode();
  EXPECT_EQ(16, bmp->Width);
  EXPECT_EQ(8, bmp->Height);
  EXPECT_EQ(2u, bmp->GetPixel(0, 0));

  // Gigascreen cells: two screens, combined as colour A * 16 + colour B, with frames.
  std::vector<uint8_t> giga = {'c', 'h', 'r', '$', 1, 1, 18};
  giga.resize(7 + 18, 0);
  std::fill(giga.begin() + 7, giga.begin() + 15, 0xFF);
  giga[7 + 8] = 0x02;           // screen 1: red ink, all pixels set
  giga[7 + 17] = (1 << 3) | 7;  // screen 2: blue paper, no pixel set
  TDetected g = DetectBytes("g.ch$", giga);
  ASSERT_EQ(1, g.Engines->Count());
  TQoSourceEngine& gigaEngine = *g.Engines->GetEngine(0);
  EXPECT_EQ(3, gigaEngine.CalcModes);
  EXPECT_EQ(0, gigaEngine.CalcMode);
  auto mixed = gigaEngine.Decode();
  EXPECT_EQ(8, mixed->BitsPerPixel);
  EXPECT_EQ(2u * 16 + 1, mixed->GetPixel(3, 3));
  ASSERT_EQ(2, mixed->FrameCount());
  EXPECT_EQ(2u, mixed->Frames->GetBitmap(0)->GetPixel(3, 3));
  EXPECT_EQ(1u, mixed->Frames->GetBitmap(1)->GetPixel(3, 3));
  EXPECT_EQ(0x960096u, mixed->Palette->GetRGBQuad(33));  // half-normal red and blue
  gigaEngine.CalcMode = 1;
  EXPECT_EQ(0x890089u, gigaEngine.Decode()->Palette->GetRGBQuad(33));  // linear average

  std::vector<uint8_t> badKind = chr;
  badKind[6] = 10;
  badKind.resize(7 + 2 * 10);
  EXPECT_EQ(0, DetectBytes("f.ch$", badKind).Engines->Count());
  std::vector<uint8_t> shortData(chr.begin(), chr.end() - 1);
  EXPECT_EQ(0, DetectBytes("f.ch$", shortData).Engines->Count());
}

TEST(QoZxSpectrumTest, RealScreensAreRecognisedAndDecode) {
  QO_REQUIRE_SAMPLES();
  const std::map<std::string, std::string> expectedEngine = {
      {"zx-scr", "TQoZxSpectrumColorEngine"},
      {"zx-scr-6144", "TQoZxSpectrumBWEngine"},
      {"zx-atr", "TQoZxSpectrumAtrEngine"},
      {"zx-bsc", "TQoZxSpectrumBscEngine"},
      {"zx-chr$", "TQoZxSpectrumChrEngine"},
      {"zx-tricolor", "TQoZxSpectrumTricolorEngine"},
      {"zx-ulaplus-scr", ""},  // a screen with a palette appended: not a plain size
      {"zx-border-multicolor", "TQoZxSpectrumBmc4Engine"},
      {"zx-border-screen-packed", "TQoZxSpectrumBspEngine"},
      {"zx-gigascreen", "TQoZxSpectrumGigaEngine"},
      {"zx-hlr", "TQoZxSpectrumHlrEngine"},
      {"zx-ifl", "TQoZxSpectrumMulticolor2Engine"},
      {"zx-mlt", "TQoZxSpectrumMulticolorMLTEngine"},
      {"zx-multiartist-mg1", "TQoZxSpectrumGigaMG1Engine"},
      {"zx-multiartist-mg2", "TQoZxSpectrumGigaMGEngine"},
      {"zx-multiartist-mg4", "TQoZxSpectrumGigaMGEngine"},
      {"zx-multiartist-mg8", "TQoZxSpectrumGigaMGEngine"},
      {"zx-multicolor-8x2", "TQoZxSpectrumMulticolorMCEngine"},
      {"zx-stellar", "TQoZxSpectrumStlEngine"},
  };
  // Pinned after checking each picture by eye.
  const std::map<std::string, std::string> pinned = {
      {"zxspectrum/example.atr", "41f4da7f9d6115c2"},
      {"zxspectrum/example.bsc", "19da67e8f6ffdfc2"},
      {"zxspectrum/example.ch$", "2d90aab00ed871c2"},
      {"zxspectrum/GlugGlug.scr", "d557e34cc105f7e2"},
      {"zxspectrum/Hib1_POND_R10.scr", "9356cb07960361a2"},
      {"zxspectrum/horse.scr", "e4e427cc85df7ebc"},
      {"zxspectrum/hwflash.scr", "aa411cc05c8490dd"},
      {"zxspectrum/keyboard.scr", "37c5a2805e73a8f1"},
      {"zxspectrum/monty.scr", "316cd954eabc349d"},
      {"zxspectrum/next.scr", "3cd187c5d2a04ddd"},
      {"zxspectrum/skull.scr", "c424e8e8c9415ca2"},
      {"zxspectrum/tochi.scr", "e006b01773fe43c2"},
      {"zxspectrum/zx81.scr", "d15de7f81e306d32"},
      {"zxspectrum/monochrome.scr", "381184030f0660d9"},
      {"zxspectrum/example.3", "b3bae8536f769ad6"},
      {"zxspectrum/example.bmc4", "9885fdcf0f43ccbe"},
      {"zxspectrum/example.bsp", "503b0cad2e6b9afe"},
      {"zxspectrum/example.img", "6db5d523a184fcef"},
      {"zxspectrum/example.hlr", "a07f1e2de030756d"},
      {"zxspectrum/example.ifl", "657de52689d15831"},
      {"zxspectrum/example.mlt", "a75cffd9d447db23"},
      {"zxspectrum/example.mg1", "b6b7343a7ae59fc8"},
      {"zxspectrum/example.mg2", "4c4f27cfe628bf1f"},
      {"zxspectrum/example.mg4", "4354eb8b23041add"},
      {"zxspectrum/example.mg8", "ca346d14685dcdcd"},
      {"zxspectrum/example.mc", "1bb7b7e462dda33c"},
      {"zxspectrum/example.stl", "67ff802c0a77c2c0"},
  };
  const int decoded = QoCheckRealPictures(ZxRegistry(), expectedEngine, pinned,
                                          [](const TQoSample&, const std::string& engineClass,
                                             const TQoDetected&) { return engineClass.empty(); });
  EXPECT_GE(decoded, 27);
}
