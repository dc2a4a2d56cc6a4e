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
                "TQoGL5Engine", "TQoCMPEngine", "TQoSC6Engine", "TQoGL6Engine", "TQoSTPEngine",
                "TQoPCTEngine", "TQoSC7Engine", "TQoSR7Engine", "TQoGL7Engine", "TQoSC8Engine",
                "TQoSR8Engine", "TQoGL8Engine", "TQoSCAEngine", "TQoGLAEngine", "TQoSCCEngine",
                "TQoGLCEngine", "TQoG9BEngine"}),
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

// BSAVE ,S of fewer lines than the screen has: the header's range, a whole number of
// lines, makes the picture; bytes after the range are not VRAM.
TEST(QoMSXTest, DumpsOfFewerLinesEndWithTheirRange) {
  TBytes sc5 = Bsave(0x6000);
  Vram(sc5, 128 * 191 + 127) = 0x5A;
  sc5.insert(sc5.end(), 45, 0xFF);  // a converter's palette of its own
  auto d = Detect("p.sc5", sc5);
  ASSERT_EQ("TQoSC5Engine", d->First()->EngineClass);
  EXPECT_EQ(kQoDetectSignature | kQoDetectExtension, d->First()->DetectFlags);
  EXPECT_EQ("MSX2 256x192x4 screen 5 image", d->First()->GetDisplayName());
  auto bmp = d->First()->Decode();
  EXPECT_EQ(5u, bmp->GetPixel(254, 191));
  EXPECT_EQ(10u, bmp->GetPixel(255, 191));
  EXPECT_EQ(0, Detect("p.bin", sc5)->Engines->Count());

  TBytes sc8 = Bsave(256 * 100);
  Vram(sc8, 256 * 99) = 0xE3;
  auto d8 = Detect("p.sc8", sc8);
  EXPECT_EQ(100, d8->First()->Height);
  EXPECT_EQ(0xE3u, d8->First()->Decode()->GetPixel(0, 99));

  // A range that ends inside a line, or past the end of the file, is no such dump.
  EXPECT_EQ(0, Detect("p.sc5", Bsave(0x6000 - 64))->Engines->Count());
  TBytes cut = Bsave(0x6000);
  cut.pop_back();
  EXPECT_EQ(0, Detect("p.sc5", cut)->Engines->Count());
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
      {"msx-bload-sc8", "TQoSC8Engine"}, {"msx-bload-s12", "TQoSCCEngine"},
      {"msx-bload-sca", "TQoSCAEngine"}, {"msx-bload-scc", "TQoSCCEngine"},
  };
  // Pinned after checking each picture by eye.
  const std::map<std::string, std::string> pinned = {
      {"msx/IMAGE01.SC2", "b389d80c67eb0752"},    {"msx/IMAGE04.SC2", "37bde7f91d6e32e5"},
      {"msx/ascii.SC5", "2af97cceea5d85d3"},      {"msx/hero.sc5", "d1ae5d87909f088f"},
      {"msx/rtype.SC5", "b7ca07364ff33772"},      {"msx/zanac.SC5", "0a3f703315474a87"},
      {"msx/IMAGE03.SC6", "b883d68a95697498"},    {"msx/IMAGE04.SC7", "b1bfb58107bb8793"},
      {"msx/IMAGE06.SC8", "3766e57eaa22771e"},    {"msx/IMAGE05.S12", "ee997619638a277c"},
      {"msx/FONT.SCA", "1b8d73e8a79d7d46"},       {"msx/FONT.SCC", "4079f11fad154050"},
      {"msx/data_pal24.sc5", "59e9a2ca5c79f254"},
  };
  // (data_pal24: a range of 192 lines, 45 bytes of the converter's own after it.)
  const int decoded = QoCheckRealPictures(MSXRegistry(), expectedEngine, pinned);
  EXPECT_GE(decoded, 12);
}

namespace {

uint32_t Rgb5(unsigned r, unsigned g, unsigned b) {
  return static_cast<uint32_t>(QoMSXLevel5(r)) << 16 | static_cast<uint32_t>(QoMSXLevel5(g)) << 8 |
         QoMSXLevel5(b);
}

// A YJK group of four Y values with J and K spread over the low three bits.
void PutGroup(uint8_t* at, const int (&y)[4], int j, int k) {
  const unsigned uj = static_cast<unsigned>(j) & 63u, uk = static_cast<unsigned>(k) & 63u;
  const unsigned low[4] = {uk & 7u, uk >> 3, uj & 7u, uj >> 3};
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(y[i] << 3 | static_cast<int>(low[i]));
}

// Writes the V9990 compression: control bits packed most significant first into bytes
// that sit in the stream where the unpacker needs its next bit.
struct TV9990Writer {
  TBytes Out;
  std::size_t BitByte = 0;
  int Left = 0;
  void Bit(unsigned b) {
    if (Left == 0) {
      BitByte = Out.size();
      Out.push_back(0);
      Left = 8;
    }
    --Left;
    Out[BitByte] = static_cast<uint8_t>(Out[BitByte] | (b << Left));
  }
  void Literal(uint8_t v) {
    Bit(0);
    Out.push_back(v);
  }
  // Copies count (at least 2) bytes from distance back; short distances only.
  void Match(unsigned count, unsigned distance) {
    Bit(1);
    const unsigned n = count - 1;
    int top = 15;
    while (!(n >> top & 1u)) --top;
    for (int b = top - 1; b >= 0; --b) {
      Bit(1);
      Bit(n >> b & 1u);
    }
    Bit(0);
    Out.push_back(static_cast<uint8_t>(distance - 1));
  }
  void End() {
    Bit(1);
    for (int i = 0; i < 16; ++i) {
      Bit(1);
      Bit(0);
    }
  }
};

}  // namespace

TEST(QoMSXTest, YJKColoursAndRowsOfGroups) {
  // Clamped sums, and the blue formula truncating towards zero.
  EXPECT_EQ(Rgb5(31, 31, 16), QoYJKToRGB(31, 31, 31));
  EXPECT_EQ(Rgb5(0, 0, 16), QoYJKToRGB(0, -32, 0));
  EXPECT_EQ(Rgb5(0, 3, 2), QoYJKToRGB(1, -2, 2));        // (5 + 4 - 2 + 2) / 4 = 2 is blue
  EXPECT_EQ(Rgb5(1, 3, 0), QoYJKToRGB(0, 1, 3));         // blue (-2 - 3 + 2) / 4 = 0, not -1
  EXPECT_EQ(Rgb5(0, 2, 3), QoYJKToRGB(1, -2, 2, true));  // YUV: Y + K is blue
  EXPECT_EQ(8, QoMSXLevel5(1));
  EXPECT_EQ(132, QoMSXLevel5(16));

  // Six pixels: one whole group and a cut one whose missing bytes read as 0.
  uint8_t row[6] = {};
  PutGroup(row, {10, 12, 14, 16}, 5, -3);
  row[4] = static_cast<uint8_t>(20 << 3 | 6);  // K low bits 6, K high 0; J 0
  row[5] = static_cast<uint8_t>(3 << 3 | 0);
  uint32_t rgb[6] = {};
  QoDecodeYJKRow(TQoByteView(row, 6), 6, rgb, false, nullptr);
  EXPECT_EQ(QoYJKToRGB(10, 5, -3), rgb[0]);
  EXPECT_EQ(QoYJKToRGB(16, 5, -3), rgb[3]);
  EXPECT_EQ(QoYJKToRGB(20, 0, 6), rgb[4]);
  EXPECT_EQ(QoYJKToRGB(3, 0, 6), rgb[5]);

  // With a palette (SCREEN 10/11), a byte with bit 3 is the colour of its high nibble;
  // the group's other pixels stay YJK with the shared J and K.
  TQoPalette256 palette;
  for (int i = 0; i < 16; ++i) palette.Add(static_cast<uint32_t>(0x111111 * i));
  uint8_t yae[4];
  PutGroup(yae, {10, 12, 14, 16}, 5, -3);
  yae[1] = static_cast<uint8_t>(0xA8 | (yae[1] & 7));
  QoDecodeYJKRow(TQoByteView(yae, 4), 4, rgb, false, &palette);
  EXPECT_EQ(0xAAAAAAu, rgb[1]);
  EXPECT_EQ(QoYJKToRGB(10, 5, -3), rgb[0]);
  EXPECT_EQ(QoYJKToRGB(14, 5, -3), rgb[2]);
}

TEST(QoMSXTest, YJKScreensAndTheirCopyFiles) {
  // A 49159-byte SCREEN 12 dump holds 192 lines; any name takes it by its size.
  TBytes sc12 = Bsave(0xC000);
  PutGroup(&Vram(sc12, 191 * 256 + 8), {31, 0, 0, 0}, 0, 0);
  auto d = Detect("p.bin", sc12);
  ASSERT_EQ("TQoSCCEngine", d->First()->EngineClass);
  TQoSourceEngine& scc = *d->First();
  EXPECT_EQ("MSX2+ 256x192x15 screen 12 image", scc.GetDisplayName());
  EXPECT_TRUE(scc.PaletteTypes.empty());
  EXPECT_EQ(".scc", scc.DefaultExtension);
  auto bmp = scc.Decode();
  EXPECT_EQ(24, bmp->BitsPerPixel);
  EXPECT_EQ(0xFFFFFFu, bmp->GetPixel(8, 191));
  EXPECT_EQ(0u, bmp->GetPixel(9, 191));

  // SCREEN 10 with its palette at 0xFA80 in the V9958's levels, sprites in palette colours.
  TBytes sca = Bsave(0xFAA0);
  PutRecord(sca, 7 + 0xFA80, 9, 2, 0, 0);
  PutRecord(sca, 7 + 0xFA80, 6, 0, 7, 0);
  Vram(sca, 256 * 3 + 1) = 0x98;  // line 3, pixel 1: colour 9
  for (int r = 0; r < 16; ++r) {
    Vram(sca, 0xF000 + static_cast<std::size_t>(r)) = 0x80;
    Vram(sca, 0xFA00 - 512 + static_cast<std::size_t>(r)) = 6;
  }
  Vram(sca, 0xFA00) = 99, Vram(sca, 0xFA01) = 40;  // lines 100.., column 40
  Vram(sca, 0xFA04) = 216;
  auto a = Detect("pic.sca", sca);
  ASSERT_EQ("TQoSCAEngine", a->First()->EngineClass);
  EXPECT_EQ(" screen 10/11 image", a->First()->Description);
  bmp = a->First()->Decode();
  EXPECT_EQ(0x4A0000u, bmp->GetPixel(1, 3));  // level 2 through the 5-bit steps: 9 of 31
  EXPECT_EQ(QoYJKToRGB(0, 0, 0), bmp->GetPixel(0, 3));
  EXPECT_EQ(0x00FF00u, bmp->GetPixel(40, 105));

  // COPY files: a width that is no multiple of 4 runs the rows on without padding; the
  // ".glb" name takes its palettes from ".plb".
  TQoTempFolder folder;
  TBytes glb = {5, 0, 2, 0};
  glb.resize(4 + 10, 0);
  glb[4 + 5 + 1] = 0x38;  // row 1, pixel 1: palette colour 3
  folder.Write("p.glb", glb);
  TBytes plb(32);
  PutRecord(plb, 0, 3, 0, 0, 7);
  folder.Write("p.plb", plb);
  TQoFileLoadSource source(folder.PathOf("p.glb"));
  auto engines = DetectEngines(source, MSXRegistry());
  TQoSourceEngine& gla = *engines->GetEngine(0);
  ASSERT_EQ("TQoGLAEngine", gla.EngineClass);
  EXPECT_EQ(".glb", gla.DefaultExtension);
  EXPECT_EQ(12, gla.ColorDepth);
  bmp = gla.Decode();
  EXPECT_EQ(0x0000FFu, bmp->GetPixel(1, 1));
  EXPECT_EQ(QoYJKToRGB(0, 0, 0), bmp->GetPixel(0, 1));
  EXPECT_EQ("TQoGLCEngine", Detect("p.glc", glb)->First()->EngineClass);
}

TEST(QoMSXTest, PackedScreen5MasksAndLineDifferences) {
  // 2 bytes a line, 3 lines, 1 stored: 6 bytes in one group.
  //   mask 0x80: sub-mask 0 follows; sub-mask 0b10100100: bytes 0, 2 and 5 are literals.
  TBytes cmp = {2, 3, 1, 0x80, 0xA4, 0x12, 0x0F, 0xF0};
  auto d = Detect("p.cmp", cmp);
  ASSERT_EQ("TQoCMPEngine", d->First()->EngineClass);
  EXPECT_EQ(kQoDetectSignature | kQoDetectSize | kQoDetectExtension, d->First()->DetectFlags);
  TQoSourceEngine& engine = *d->First();
  EXPECT_EQ("MSX2 4x3x4 screen 5 image", engine.GetDisplayName());
  auto bmp = engine.Decode();
  EXPECT_EQ(1u, bmp->GetPixel(0, 0));
  EXPECT_EQ(2u, bmp->GetPixel(1, 0));
  EXPECT_EQ(0u, bmp->GetPixel(2, 0));
  EXPECT_EQ(1u, bmp->GetPixel(0, 1));  // 0x0F ^ 0x12 = 0x1D
  EXPECT_EQ(0xDu, bmp->GetPixel(1, 1));
  EXPECT_EQ(0xDu, bmp->GetPixel(1, 2));  // 0x00 ^ 0x1D: against the line above as XOR-ed
  EXPECT_EQ(0xFu, bmp->GetPixel(2, 2));  // 0xF0 ^ 0x00
  EXPECT_EQ(0u, bmp->GetPixel(3, 2));
  EXPECT_EQ(0xDBDB92u, bmp->Palette->GetRGBQuad(11));  // the power-on colours

  // One byte more than the groups use, or one byte short, and the file is not this.
  TBytes trailing = cmp;
  trailing.push_back(0);
  EXPECT_EQ(nullptr, Detect("p.cmp", trailing)->Find("TQoCMPEngine"));
  cmp.pop_back();
  EXPECT_EQ(nullptr, Detect("p.cmp", cmp)->Find("TQoCMPEngine"));
  EXPECT_EQ(nullptr, Detect("p.cmp", {2, 3, 4, 0})->Find("TQoCMPEngine"));  // 4 stored of 3
}

TEST(QoMSXTest, PublisherPagesRunLowNibbleFirst) {
  TBytes pct(384);
  const std::string signature = "E U R O PUBLISHER SCREEN";
  std::copy(signature.begin(), signature.end(), pct.begin());
  // Two literals, then 64 repeats of 0xFF reaching into line 1.
  for (uint8_t b : {0x01, 0x21, 0x80, 0xBF, 0xFF}) pct.push_back(b);
  auto d = Detect("p.pct", pct);
  ASSERT_EQ("TQoPCTEngine", d->First()->EngineClass);
  EXPECT_EQ(kQoDetectSignature | kQoDetectExtension, d->First()->DetectFlags);
  auto bmp = d->First()->Decode();
  EXPECT_EQ(512, bmp->Width);
  EXPECT_EQ(704, bmp->Height);
  EXPECT_EQ(1u, bmp->GetPixel(3, 0));  // 0x21: bit 0 is the fourth pixel
  EXPECT_EQ(1u, bmp->GetPixel(6, 0));  // bit 5 the seventh
  EXPECT_EQ(0u, bmp->GetPixel(4, 0));
  EXPECT_EQ(1u, bmp->GetPixel(12, 0));  // 0x80
  EXPECT_EQ(1u, bmp->GetPixel(15, 1));  // the run: 512 pixels from pixel 16
  EXPECT_EQ(0u, bmp->GetPixel(16, 1));
  EXPECT_EQ(0u, bmp->GetPixel(0, 2));  // the data ended
  EXPECT_EQ(0xFFFFFFu, bmp->Palette->GetRGBQuad(0));
  pct[0] = 'X';
  EXPECT_EQ(nullptr, Detect("p.pct", pct)->Find("TQoPCTEngine"));
}

TEST(QoMSXTest, V9990PicturesByModeAndTheirCompression) {
  const auto g9b = [](uint8_t bits, uint8_t type, uint8_t entries, uint16_t w, uint16_t h,
                      uint8_t compressed) {
    TBytes f = {'G',
                '9',
                'B',
                11,
                0,
                bits,
                type,
                entries,
                static_cast<uint8_t>(w),
                static_cast<uint8_t>(w >> 8),
                static_cast<uint8_t>(h),
                static_cast<uint8_t>(h >> 8),
                compressed,
                0,
                0,
                0};
    f.resize(16 + 3 * static_cast<std::size_t>(entries), 0);
    return f;
  };
  // BP4: two entries, 3 x 2 pixels, rows of 2 bytes.
  TBytes bp4 = g9b(4, 0, 2, 3, 2, 0);
  bp4[16 + 3] = 31;  // entry 1: red
  for (uint8_t b : {0x10, 0x10, 0x01, 0x00}) bp4.push_back(b);
  auto d = Detect("p.g9b", bp4);
  ASSERT_EQ("TQoG9BEngine", d->First()->EngineClass);
  EXPECT_EQ(kQoDetectSignature | kQoDetectExtension, d->First()->DetectFlags);
  EXPECT_EQ("MSX V9990 VDP 3x2x4 BP4 image", d->First()->GetDisplayName());
  auto bmp = d->First()->Decode();
  EXPECT_EQ(1u, bmp->GetPixel(0, 0));
  EXPECT_EQ(1u, bmp->GetPixel(2, 0));
  EXPECT_EQ(1u, bmp->GetPixel(1, 1));
  EXPECT_EQ(0xFF0000u, bmp->Palette->GetRGBQuad(1));

  // BD16: green in the top bits, then red, then blue; a short pixel area stops there.
  TBytes bd16 = g9b(16, 0, 0, 2, 2, 0);
  for (uint8_t b : {0x1F, 0x7C, 0xE0, 0x03, 0x00}) bd16.push_back(b);
  bmp = Detect("p.g9b", bd16)->First()->Decode();
  EXPECT_EQ(0x00FFFFu, bmp->GetPixel(0, 0));
  EXPECT_EQ(0xFF0000u, bmp->GetPixel(1, 0));
  // BD8: GGGRRRBB through the 5-bit steps.
  TBytes bd8 = g9b(8, 64, 0, 1, 1, 0);
  bd8.push_back(0xB6);  // green 5, red 5, blue 2
  bmp = Detect("p.g9b", bd8)->First()->Decode();
  EXPECT_EQ(Rgb5(22, 22, 21), bmp->GetStdRGBPixel(0, 0).R << 16 | bmp->GetStdRGBPixel(0, 0).G << 8 |
                                  bmp->GetStdRGBPixel(0, 0).B);

  // BYUV: YJK groups with blue and green swapped; rows of 5 pixels cut the second group.
  TBytes yuv = g9b(8, 192, 0, 5, 1, 0);
  yuv.resize(yuv.size() + 5, 0);
  PutGroup(&yuv[16], {20, 4, 8, 12}, -6, 9);
  yuv[20] = 1 << 3;
  bmp = Detect("p.g9b", yuv)->First()->Decode();
  EXPECT_EQ(QoYJKToRGB(20, -6, 9, true), bmp->GetPixel(0, 0));
  EXPECT_EQ(QoYJKToRGB(1, 0, 0, true), bmp->GetPixel(4, 0));

  // Headers the chip cannot show are declined: 65 entries at 8 bits, a level of 32.
  EXPECT_EQ(0, Detect("p.g9b",
                      [&] {
                        TBytes f = g9b(8, 0, 65, 1, 1, 0);
                        f.push_back(0);
                        return f;
                      }())
                   ->Engines->Count());
  TBytes badLevel = bp4;
  badLevel[16] = 32;
  EXPECT_EQ(0, Detect("p.g9b", badLevel)->Engines->Count());

  // Compression: literals, a match, the end code; the next block goes on after it.
  TV9990Writer first;
  first.Literal(0x12);
  first.Literal(0x34);
  first.Match(3, 2);  // 12 34 12
  first.End();
  TV9990Writer second;
  second.Literal(0x56);
  second.Match(2, 1);  // 56 56
  second.End();
  const auto blocks = [](std::initializer_list<const TBytes*> list) {
    TBytes data = {static_cast<uint8_t>(list.size())};
    for (const TBytes* b : list) {
      data.push_back(static_cast<uint8_t>(b->size()));
      data.push_back(static_cast<uint8_t>(b->size() >> 8));
      data.insert(data.end(), b->begin(), b->end());
    }
    data.push_back(0);
    data.push_back(0);
    return data;
  };
  const TBytes packed = blocks({&first.Out, &second.Out});
  std::vector<uint8_t> out = QoUnpackV9990(TQoByteView(packed.data(), packed.size()), 10);
  EXPECT_EQ((TBytes{0x12, 0x34, 0x12, 0x34, 0x12, 0x56, 0x56, 0x56, 0, 0}), out);

  // A match reaching before its own block stops everything, the next block included.
  TV9990Writer reachesBack;
  reachesBack.Literal(0x77);
  reachesBack.Match(2, 2);
  reachesBack.End();
  const TBytes broken = blocks({&first.Out, &reachesBack.Out, &second.Out});
  out = QoUnpackV9990(TQoByteView(broken.data(), broken.size()), 10);
  EXPECT_EQ((TBytes{0x12, 0x34, 0x12, 0x34, 0x12, 0x77, 0, 0, 0, 0}), out);

  // A compressed BP6 picture decodes through it.
  TBytes bp6 = g9b(8, 0, 1, 5, 2, 1);
  bp6.insert(bp6.end(), packed.begin(), packed.end());
  bmp = Detect("p.g9b", bp6)->First()->Decode();
  EXPECT_EQ(0x34u, bmp->GetPixel(3, 0));
  EXPECT_EQ(0x56u, bmp->GetPixel(0, 1));
  EXPECT_EQ(0u, bmp->GetPixel(4, 1));
}
