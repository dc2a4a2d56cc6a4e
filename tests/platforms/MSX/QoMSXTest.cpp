#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "color/QoPaletteTypes.h"
#include "platforms/MSX/QoOpenPlatformMSX.h"
#include "support/QoEngineChecks.h"
#include "support/QoSamples.h"
#include "support/QoTestFiles.h"
#include "support/QoTestHash.h"

namespace {

using TBytes = std::vector<uint8_t>;

TQoEngineRegistry MSXRegistry() {
  TQoEngineRegistry registry;
  RegisterMSXEngines(registry);
  return registry;
}

// A BSAVE file of vramSize bytes of VRAM from address 0.
TBytes Bsave(std::size_t vramSize, uint8_t marker = 0xFE) {
  TBytes bytes(7 + vramSize);
  bytes[0] = marker;
  const auto end = static_cast<uint16_t>(vramSize - 1);
  bytes[3] = static_cast<uint8_t>(end);
  bytes[4] = static_cast<uint8_t>(end >> 8);
  return bytes;
}

uint8_t& Vram(TBytes& file, std::size_t address) {
  return file.at(7 + address);
}

// Palette record i of a run at offset: levels r, g, b.
void PutRecord(TBytes& bytes, std::size_t offset, int i, int r, int g, int b) {
  bytes.at(offset + 2 * static_cast<std::size_t>(i)) = static_cast<uint8_t>(r << 4 | b);
  bytes.at(offset + 2 * static_cast<std::size_t>(i) + 1) = static_cast<uint8_t>(g);
}

// Detection over the MSX module of files written to a folder, so that companions and
// partner pages are found by name.
struct TFolderDetect {
  TQoTempFolder Folder;
  std::unique_ptr<TQoFileLoadSource> Source;
  std::unique_ptr<TQoSourceEngineList> Engines;

  std::unique_ptr<TQoSourceEngineList>& Run(const std::string& name) {
    Source = std::make_unique<TQoFileLoadSource>(Folder.PathOf(name));
    Engines = DetectEngines(*Source, MSXRegistry());
    return Engines;
  }
  TQoSourceEngine* First() const { return Engines->Count() ? Engines->GetEngine(0) : nullptr; }
};

std::unique_ptr<TQoDetected> Detect(const std::string& name, TBytes bytes) {
  return QoDetectIn(MSXRegistry(), name, std::move(bytes));
}

}  // namespace

TEST(QoMSXTest, RegistersTheFamilyInOrder) {
  EXPECT_EQ((std::vector<std::string>{
                "TQoSC2Engine", "TQoSC3Engine", "TQoSC4Engine", "TQoSC5Engine", "TQoSR5Engine",
                "TQoGL5Engine", "TQoSC6Engine", "TQoGL6Engine", "TQoSTPEngine", "TQoSC7Engine",
                "TQoSR7Engine", "TQoGL7Engine", "TQoSC8Engine", "TQoSR8Engine", "TQoGL8Engine"}),
            QoClassNames(MSXRegistry()));
}

TEST(QoMSXTest, LevelsHeadersAndPaletteRuns) {
  EXPECT_EQ(36, QoMSXLevel(1, ptMSX9938));
  EXPECT_EQ(219, QoMSXLevel(6, ptMSX9938));
  EXPECT_EQ(33, QoMSXLevel(1, ptMSX9958));  // 4 of 31
  EXPECT_EQ(74, QoMSXLevel(2, ptMSX9958));  // 9 of 31
  EXPECT_EQ(255, QoMSXLevel(7, ptMSX9958));

  TBytes file = Bsave(0x6A00);
  TQoBloadHeader header;
  ASSERT_TRUE(header.Read(TQoByteView(file.data(), file.size())));
  EXPECT_TRUE(header.Matches(file.size(), 0xFE, 0, 0));
  EXPECT_TRUE(header.Matches(file.size() - 1, 0xFE, 0, 0));  // one byte short is allowed
  EXPECT_FALSE(header.Matches(file.size() - 2, 0xFE, 0, 0));
  EXPECT_FALSE(header.Matches(file.size(), 0xFD, 0, 0));

  TBytes run(32);
  EXPECT_FALSE(QoIsValidMSXPaletteRun(TQoByteView(run.data(), run.size()), 16));  // all black
  PutRecord(run, 0, 15, 7, 7, 7);
  EXPECT_TRUE(QoIsValidMSXPaletteRun(TQoByteView(run.data(), run.size()), 16));
  EXPECT_FALSE(QoIsValidMSXPaletteRun(TQoByteView(run.data(), run.size()), 15));
  run[3] = 8;  // green above 7
  EXPECT_FALSE(QoIsValidMSXPaletteRun(TQoByteView(run.data(), run.size()), 16));
}

TEST(QoMSXTest, VramDumpRatingsBySizeAndExtension) {
  EXPECT_EQ(kQoDetectSignature | kQoDetectSize | kQoDetectExtension,
            Detect("p.sc5", Bsave(27136))->First()->DetectFlags);
  EXPECT_EQ(kQoDetectSignature | kQoDetectSize,
            Detect("p.bin", Bsave(27136))->First()->DetectFlags);
  // Own extension, another size: 3; too little VRAM or another marker: nothing.
  EXPECT_EQ(kQoDetectSignature | kQoDetectExtension,
            Detect("p.sc5", Bsave(0x6A00 + 5))->First()->DetectFlags);
  EXPECT_EQ(0, Detect("p.sc5", Bsave(0x6A00 - 1))->Engines->Count());
  TBytes foreign = Bsave(27136);
  foreign[0] = 0xFF;
  EXPECT_EQ(0, Detect("p.sc5", foreign)->Engines->Count());
}

TEST(QoMSXTest, Screen2PatternsColoursAndChipGeneration) {
  TBytes file = Bsave(0x3800);
  Vram(file, 0x1800 + 32 * 9 + 2) = 5;            // row 9 (second third), column 2: pattern 5
  Vram(file, (256 + 5) * 8 + 3) = 0xF0;           // its line 3: left half set
  Vram(file, 0x2000 + (256 + 5) * 8 + 3) = 0xA4;  // ink 10, paper 4
  auto d = Detect("pic.sc2", file);
  TQoSourceEngine& engine = *d->First();
  EXPECT_EQ("MSX", engine.PlatformName);
  EXPECT_TRUE(engine.PaletteTypes.empty());
  EXPECT_EQ("MSX 256x192x4 screen 2 image", engine.GetDisplayName());
  auto bmp = engine.Decode();
  EXPECT_EQ(10u, bmp->GetPixel(16, 75));
  EXPECT_EQ(4u, bmp->GetPixel(20, 75));
  EXPECT_EQ(0x3EB849u, bmp->Palette->GetRGBQuad(2));  // the TMS9918's colours

  // 16 KiB with a palette at 0x1B80: the V9938's own colours.
  TBytes msx2 = Bsave(0x4000);
  PutRecord(msx2, 7 + 0x1B80, 4, 7, 0, 0);
  auto m = Detect("pic.sc2", msx2);
  EXPECT_EQ("MSX2", m->First()->PlatformName);
  EXPECT_EQ((std::vector<uint8_t>{ptMSX9938, ptMSX9958}), m->First()->PaletteTypes);
  EXPECT_EQ(0xFF0000u, m->First()->Decode()->Palette->GetRGBQuad(4));
}

TEST(QoMSXTest, BitmapScreensPackTheirPixels) {
  TBytes sc5 = Bsave(27136);
  Vram(sc5, 128 * 3 + 1) = 0x9C;  // line 3: pixels 2 and 3
  auto d5 = Detect("p.sc5", sc5);
  auto bmp = d5->First()->Decode();
  EXPECT_EQ(9u, bmp->GetPixel(2, 3));
  EXPECT_EQ(12u, bmp->GetPixel(3, 3));
  // No palette in this short dump: the V9938's power-on colours.
  EXPECT_EQ(0xFF2424u, bmp->Palette->GetRGBQuad(8));

  TBytes sc6 = Bsave(27136);
  Vram(sc6, 128 * 2) = 0x1B;  // 00 01 10 11
  bmp = Detect("p.sc6", sc6)->First()->Decode();
  EXPECT_EQ(4, bmp->Palette->GetCount());
  EXPECT_EQ(1u, bmp->GetPixel(1, 2));
  EXPECT_EQ(3u, bmp->GetPixel(3, 2));

  TBytes sc8 = Bsave(0xD400);
  Vram(sc8, 256 * 211 + 255) = 0xE3;  // green 7, red 0, blue 3 (level 7)
  auto d8 = Detect("p.sc8", sc8);
  bmp = d8->First()->Decode();
  EXPECT_EQ(8, bmp->BitsPerPixel);
  EXPECT_EQ(0x00FFFFu, bmp->GetStdRGBPixel(255, 211).R << 16 |
                           bmp->GetStdRGBPixel(255, 211).G << 8 | bmp->GetStdRGBPixel(255, 211).B);
}

TEST(QoMSXTest, SpriteTablesEndAtTheirMarks) {
  // SCREEN 2 (mode 1): sprite 0 ends the table with Y = 208, so sprite 1 is never shown.
  TBytes sc2 = Bsave(0x4000);
  auto sprite = [](TBytes& f, std::size_t attributes, int s, int y, int x, int pattern, int color) {
    const std::size_t e = attributes + 4 * static_cast<std::size_t>(s);
    Vram(f, e) = static_cast<uint8_t>(y);
    Vram(f, e + 1) = static_cast<uint8_t>(x);
    Vram(f, e + 2) = static_cast<uint8_t>(pattern);
    Vram(f, e + 3) = static_cast<uint8_t>(color);
  };
  for (int r = 0; r < 16; ++r) Vram(sc2, 0x3800 + 4 * 8 + static_cast<std::size_t>(r)) = 0x80;
  sprite(sc2, 0x1B00, 0, 9, 20, 4, 6);  // covers lines 10..25, column 20
  EXPECT_EQ(6u, Detect("p.sc2", sc2)->First()->Decode()->GetPixel(20, 12));
  sprite(sc2, 0x1B00, 1, 9, 20, 4, 6);
  sprite(sc2, 0x1B00, 0, 208, 0, 0, 0);
  EXPECT_EQ(0u, Detect("p.sc2", sc2)->First()->Decode()->GetPixel(20, 12));

  // SCREEN 5 (mode 2): 208 is an ordinary position, 216 ends the table; the colour
  // comes from the sprite colour table below the attributes.
  TBytes sc5 = Bsave(0x8000);
  for (int r = 0; r < 16; ++r) {
    Vram(sc5, 0x7800 + 4 * 8 + static_cast<std::size_t>(r)) = 0x80;
    Vram(sc5, 0x7600 - 512 + 16 + static_cast<std::size_t>(r)) = 11;  // sprite 1's colours
  }
  sprite(sc5, 0x7600, 0, 208, 100, 0, 0);
  sprite(sc5, 0x7600, 1, 9, 20, 4, 0);
  EXPECT_EQ(11u, Detect("p.sc5", sc5)->First()->Decode()->GetPixel(20, 12));
  sprite(sc5, 0x7600, 0, 216, 100, 0, 0);
  EXPECT_EQ(0u, Detect("p.sc5", sc5)->First()->Decode()->GetPixel(20, 12));
  // Sprites belong to the ".sc5" name only.
  EXPECT_EQ(0u, Detect("p.ge5", sc5)->First()->Decode()->GetPixel(20, 12));
}

TEST(QoMSXTest, InterlacedPagesAndTheirPalFile) {
  TFolderDetect f;
  TBytes even = Bsave(27136), odd = Bsave(27136);
  Vram(even, 128 * 5) = 0x10;
  Vram(odd, 128 * 5) = 0x20;
  f.Folder.Write("PIC0.s05", even);
  f.Folder.Write("PIC1.s05", odd);
  TBytes pal(89);
  pal[0] = 0xFE;
  pal[1] = 0x00, pal[2] = 0xC0;
  pal[3] = 0x51, pal[4] = 0xC0;  // end 0xC051: 82 bytes + 7
  pal[5] = 0x00, pal[6] = 0xC0;
  const uint8_t routine[34] = {0x06, 0x10, 0x16, 0x00, 0x21, 0x22, 0xC0, 0x7E, 0xCB,
                               0x27, 0xCB, 0x27, 0xCB, 0x27, 0xCB, 0x27, 0x4F, 0x23,
                               0x5E, 0x23, 0x7E, 0x81, 0xDD, 0x21, 0x4D, 0x01, 0xCD,
                               0x5F, 0x01, 0x14, 0x23, 0x10, 0xE6, 0xC9};
  std::copy(std::begin(routine), std::end(routine), pal.begin() + 7);
  pal[41 + 3 * 2 + 2] = 7;  // colour 2: blue
  f.Folder.Write("PIC.pal", pal);

  ASSERT_NE(nullptr, f.Run("PIC0.s05")->GetEngine(0));
  TQoSourceEngine& engine = *f.First();
  EXPECT_EQ(424, engine.Height);
  EXPECT_EQ(" screen 5 interlaced image", engine.Description);
  EXPECT_EQ(51, engine.AspectIndex);
  auto bmp = engine.Decode();
  EXPECT_EQ(1u, bmp->GetPixel(0, 10));
  EXPECT_EQ(2u, bmp->GetPixel(0, 11));
  EXPECT_EQ(0x0000FFu, bmp->Palette->GetRGBQuad(2));

  pal[41] = 8;  // a level above 7 spoils the whole file
  f.Folder.Write("PIC.pal", pal);
  bmp = f.Run("PIC0.s05")->GetEngine(0)->Decode();
  EXPECT_NE(0x0000FFu, bmp->Palette->GetRGBQuad(2));

  // A partner of the wrong size leaves the picture single.
  f.Folder.Write("PIC1.s05", Bsave(27000));
  EXPECT_EQ(212, f.Run("PIC0.s05")->GetEngine(0)->Height);
}

TEST(QoMSXTest, CompanionPalettesBecomeVariants) {
  TFolderDetect f;
  TBytes gl5 = {2, 0, 1, 0, 0x12};  // 2 x 1 pixels: 1 and 2
  f.Folder.Write("pic.gl5", gl5);
  TBytes palettes(256);
  for (int k = 0; k < 8; ++k) PutRecord(palettes, 32 * static_cast<std::size_t>(k), 1, 7, 7, 7);
  f.Folder.Write("pic.pl5", palettes);
  EXPECT_EQ(0, f.Run("pic.gl5")->GetEngine(0)->GetPaletteVariantCount());

  PutRecord(palettes, 32 * 3, 1, 7, 0, 0);
  PutRecord(palettes, 32 * 6, 1, 0, 0, 7);
  PutRecord(palettes, 32 * 7, 1, 0, 0, 7);  // the same as palette 7 (number 7)
  f.Folder.Write("pic.pl5", palettes);
  TQoSourceEngine& engine = *f.Run("pic.gl5")->GetEngine(0);
  ASSERT_EQ(3, engine.GetPaletteVariantCount());
  EXPECT_EQ("Variant 1", engine.GetPaletteVariant(0));
  EXPECT_EQ("Variant 4", engine.GetPaletteVariant(1));
  EXPECT_EQ("Variant 7", engine.GetPaletteVariant(2));
  EXPECT_EQ(0xFFFFFFu, engine.Decode()->Palette->GetRGBQuad(1));
  engine.PaletteVariant = "Variant 4";
  auto bmp = engine.Decode();
  EXPECT_EQ(0xFF0000u, bmp->Palette->GetRGBQuad(1));
  EXPECT_EQ(1u, bmp->GetPixel(0, 0));
  EXPECT_EQ(2u, bmp->GetPixel(1, 0));
  engine.PaletteVariant = "Variant 2";
  EXPECT_THROW(engine.Decode(), EQoError);
}

TEST(QoMSXTest, StreamsPackedAndUnpadded) {
  // SR5: 0x11 literal... a run of 3 x 0x23 and a long run of 256 x 0x45.
  TBytes sr5 = {0xFD, 0, 0, 0, 0, 0, 0, 0x11, 3, 0x23, 0, 0, 0x45};
  sr5[3] = static_cast<uint8_t>(sr5.size() - 8);
  auto d = Detect("p.sr5", sr5);
  ASSERT_EQ("TQoSR5Engine", d->First()->EngineClass);
  auto bmp = d->First()->Decode();
  EXPECT_EQ(1u, bmp->GetPixel(0, 0));
  EXPECT_EQ(1u, bmp->GetPixel(1, 0));
  EXPECT_EQ(2u, bmp->GetPixel(2, 0));
  EXPECT_EQ(3u, bmp->GetPixel(7, 0));
  EXPECT_EQ(4u, bmp->GetPixel(8, 0));
  EXPECT_EQ(5u, bmp->GetPixel(255, 1));  // the long run reaches into line 2
  EXPECT_EQ(0u, bmp->GetPixel(0, 211));  // the stream ended: the rest stays colour 0

  // GL6: 3 x 3 pixels of 2 bits run on across lines.
  TBytes gl6 = {3, 0, 3, 0, 0x1B, 0xE4, 0x40};
  auto g = Detect("p.gl6", gl6);
  ASSERT_EQ("TQoGL6Engine", g->First()->EngineClass);
  bmp = g->First()->Decode();
  EXPECT_EQ(3u, bmp->GetPixel(0, 1));  // pixel 3
  EXPECT_EQ(3u, bmp->GetPixel(1, 1));  // pixel 4: the next byte's first
  EXPECT_EQ(1u, bmp->GetPixel(2, 2));  // pixel 8

  // STP: the same stream, only the low bit of each pixel, 0 white.
  auto s = Detect("p.stp", gl6);
  ASSERT_EQ("TQoSTPEngine", s->First()->EngineClass);
  bmp = s->First()->Decode();
  EXPECT_EQ(1u, bmp->GetPixel(1, 0));
  EXPECT_EQ(0u, bmp->GetPixel(2, 0));
  EXPECT_EQ(0xFFFFFFu, bmp->Palette->GetRGBQuad(0));
}

TEST(QoMSXTest, RealScreensAreRecognisedAndDecode) {
  QO_REQUIRE_SAMPLES();
  const std::map<std::string, std::string> expectedEngine = {
      {"msx-bload-sc2", "TQoSC2Engine"}, {"msx-bload-sc5", "TQoSC5Engine"},
      {"msx-bload-sc6", "TQoSC6Engine"}, {"msx-bload-sc7", "TQoSC7Engine"},
      {"msx-bload-sc8", "TQoSC8Engine"},
  };
  // Pinned after checking each picture by eye.
  const std::map<std::string, std::string> pinned = {
      {"msx/IMAGE01.SC2", "b389d80c67eb0752"}, {"msx/IMAGE04.SC2", "37bde7f91d6e32e5"},
      {"msx/ascii.SC5", "2af97cceea5d85d3"},   {"msx/hero.sc5", "d1ae5d87909f088f"},
      {"msx/rtype.SC5", "b7ca07364ff33772"},   {"msx/zanac.SC5", "0a3f703315474a87"},
      {"msx/IMAGE03.SC6", "b883d68a95697498"}, {"msx/IMAGE04.SC7", "b1bfb58107bb8793"},
      {"msx/IMAGE06.SC8", "3766e57eaa22771e"},
  };
  const TQoSampleException shortDump = [](const TQoSample& sample, const std::string&,
                                          const TQoDetected& d) {
    if (sample.Size != 24628) return false;
    // Only 0x6000 bytes of VRAM: 192 of SCREEN 5's 212 lines, below what a dump must hold.
    EXPECT_EQ(0, d.Engines->Count());
    return true;
  };
  const int decoded = QoCheckRealPictures(MSXRegistry(), expectedEngine, pinned, shortDump);
  EXPECT_GE(decoded, 8);
}
