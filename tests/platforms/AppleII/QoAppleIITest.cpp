#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include "color/QoPaletteTypes.h"
#include "platforms/AppleII/QoOpenPlatformAppleII.h"
#include "support/QoEngineChecks.h"
#include "support/QoSamples.h"
#include "support/QoTestHash.h"

namespace {

using TBytes = std::vector<uint8_t>;

TQoEngineRegistry AppleRegistry() {
  TQoEngineRegistry registry;
  RegisterAppleIIEngines(registry);
  return registry;
}

std::unique_ptr<TQoDetected> Detect(const std::string& name, TBytes bytes) {
  return QoDetectIn(AppleRegistry(), name, std::move(bytes));
}

// Byte `column` (0..39) of row y of a hi-res screen at `bank`.
uint8_t& HiRes(TBytes& bytes, int y, int column, std::size_t bank = 0) {
  return bytes.at(bank + QoAppleIIHiResRow(y) + static_cast<std::size_t>(column));
}

}  // namespace

TEST(QoAppleIITest, RegistersTheFamilyInOrder) {
  EXPECT_EQ((std::vector<std::string>{
                "TQoAppleIILREngine", "TQoAppleIIDLREngine", "TQoAppleIIHRBWEngine",
                "TQoAppleIIHRColorEngine", "TQoAppleIIeDHRColorEngine", "TQoAppleIIeDHRBWEngine",
                "TQoAppleIIGS3200Engine", "TQoAppleIIGS3201Engine", "TQoAppleIIGSSh3Engine",
                "TQoAppleIIGSPntEngine", "TQoAppleIIGSAPFEngine", "TQoAppleIIMacEngine"}),
            QoClassNames(AppleRegistry()));
}

TEST(QoAppleIITest, TenPalettesInTheirTypeOrder) {
  TQoPalette256 palette;
  std::set<std::vector<uint32_t>> distinct;
  for (int i = 0; i < kQoAppleIIPaletteTypeCount; ++i) {
    QoSetAppleIIPalette(palette, QoAppleIIPaletteType(i));
    ASSERT_EQ(16, palette.GetCount());
    EXPECT_EQ(0u, palette.GetRGBQuad(0));
    EXPECT_EQ(0xFFFFFFu, palette.GetRGBQuad(15));
    std::vector<uint32_t> colors;
    for (int c = 0; c < 16; ++c) colors.push_back(palette.GetRGBQuad(c));
    distinct.insert(colors);
  }
  // Kegs32 and Super Convert agree; every other pair differs.
  EXPECT_EQ(9u, distinct.size());
  EXPECT_EQ(ptAppleIIKegs32, QoAppleIIPaletteType(0));
  EXPECT_EQ(ptAppleIIMeasured, QoAppleIIPaletteType(9));
  QoSetAppleIIPalette(palette, ptAppleIIWikipedia);
  EXPECT_EQ(0x722640u, palette.GetRGBQuad(1));
  EXPECT_EQ(0x8DD9BFu, palette.GetRGBQuad(14));
  QoSetAppleIIPalette(palette, ptAppleIIToHgrHGR);
  EXPECT_EQ(0x7F7E77u, palette.GetRGBQuad(10));
  EXPECT_THROW(QoSetAppleIIPalette(palette, ptAtariST), EQoError);
  EXPECT_THROW(QoSetAppleIIPalette(palette, ptCommandore64Light), EQoError);
  EXPECT_THROW(QoAppleIIPaletteType(10), EQoError);
}

TEST(QoAppleIITest, HiResRowsAreInterleaved) {
  EXPECT_EQ(0u, QoAppleIIHiResRow(0));
  EXPECT_EQ(1024u, QoAppleIIHiResRow(1));
  EXPECT_EQ(128u, QoAppleIIHiResRow(8));
  EXPECT_EQ(40u, QoAppleIIHiResRow(64));
  EXPECT_EQ(80u + 7 * 1024 + 7 * 128, QoAppleIIHiResRow(191));
  // Every row lands on its own 40 bytes, and none reaches the 8-byte holes.
  std::set<std::size_t> starts;
  for (int y = 0; y < 192; ++y) {
    const std::size_t at = QoAppleIIHiResRow(y);
    starts.insert(at);
    EXPECT_LE(at % 128 + 40, 120u);
  }
  EXPECT_EQ(192u, starts.size());
}

TEST(QoAppleIITest, HiResColourFromBitPairsAndTheHighBit) {
  uint8_t row[40] = {};
  uint32_t values[280];
  row[0] = 0x01;
  QoAppleIIHiResColorRow(row, values);
  EXPECT_EQ(3u, values[0]);
  EXPECT_EQ(3u, values[1]);
  EXPECT_EQ(0u, values[2]);
  row[0] = 0x81;
  QoAppleIIHiResColorRow(row, values);
  EXPECT_EQ(6u, values[0]);
  EXPECT_EQ(6u, values[1]);
  // Value 2 and 3 in cell 1; cell 3 straddles the bytes: bit 6 of a and bit 0 of b.
  row[0] = 0x08 | 0x40;
  row[1] = 0x80 | 0x01;
  QoAppleIIHiResColorRow(row, values);
  EXPECT_EQ(12u, values[2]);
  EXPECT_EQ(15u, values[6]);  // cell 3 = 3: white in both groups
  EXPECT_EQ(15u, values[7]);
  row[1] = 0x80;  // cell 3 = 1 now, half in group 0, half in group 1
  QoAppleIIHiResColorRow(row, values);
  EXPECT_EQ(3u, values[6]);
  EXPECT_EQ(6u, values[7]);
  // Cells 4-6 take the second byte's group; the second pair starts at column 14.
  row[1] = 0x80 | 0x04;  // c bit 9: cell 4 = 2
  row[2] = 0x02;         // pair 1, cell 0 = 2
  QoAppleIIHiResColorRow(row, values);
  EXPECT_EQ(9u, values[8]);
  EXPECT_EQ(9u, values[9]);
  EXPECT_EQ(12u, values[14]);
  EXPECT_EQ(12u, values[15]);
  row[39] = 0x40;  // last cell of the last pair
  QoAppleIIHiResColorRow(row, values);
  EXPECT_EQ(12u, values[278]);
  EXPECT_EQ(12u, values[279]);
}

TEST(QoAppleIITest, HiResEnginesShareMonochromeFiles) {
  TBytes bytes(8192);
  HiRes(bytes, 65, 1) = 0x01;  // pixel 7 of row 65
  bytes[120] = 0xFF;           // a hole byte: not part of the picture
  auto d = Detect("pic.hgr", bytes);
  ASSERT_EQ((std::vector<std::string>{"TQoAppleIIHRBWEngine", "TQoAppleIIHRColorEngine"}),
            d->Classes());
  EXPECT_EQ(kQoDetectSize | kQoDetectExtension, d->Engines->GetEngine(0)->DetectFlags);
  EXPECT_EQ(kQoDetectSize | kQoDetectExtension, d->Engines->GetEngine(1)->DetectFlags);
  TQoSourceEngine& bw = *d->First();
  EXPECT_EQ("Apple II 280x192x1 HR B/W image", bw.GetDisplayName());
  EXPECT_TRUE(bw.PaletteTypes.empty());
  auto bmp = bw.Decode();
  EXPECT_EQ(1, bmp->BitsPerPixel);
  EXPECT_EQ(1u, bmp->GetPixel(7, 65));
  EXPECT_EQ(0u, bmp->GetPixel(6, 65));
  EXPECT_EQ(0u, bmp->GetPixel(7, 64));
  EXPECT_EQ(0xFFFFFFu, bmp->Palette->GetRGBQuad(1));

  TQoSourceEngine& color = *d->Find("TQoAppleIIHRColorEngine");
  EXPECT_EQ("Apple II 280x192x1 HR image", color.GetDisplayName());
  EXPECT_EQ(ptAppleIIWikipedia, color.PaletteType);
  EXPECT_EQ(10u, color.PaletteTypes.size());
  auto cbmp = color.Decode();
  EXPECT_EQ(4, cbmp->BitsPerPixel);
  EXPECT_EQ(0x722640u, cbmp->Palette->GetRGBQuad(1));

  // A high bit in a visible byte leaves only the colour engine.
  HiRes(bytes, 191, 39) = 0x80;
  EXPECT_EQ((std::vector<std::string>{"TQoAppleIIHRColorEngine"}),
            Detect("pic.hgr", bytes)->Classes());
  EXPECT_EQ(kQoDetectSize | kQoDetectExtension, Detect("pic.bin", bytes)->First()->DetectFlags);
  EXPECT_EQ(kQoDetectSize, Detect("pic.dat", bytes)->First()->DetectFlags);
  EXPECT_EQ(0, Detect("pic.hgr", TBytes(8183))->Engines->Count());
}

TEST(QoAppleIITest, DoubleHiResNibbleOrder) {
  TBytes bytes(16384);
  HiRes(bytes, 9, 0) = 0x01;          // group 0 bit 0: pixel 0 field 1 -> colour 2
  HiRes(bytes, 9, 0, 8192) = 0x02;    // bit 8: pixel 2, field 1 -> colour 2
  HiRes(bytes, 9, 1) = 0x40;          // bit 20: pixel 5, field 1
  HiRes(bytes, 9, 1, 8192) = 0x7F;    // bits 21-27: pixel 5 gets 1 | 2 | 4 ... and pixel 6
  HiRes(bytes, 10, 38, 8192) = 0x08;  // group 19 bit 10: pixel 135, field 4 -> colour 8
  auto d = Detect("pic.dhr", bytes);
  ASSERT_EQ((std::vector<std::string>{"TQoAppleIIeDHRBWEngine", "TQoAppleIIeDHRColorEngine"}),
            d->Classes());
  auto mono = d->First()->Decode();
  EXPECT_EQ("Apple IIe 560x192x1 DHR B/W image", d->First()->GetDisplayName());
  EXPECT_EQ(1u, mono->GetPixel(0, 9));
  EXPECT_EQ(1u, mono->GetPixel(8, 9));
  EXPECT_EQ(0u, mono->GetPixel(7, 9));
  for (int x = 20; x < 28; ++x) EXPECT_EQ(1u, mono->GetPixel(x, 9)) << x;
  EXPECT_EQ(1u, mono->GetPixel(19 * 28 + 10, 10));

  TQoSourceEngine& color = *d->Find("TQoAppleIIeDHRColorEngine");
  EXPECT_EQ("Apple IIe 140x192x4 DHR image", color.GetDisplayName());
  EXPECT_EQ(kQoDetectSize, color.DetectFlags);
  auto bmp = color.Decode();
  EXPECT_EQ(2u, bmp->GetPixel(0, 9));
  EXPECT_EQ(0u, bmp->GetPixel(1, 9));
  EXPECT_EQ(2u, bmp->GetPixel(2, 9));
  EXPECT_EQ(QoAppleIIDoubleColor(0xF), bmp->GetPixel(5, 9));  // bits 20-23 all set
  EXPECT_EQ(15u, bmp->GetPixel(6, 9));
  EXPECT_EQ(8u, bmp->GetPixel(135, 10));

  EXPECT_EQ(2, QoAppleIIDoubleColor(1));
  EXPECT_EQ(4, QoAppleIIDoubleColor(2));
  EXPECT_EQ(8, QoAppleIIDoubleColor(4));
  EXPECT_EQ(1, QoAppleIIDoubleColor(8));
  EXPECT_EQ(11, QoAppleIIDoubleColor(13));
  const uint8_t first[2] = {0xFF, 0x00};
  const uint8_t second[2] = {0x00, 0x81};
  EXPECT_EQ(0x7Fu | 1u << 21, QoAppleIIDoubleGroup(first, second, 0));

  auto dhgr = Detect("pic.dhgr", bytes);
  EXPECT_EQ("TQoAppleIIeDHRColorEngine", dhgr->First()->EngineClass);
  EXPECT_EQ(kQoDetectSize | kQoDetectExtension, dhgr->First()->DetectFlags);
}

TEST(QoAppleIITest, LowResolutionBlocks) {
  TBytes lo(960);
  lo[0] = 0x3C;             // block (0,0) colour 12, (0,1) colour 3
  lo[23 * 40 + 39] = 0x5A;  // (39,46) colour 10, (39,47) colour 5
  auto d = Detect("pic.slo", lo);
  ASSERT_EQ("TQoAppleIILREngine", d->First()->EngineClass);
  EXPECT_EQ(kQoDetectSize | kQoDetectExtension, d->First()->DetectFlags);
  EXPECT_EQ(41, d->First()->AspectIndex);
  auto bmp = d->First()->Decode();
  EXPECT_EQ(12u, bmp->GetPixel(0, 0));
  EXPECT_EQ(3u, bmp->GetPixel(0, 1));
  EXPECT_EQ(10u, bmp->GetPixel(39, 46));
  EXPECT_EQ(5u, bmp->GetPixel(39, 47));

  TBytes dlo(1920);
  dlo[1] = 0x21;        // first half, byte 1: column 3
  dlo[960 + 1] = 0x43;  // second half, byte 1: column 2
  auto dd = Detect("pic.dlo", dlo);
  ASSERT_EQ("TQoAppleIIDLREngine", dd->First()->EngineClass);
  EXPECT_EQ("Apple II 80x48x4 DLR image", dd->First()->GetDisplayName());
  auto dbmp = dd->First()->Decode();
  EXPECT_EQ(3u, dbmp->GetPixel(2, 0));
  EXPECT_EQ(1u, dbmp->GetPixel(3, 0));
  EXPECT_EQ(4u, dbmp->GetPixel(2, 1));
  EXPECT_EQ(2u, dbmp->GetPixel(3, 1));
  EXPECT_EQ(kQoDetectSize, Detect("pic.gr", dlo)->First()->DetectFlags);
}

// Screens as disc tools save them: whole pages with their holes, pages cut inside the
// last hole, and DOS binary files behind their address and length words. Each shows what
// the exact dump of the same memory shows, rated below an exact dump.
TEST(QoAppleIITest, PagesAsTheyAreSaved) {
  TBytes hires(8192);
  HiRes(hires, 0, 0) = 0x81;
  HiRes(hires, 191, 39) = 0x7F;  // the last picture byte, just before the last hole
  const std::string exact = QoHashBitmapHex(*Detect("a.hgr", hires)->First()->Decode());

  TBytes cut(hires.begin(), hires.begin() + 8184);
  TBytes header = {0x00, 0x40, 0x00, 0x20};  // BSAVE A$4000,L$2000
  header.insert(header.end(), hires.begin(), hires.end());
  TBytes shortHeader = {0x00, 0x20, 0xF8, 0x1F};  // L$1FF8: the last hole left off
  shortHeader.insert(shortHeader.end(), cut.begin(), cut.end());
  for (const TBytes& file : {cut, header, shortHeader}) {
    SCOPED_TRACE(file.size());
    auto d = Detect("a.hgr", file);
    ASSERT_EQ("TQoAppleIIHRColorEngine", d->First()->EngineClass);
    EXPECT_EQ(kQoDetectExtension, d->First()->DetectFlags);
    EXPECT_EQ(exact, QoHashBitmapHex(*d->First()->Decode()));
    EXPECT_EQ(0, Detect("a.dat", file)->Engines->Count());
  }
  // A header that names another address or length is picture data, and too long for it.
  TBytes wrongAddress = header;
  wrongAddress[1] = 0x60;
  EXPECT_EQ(0, Detect("a.hgr", wrongAddress)->Engines->Count());

  // Double hi-res with the main bank's last hole cut off.
  TBytes dhr(16384);
  HiRes(dhr, 191, 39, 8192) = 0x40;
  const std::string dhrExact = QoHashBitmapHex(*Detect("a.dhgr", dhr)->First()->Decode());
  auto dcut = Detect("a.dhgr", TBytes(dhr.begin(), dhr.begin() + 16376));
  EXPECT_EQ(kQoDetectExtension, dcut->First()->DetectFlags);
  EXPECT_EQ(dhrExact, QoHashBitmapHex(*dcut->First()->Decode()));
  EXPECT_EQ(0, Detect("a.dhgr", TBytes(16375))->Engines->Count());

  // Low resolution as text page 1: rows in the page's order, screen holes skipped; and
  // a page-1 BSAVE file.
  TBytes lo(1024);
  lo[QoAppleIITextRow(1)] = 0x3C;        // blocks (0,2) colour 12, (0,3) colour 3
  lo[QoAppleIITextRow(23) + 39] = 0x5A;  // (39,46) colour 10, (39,47) colour 5
  lo[120] = 0xFF;                        // a hole
  TBytes loFile = {0x00, 0x04, 0x00, 0x04};
  loFile.insert(loFile.end(), lo.begin(), lo.end());
  for (const TBytes& file : {lo, TBytes(lo.begin(), lo.begin() + 1016), loFile}) {
    auto d = Detect("a.gr", file);
    ASSERT_EQ("TQoAppleIILREngine", d->First()->EngineClass);
    EXPECT_EQ(kQoDetectExtension, d->First()->DetectFlags);
    auto bmp = d->First()->Decode();
    EXPECT_EQ(12u, bmp->GetPixel(0, 2));
    EXPECT_EQ(3u, bmp->GetPixel(0, 3));
    EXPECT_EQ(10u, bmp->GetPixel(39, 46));
    EXPECT_EQ(5u, bmp->GetPixel(39, 47));
    EXPECT_EQ(0u, bmp->GetPixel(0, 0));
  }
  EXPECT_EQ(0, Detect("a.bin", lo)->Engines->Count());

  // Double low resolution: the auxiliary page (left blocks, nibbles rotated as the
  // display shows them), then the main page.
  TBytes dlo(2048);
  dlo[QoAppleIITextRow(0) + 1] = 0x1B;         // aux: column 2 colours ROL(11)=7, ROL(1)=2
  dlo[1024 + QoAppleIITextRow(0) + 1] = 0x47;  // main: column 3 colours 7 and 4
  auto dd = Detect("a.dgr", dlo);
  ASSERT_EQ("TQoAppleIIDLREngine", dd->First()->EngineClass);
  auto dbmp = dd->First()->Decode();
  EXPECT_EQ(7u, dbmp->GetPixel(2, 0));
  EXPECT_EQ(2u, dbmp->GetPixel(2, 1));
  EXPECT_EQ(7u, dbmp->GetPixel(3, 0));
  EXPECT_EQ(4u, dbmp->GetPixel(3, 1));
}

TEST(QoAppleIITest, EveryEngineDecodesWithEveryPaletteType) {
  std::set<std::string> seen;
  for (std::size_t size :
       {std::size_t{960}, std::size_t{1920}, std::size_t{8192}, std::size_t{16384}}) {
    for (uint8_t fill : {uint8_t{0x2A}, uint8_t{0xD5}}) {
      auto d = Detect("pic.bin", TBytes(size, fill));
      for (int i = 0; i < d->Engines->Count(); ++i) {
        TQoSourceEngine& engine = *d->Engines->GetEngine(i);
        seen.insert(engine.EngineClass);
        std::vector<uint8_t> types = engine.PaletteTypes;
        if (types.empty()) types.push_back(engine.PaletteType);
        for (uint8_t type : types) {
          engine.PaletteType = type;
          auto bmp = engine.Decode();
          ASSERT_NE(nullptr, bmp);
          EXPECT_EQ(engine.Width, bmp->Width);
          EXPECT_EQ(engine.Height, bmp->Height);
        }
      }
    }
  }
  EXPECT_EQ(6u, seen.size());
}

TEST(QoAppleIITest, RealScreens) {
  QO_REQUIRE_SAMPLES();
  const std::map<std::string, std::string> expectedEngine = {
      {"a2-hgr", "TQoAppleIIHRColorEngine"},
      {"a2-dhgr", "TQoAppleIIeDHRColorEngine"},
      {"a2-lores", "TQoAppleIILREngine"},
      {"a2-double-lores", "TQoAppleIIDLREngine"},
  };
  // Pinned after checking each picture by eye.
  const std::map<std::string, std::string> pinned = {
      {"apple2/4cade_title_PIPE.DREAM.dhgr", "9fb9773be238db28"},
      {"apple2/4cade_title_TETRIS.dhgr", "b241cae8bbb9a8a0"},
      {"apple2/4cade_title_THE.LAST.NINJA.dhgr", "3fb61e6a01094a1c"},
      {"apple2/catface.dhgr", "f7ea96b0c50a347c"},
      {"apple2/venice.dhgr", "3402918c085ecd9c"},
      {"apple2/4cade_action_HUNGRYBOY.hgr", "48013675d9221692"},
      {"apple2/4cade_title_AZTEC.hgr", "7894bd22232fb612"},
      {"apple2/4cade_title_CHOPLIFTER.hgr", "537a961e5ab89412"},
      {"apple2/4cade_title_KARATEKA.hgr", "bd262ce43eae5ba7"},
      {"apple2/witch.hgr", "dfdd3996f0ed84e7"},
      // Whole pages, cut pages and DOS binary files.
      {"apple2/4cade_title_SAND.TRAP.dhgr", "8c25dae4610fb139"},
      {"apple2/4cade_action_FLAPPLE.BIRD.dgr", "c91cfde5aec1eb1f"},
      {"apple2/4cade_title_CRYSTAL.CASTLES.hgr", "eb54896e8d55a3a2"},
      {"apple2/PORTAL_TITLE.HGR", "fec7a4071ddede77"},
      {"apple2/TITLE.HGR", "a64115f84dc29137"},
      {"apple2/astronaut.hgr", "7594a097116933f7"},
      {"apple2/chips.hgr", "46facb84fd8924c7"},
      {"apple2/macrometer.hgr", "9132bd8c845a7a82"},
      {"apple2/4cade_action_COLORIX.gr", "235eaed1ba2f32ac"},
      {"apple2/4cade_action_SNAKEBYTE.REMIX.gr", "14c32d688a69a6fe"},
  };
  EXPECT_EQ(20, QoCheckRealPictures(AppleRegistry(), expectedEngine, pinned));
}

TEST(QoAppleIITest, ClassesDescribeThemselvesWithoutData) {
  std::vector<std::string> described;
  const TQoEngineRegistry registry = AppleRegistry();
  for (const TQoEngineClass& engineClass : registry.Classes()) {
    const TQoEngineClassInfo info = QoDescribeEngineClass(engineClass);
    described.push_back(info.Platform + info.DefaultExtension);
  }
  EXPECT_EQ((std::vector<std::string>{"Apple II.slo", "Apple II.dlo", "Apple II.hgr",
                                      "Apple II.hgr", "Apple IIe.dhgr", "Apple IIe.dhgr",
                                      "Apple IIGS.3200", "Apple IIGS.3201", "Apple IIGS.sh3",
                                      "Apple IIGS.pnt", "Apple IIGS", ".mac"}),
            described);
}
