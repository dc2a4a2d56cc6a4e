#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "color/QoAspect.h"
#include "platforms/SAMCoupe/QoOpenPlatformSAMCoupe.h"
#include "support/QoEngineChecks.h"
#include "support/QoSamples.h"

namespace {

using TBytes = std::vector<uint8_t>;

TQoEngineRegistry SAMRegistry() {
  TQoEngineRegistry registry;
  RegisterSAMCoupeEngines(registry);
  return registry;
}

std::unique_ptr<TQoDetected> Detect(const std::string& name, TBytes bytes) {
  return QoDetectIn(SAMRegistry(), name, std::move(bytes));
}

TQoByteView View(const TBytes& bytes) {
  return TQoByteView(bytes.data(), bytes.size());
}

// Screen data of screenSize bytes, then the palette block (CLUT entry i holds colour
// clut + i), with or without its markers, and 0xFF.
TBytes ScreenFile(std::size_t screenSize, uint8_t clut = 0x10, bool markers = true) {
  TBytes file(screenSize + 41);
  for (std::size_t half = 0; half < 2; ++half) {
    const std::size_t at = screenSize + 20 * half;
    for (std::size_t i = 0; i < 16; ++i) file[at + i] = static_cast<uint8_t>(clut + i);
    if (markers) {
      file[at + 17] = 0x11, file[at + 18] = 0x22, file[at + 19] = 0x7F;
    } else {
      file[at + 19] = 0x55;
    }
  }
  file.back() = 0xFF;
  return file;
}

// The same screen with a table of line interrupts (line, CLUT index, colour) in place of
// the final 0xFF.
TBytes LineChangeFile(TBytes file, const std::vector<std::array<uint8_t, 3>>& changes) {
  file.pop_back();
  for (const auto& c : changes) file.insert(file.end(), {c[0], c[1], c[2], 0});
  file.push_back(0xFF);
  return file;
}

// Screen data followed by n bare CLUT bytes (colour clut + i).
TBytes SsxFile(std::size_t screenSize, std::size_t n, uint8_t clut = 0x10) {
  TBytes file(screenSize + n);
  for (std::size_t i = 0; i < n; ++i) file[screenSize + i] = static_cast<uint8_t>(clut + i);
  return file;
}

}  // namespace

TEST(QoSAMCoupeTest, RegistersTheFamilyInOrder) {
  EXPECT_EQ(
      (std::vector<std::string>{
          "TQoSAMCoupeMode1SS1Engine", "TQoSAMCoupeMode1SSXEngine", "TQoSAMCoupeMode1SS1PCHGEngine",
          "TQoSAMCoupeMode2SS2Engine", "TQoSAMCoupeMode2SSXEngine", "TQoSAMCoupeMode2SS2PCHGEngine",
          "TQoSAMCoupeMode3SS3Engine", "TQoSAMCoupeMode3SSXEngine", "TQoSAMCoupeMode3SS3PCHGEngine",
          "TQoSAMCoupeMode4SS4Engine", "TQoSAMCoupeMode4SSXEngine", "TQoSAMCoupeModeSS4PCHGEngine",
          "TQoSAMCoupeMode4InterlacedEngine", "TQoSAMCoupeModeRAWEngine"}),
      QoClassNames(SAMRegistry()));
}

TEST(QoSAMCoupeTest, ColoursPaletteBlocksAndLineTables) {
  EXPECT_EQ(0x000000u, QoSAMColor(0));
  EXPECT_EQ(0x242424u, QoSAMColor(0x08));
  EXPECT_EQ(0x6D6D6Du, QoSAMColor(0x0F));
  EXPECT_EQ(0xFFFFFFu, QoSAMColor(0x7F));
  EXPECT_EQ(0x000049u, QoSAMColor(0x01));  // blue low
  EXPECT_EQ(0x920000u, QoSAMColor(0x20));  // red high
  EXPECT_EQ(0x00DB00u, QoSAMColor(0x44));  // green high and low
  EXPECT_EQ(0x24B624u, QoSAMColor(0x48));  // green high, bright

  TBytes file = ScreenFile(100);
  TQoSAMCoupePaletteBlock block;
  ASSERT_TRUE(block.Read(View(file), 100));
  EXPECT_TRUE(block.HasMarkers);
  EXPECT_EQ(0x1F, block.Clut.U8(15));
  ASSERT_TRUE(block.Read(View(ScreenFile(100, 0x10, false)), 100));
  EXPECT_FALSE(block.HasMarkers);
  file[100 + 20 + 15] = 0x80;  // the unused second CLUT must hold SAM colours too
  EXPECT_FALSE(block.Read(View(file), 100));
  EXPECT_FALSE(block.Read(View(file), 102));  // runs past the end

  TQoSAMCoupeLineTable table;
  TBytes lines = {0, 190, 15, 0x7F, 0x7F, 0xFF};
  ASSERT_TRUE(table.Read(View(lines), 1));
  ASSERT_EQ(1u, table.Entries.size());
  EXPECT_EQ(190, table.Entries[0].Line);
  for (std::size_t at : {1u, 2u, 3u, 4u}) {
    TBytes bad = lines;
    bad[at] = at == 1 ? 191 : at == 2 ? 16 : 0x80;
    EXPECT_FALSE(table.Read(View(bad), 1)) << at;
  }
  lines.back() = 0xFE;
  EXPECT_FALSE(table.Read(View(lines), 1));  // no end mark
  EXPECT_FALSE(table.Read(View(TBytes{0, 0xFF}), 1));
  EXPECT_FALSE(table.Read(View(TBytes{0, 1, 1, 1, 1, 1, 0xFF}), 1));  // not whole entries
  TBytes many(1 + 4 * 128 + 1);
  many.back() = 0xFF;
  EXPECT_FALSE(table.Read(View(many), 1));  // 128 entries
  many.erase(many.begin() + 1, many.begin() + 5);
  EXPECT_TRUE(table.Read(View(many), 1));
  EXPECT_EQ(127u, table.Entries.size());
}

TEST(QoSAMCoupeTest, RatingsBySizeMarkersAndExtension) {
  auto rated = [](const std::string& name, TBytes bytes) -> int {
    auto d = Detect(name, std::move(bytes));
    return d->Engines->Count() ? d->First()->DetectFlags : 0;
  };
  EXPECT_EQ(11, rated("p.ss1", ScreenFile(6912)));
  EXPECT_EQ(10, rated("p.ss1", ScreenFile(6912, 0x10, false)));
  EXPECT_EQ(9, rated("p.scr", ScreenFile(6912)));
  EXPECT_EQ(8, rated("p.scr", ScreenFile(6912, 0x10, false)));
  EXPECT_EQ(10, rated("p.ssx", SsxFile(12288, 16)));
  EXPECT_EQ(8, rated("p.bin", SsxFile(24576, 4)));

  TBytes noEnd = ScreenFile(6912);
  noEnd.back() = 0;
  EXPECT_EQ(0, rated("p.ss1", noEnd));
  TBytes longer = ScreenFile(6912);
  longer.push_back(0);
  EXPECT_EQ(0, rated("p.ss1", longer));  // neither plain nor a line table
  TBytes shorter = ScreenFile(6912);
  shorter.erase(shorter.begin());
  EXPECT_EQ(0, rated("p.ss1", shorter));
  TBytes notSam = ScreenFile(14336);
  notSam[14336 + 3] = 0x90;
  EXPECT_EQ(0, rated("p.ss2", notSam));
  TBytes ssx = SsxFile(6912, 16);
  ssx.back() = 0x80;
  EXPECT_EQ(0, rated("p.ssx", ssx));
}

TEST(QoSAMCoupeTest, Mode1CellsAndMode2LinesTakeInkAndPaper) {
  // Mode 1: line 77 is cell row 9 (second third), its line 5.
  TBytes ss1 = ScreenFile(6912);
  ss1[2048 + 5 * 256 + 1 * 32 + 3] = 0xF0;
  ss1[6144 + 9 * 32 + 3] = 0x80 | 0x40 | 2 << 3 | 5;  // bit 7 ignored, bright, paper 2, ink 5
  auto d = Detect("p.ss1", ss1);
  ASSERT_EQ("TQoSAMCoupeMode1SS1Engine", d->First()->EngineClass);
  EXPECT_EQ("SAM Coupé 256x192x4 mode 1 image", d->First()->GetDisplayName());
  auto bmp = d->First()->Decode();
  EXPECT_EQ(13u, bmp->GetPixel(24, 77));
  EXPECT_EQ(10u, bmp->GetPixel(28, 77));
  EXPECT_EQ(10u, bmp->GetPixel(24, 76));  // another line of the cell: bits clear, paper
  EXPECT_EQ(0u, bmp->GetPixel(24, 80));   // the next cell row
  ASSERT_EQ(16, bmp->Palette->GetCount());
  EXPECT_EQ(QoSAMColor(0x1D), bmp->Palette->GetRGBQuad(13));

  // Mode 2: an attribute per line, after a gap in ".ss2" files, straight after the
  // bitmap in ".ssx" files.
  for (const auto& [name, attributesAt, file] :
       {std::tuple{"p.ss2", std::size_t{8192}, ScreenFile(14336)},
        std::tuple{"p.ssx", std::size_t{6144}, SsxFile(12288, 16)}}) {
    TBytes bytes = file;
    bytes[77 * 32 + 3] = 0x0F;
    bytes[attributesAt + 77 * 32 + 3] = 3 << 3 | 6;
    auto m = Detect(name, bytes);
    ASSERT_EQ(
        name == std::string("p.ss2") ? "TQoSAMCoupeMode2SS2Engine" : "TQoSAMCoupeMode2SSXEngine",
        m->First()->EngineClass);
    auto b = m->First()->Decode();
    EXPECT_EQ(3u, b->GetPixel(24, 77)) << name;
    EXPECT_EQ(6u, b->GetPixel(31, 77)) << name;
    EXPECT_EQ(0u, b->GetPixel(31, 78)) << name;
  }
}

TEST(QoSAMCoupeTest, Mode3ExchangesTheMiddleValuesOnlyInScreenFiles) {
  TBytes ss3 = ScreenFile(24576);
  ss3[100 * 128 + 127] = 0x1B;  // 0 1 2 3 in the last four pixels of line 100
  auto d = Detect("p.ss3", ss3);
  TQoSourceEngine& engine = *d->First();
  ASSERT_EQ("TQoSAMCoupeMode3SS3Engine", engine.EngineClass);
  EXPECT_EQ(512, engine.Width);
  EXPECT_EQ(kQoAspect1to2, engine.AspectIndex);
  auto bmp = engine.Decode();
  ASSERT_EQ(4, bmp->Palette->GetCount());
  EXPECT_EQ(QoSAMColor(0x13), bmp->Palette->GetRGBQuad(3));
  EXPECT_EQ((std::vector<uint32_t>{0, 2, 1, 3}),
            (std::vector<uint32_t>{bmp->GetPixel(508, 100), bmp->GetPixel(509, 100),
                                   bmp->GetPixel(510, 100), bmp->GetPixel(511, 100)}));

  TBytes ssx = SsxFile(24576, 4);
  ssx[100 * 128 + 127] = 0x1B;
  auto x = Detect("p.ssx", ssx);
  ASSERT_EQ("TQoSAMCoupeMode3SSXEngine", x->First()->EngineClass);
  bmp = x->First()->Decode();
  EXPECT_EQ(1u, bmp->GetPixel(509, 100));
  EXPECT_EQ(2u, bmp->GetPixel(510, 100));
}

TEST(QoSAMCoupeTest, Mode4NibblesAndTheSharedSizeWithMode3) {
  TBytes ss4 = ScreenFile(24576);
  ss4[191 * 128 + 127] = 0x9C;
  for (const char* name : {"p.ss4", "p.SCS4"}) {
    auto d = Detect(name, ss4);
    ASSERT_EQ("TQoSAMCoupeMode4SS4Engine", d->First()->EngineClass) << name;
    auto bmp = d->First()->Decode();
    EXPECT_EQ(9u, bmp->GetPixel(254, 191));
    EXPECT_EQ(12u, bmp->GetPixel(255, 191));
    EXPECT_EQ(".ss4", d->First()->DefaultExtension);
  }
  // Without a telling extension the mode 3 engine, registered first, wins the tie.
  auto d = Detect("p.bin", ss4);
  EXPECT_EQ((std::vector<std::string>{"TQoSAMCoupeMode3SS3Engine", "TQoSAMCoupeMode4SS4Engine"}),
            d->Classes());
  auto x = Detect("p.ssx", SsxFile(24576, 16));
  EXPECT_EQ((std::vector<std::string>{"TQoSAMCoupeMode4SSXEngine"}), x->Classes());
}

TEST(QoSAMCoupeTest, LineInterruptsRecolourFromTheNextLine) {
  TBytes screen = ScreenFile(24576);
  for (std::size_t y = 0; y < 192; ++y) screen[y * 128] = 0x11;  // pixels 0 and 1: CLUT 1
  // Line 10 sets CLUT 1 to white; two entries for line 20: the later wins.
  const TBytes file = LineChangeFile(screen, {{10, 1, 0x7F}, {20, 1, 0x02}, {20, 1, 0x08}});
  ASSERT_EQ(24617u + 12, file.size());
  auto d = Detect("p.ss4", file);
  // Mode 3 files are as long: the extension ranks mode 4 first.
  ASSERT_EQ(
      (std::vector<std::string>{"TQoSAMCoupeModeSS4PCHGEngine", "TQoSAMCoupeMode3SS3PCHGEngine"}),
      d->Classes());
  TQoSourceEngine& engine = *d->First();
  EXPECT_EQ(11, engine.DetectFlags);
  EXPECT_EQ("SAM Coupé 256x192x8 mode 4 PCHG image", engine.GetDisplayName());
  auto bmp = engine.Decode();
  EXPECT_EQ(8, bmp->BitsPerPixel);
  // 16 CLUT colours and three new ones, darkest first.
  ASSERT_EQ(19, bmp->Palette->GetCount());
  EXPECT_EQ(QoSAMColor(0x02), bmp->Palette->GetRGBQuad(0));  // dark red is below dark blue
  EXPECT_EQ(0xFFFFFFu, bmp->Palette->GetRGBQuad(18));
  auto colour = [&](int x, int y) { return bmp->Palette->GetRGBQuad(int(bmp->GetPixel(x, y))); };
  EXPECT_EQ(QoSAMColor(0x11), colour(0, 10));
  EXPECT_EQ(0xFFFFFFu, colour(1, 11));
  EXPECT_EQ(0xFFFFFFu, colour(0, 20));
  EXPECT_EQ(QoSAMColor(0x08), colour(0, 21));
  EXPECT_EQ(QoSAMColor(0x08), colour(1, 191));
  EXPECT_EQ(QoSAMColor(0x10), colour(2, 191));  // CLUT 0 untouched

  // Mode 1 and mode 3 take their CLUT numbers through their own layouts.
  TBytes ss1 = ScreenFile(6912);
  ss1[6144] = 4;  // cell 0: ink 4 on paper 0
  ss1[6912 + 4] = 0x7F;
  auto one = Detect("p.ss1", LineChangeFile(ss1, {{7, 0, 0x7F}}));
  ASSERT_EQ("TQoSAMCoupeMode1SS1PCHGEngine", one->First()->EngineClass);
  bmp = one->First()->Decode();
  EXPECT_EQ(QoSAMColor(0x10), bmp->Palette->GetRGBQuad(int(bmp->GetPixel(0, 7))));
  EXPECT_EQ(0xFFFFFFu, bmp->Palette->GetRGBQuad(int(bmp->GetPixel(0, 8))));
  EXPECT_EQ(16, bmp->Palette->GetCount());  // white was there already

  TBytes ss3 = ScreenFile(24576);
  ss3[0] = ss3[128] = 0x40;  // pixel 0 of lines 0 and 1: value 1, CLUT 2 in a screen file
  auto three = Detect("p.ss3", LineChangeFile(ss3, {{0, 2, 0x7F}}));
  ASSERT_EQ("TQoSAMCoupeMode3SS3PCHGEngine", three->First()->EngineClass);
  bmp = three->First()->Decode();
  EXPECT_EQ(5, bmp->Palette->GetCount());  // 4 CLUT colours and white
  EXPECT_EQ(QoSAMColor(0x12), bmp->Palette->GetRGBQuad(int(bmp->GetPixel(0, 0))));
  EXPECT_EQ(0xFFFFFFu, bmp->Palette->GetRGBQuad(int(bmp->GetPixel(0, 1))));

  // A bad entry, or a table that starts with the end mark, declines.
  EXPECT_EQ(0, Detect("p.ss4", LineChangeFile(screen, {{191, 1, 0}}))->Engines->Count());
  EXPECT_EQ(0,
            Detect("p.ss2", LineChangeFile(ScreenFile(14336), {{0xFF, 0, 0}}))->Engines->Count());
}

TEST(QoSAMCoupeTest, InterlacedPairsShareOrSplitTheirCluts) {
  TBytes first = ScreenFile(24576), second = ScreenFile(24576);
  first[5 * 128] = 0x30;
  second[5 * 128] = 0x40;
  TBytes pair = first;
  pair.insert(pair.end(), second.begin(), second.end());
  auto d = Detect("p.lce", pair);
  ASSERT_EQ("TQoSAMCoupeMode4InterlacedEngine", d->First()->EngineClass);
  EXPECT_EQ(11, d->First()->DetectFlags);
  EXPECT_EQ("SAM Coupé 256x384x4 mode 4 interlaced image", d->First()->GetDisplayName());
  EXPECT_EQ(kQoAspect2to1, d->First()->AspectIndex);
  auto bmp = d->First()->Decode();
  EXPECT_EQ(4, bmp->BitsPerPixel);
  EXPECT_EQ(16, bmp->Palette->GetCount());
  EXPECT_EQ(3u, bmp->GetPixel(0, 10));
  EXPECT_EQ(4u, bmp->GetPixel(0, 11));

  pair[24617 + 24576 + 7] = 0x7F;  // one CLUT byte of the second screen differs
  auto s = Detect("p.sl4", pair);
  ASSERT_EQ("TQoSAMCoupeMode4InterlacedEngine", s->First()->EngineClass);
  EXPECT_EQ(8, s->First()->ColorDepth);
  bmp = s->First()->Decode();
  EXPECT_EQ(8, bmp->BitsPerPixel);
  ASSERT_EQ(32, bmp->Palette->GetCount());
  EXPECT_EQ(0xFFFFFFu, bmp->Palette->GetRGBQuad(23));
  EXPECT_EQ(3u, bmp->GetPixel(0, 10));
  EXPECT_EQ(20u, bmp->GetPixel(0, 11));
  EXPECT_EQ(16u, bmp->GetPixel(1, 11));

  pair.back() = 0;  // the second screen lost its end mark
  EXPECT_EQ(0, Detect("p.lce", pair)->Engines->Count());
}

TEST(QoSAMCoupeTest, RawPicturesAreSamColours) {
  TBytes raw(512 * 192);
  raw[3 * 512 + 511] = 0x7F;
  raw[0] = 0x08;
  auto d = Detect("p.ssx", raw);
  ASSERT_EQ("TQoSAMCoupeModeRAWEngine", d->First()->EngineClass);
  EXPECT_EQ(10, d->First()->DetectFlags);
  EXPECT_EQ(kQoAspect1to2, d->First()->AspectIndex);
  auto bmp = d->First()->Decode();
  ASSERT_EQ(128, bmp->Palette->GetCount());
  EXPECT_EQ(0x7Fu, bmp->GetPixel(511, 3));
  EXPECT_EQ(0x242424u, bmp->Palette->GetRGBQuad(int(bmp->GetPixel(0, 0))));
  raw[1000] = 0x80;  // not a SAM colour
  EXPECT_EQ(0, Detect("p.ssx", raw)->Engines->Count());
}

TEST(QoSAMCoupeTest, CutFilesDeclineOrDecodeCleanly) {
  const TBytes pchg = LineChangeFile(ScreenFile(24576), {{10, 1, 0x7F}, {20, 2, 0x02}});
  for (const TBytes& file : {ScreenFile(6912), ScreenFile(14336), pchg, SsxFile(24576, 4)}) {
    for (std::size_t cut : {file.size() - 1, file.size() - 5, file.size() - 41, std::size_t{7}}) {
      auto d = Detect("p.ss4", TBytes(file.begin(), file.begin() + long(cut)));
      for (int i = 0; i < d->Engines->Count(); ++i) {
        EXPECT_NO_THROW(d->Engines->GetEngine(i)->Decode()) << cut;
      }
    }
  }
  // A line-change file cut inside its table is no screen file of any kind.
  EXPECT_EQ(0, Detect("p.ss4", TBytes(pchg.begin(), pchg.end() - 1))->Engines->Count());
  EXPECT_EQ(0, Detect("p.ss4", TBytes(pchg.begin(), pchg.end() - 4))->Engines->Count());
}

TEST(QoSAMCoupeTest, RealScreensAreRecognisedAndDecode) {
  QO_REQUIRE_SAMPLES();
  const std::map<std::string, std::string> expectedEngine = {
      {"sam-mode3-screen", "TQoSAMCoupeMode3SS3Engine"},
      {"sam-mode4-screen", "TQoSAMCoupeMode4SS4Engine"},
      {"sam-ssx", "TQoSAMCoupeMode1SSXEngine"},
  };
  // Pinned after checking each picture by eye.
  const std::map<std::string, std::string> pinned = {
      {"samcoupe/mode1.ssx", "43adf6e82ea539ff"},
      {"samcoupe/sam.ss3", "e80ebf02de92c7b6"},
      {"samcoupe/sam.ss4", "aecf5feebe55cf5e"},
  };
  EXPECT_EQ(3, QoCheckRealPictures(SAMRegistry(), expectedEngine, pinned));
}
