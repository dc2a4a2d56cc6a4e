#include <gtest/gtest.h>

#include <string>

#include "platforms/AtariST/QoAtariSTTestFiles.h"
#include "platforms/AtariST/QoOpenPlatformAtariST.h"
#include "platforms/AtariST/QoPlatformAtariSTUnpack.h"
#include "support/QoEngineChecks.h"
#include "support/QoSamples.h"

using namespace qo::atari_test;

namespace {

TBytes Text(const std::string& text) {
  return TBytes(text.begin(), text.end());
}

// Row y of a decoded 1-bit picture as bytes.
TBytes Row(const TQoBitmap& bmp, int y, std::size_t bytes) {
  const uint8_t* line = const_cast<TQoBitmap&>(bmp).GetScanLine(y);
  return TBytes(line, line + bytes);
}

}  // namespace

TEST(QoAtariSTMonoTest, ScreensOfRowsRateBySizeAndExtension) {
  TBytes screen(32000);
  screen[0] = 0x80;
  auto d = Detect("pic.doo", screen);
  TQoSourceEngine* doodle = d->Find("TQoAtariSTDoodleEngine");
  ASSERT_NE(nullptr, doodle);
  EXPECT_EQ(10, doodle->DetectFlags);
  EXPECT_EQ(".art", doodle->DefaultExtension);
  auto bmp = doodle->Decode();
  EXPECT_EQ(640, bmp->Width);
  EXPECT_EQ(1u, bmp->GetPixel(0, 0));
  EXPECT_EQ(0x000000u, bmp->Palette->GetRGBQuad(1));
  EXPECT_EQ(8, Detect("pic.pic", screen)->Find("TQoAtariSTDoodleEngine")->DetectFlags);
  TBytes page(64000);
  page[63999] = 1;
  auto da4 = Detect("pic.da4", page);
  bmp = da4->Find("TQoAtariSTPaintShopDA4Engine")->Decode();
  EXPECT_EQ(800, bmp->Height);
  EXPECT_EQ(1u, bmp->GetPixel(639, 799));
}

TEST(QoAtariSTMonoTest, RunReadersOfThePaintPrograms) {
  // STAD: E1 = 0xAA (runs of the solid byte 0x55), E2 = 0xBB (runs of any byte).
  TBytes stad = Text("pM86");
  stad.insert(stad.end(), {0xAA, 0x55, 0xBB, 0x12, 0xAA, 0x01, 0xBB, 0x77, 0xFF});
  for (int i = 0; i < 124; ++i) stad.insert(stad.end(), {0xBB, 0x00, 0xFF});
  stad.insert(stad.end(), {0xBB, 0x00, 0x7F - 4});
  // 1 + 2 + 256 + 124 * 256 + 124 bytes: a screen and more.
  auto d = Detect("pic.pac", stad);
  TQoSourceEngine* engine = d->Find("TQoAtariSTSTADEngine");
  ASSERT_NE(nullptr, engine);
  EXPECT_EQ(11, engine->DetectFlags);
  auto bmp = engine->Decode();
  // Column by column: byte 0 at row 0, bytes 1 and 2 (the solid run) at rows 1 and 2.
  EXPECT_EQ(0x12, Row(*bmp, 0, 1)[0]);
  EXPECT_EQ(0x55, Row(*bmp, 1, 1)[0]);
  EXPECT_EQ(0x55, Row(*bmp, 2, 1)[0]);
  EXPECT_EQ(0x77, Row(*bmp, 3, 1)[0]);
  stad[3] = '5';  // pM85: the same bytes row by row
  bmp = Detect("pic.pac", stad)->Find("TQoAtariSTSTADEngine")->Decode();
  EXPECT_EQ((TBytes{0x12, 0x55, 0x55, 0x77}), Row(*bmp, 0, 4));
  stad.resize(20);
  EXPECT_EQ(nullptr, Detect("pic.pac", stad)->Find("TQoAtariSTSTADEngine"));

  // Public Painter: escape 0xE5 n v; only under its own extension; 0xC8 is 640 x 800.
  TBytes cmp = {0xE5, 0xC8, 0x42};
  for (int i = 0; i < 250; ++i) cmp.insert(cmp.end(), {0xE5, 0xFF, 0x00});
  cmp.insert(cmp.end(), {0xE5, 0xFE, 0x00});
  EXPECT_EQ(nullptr, Detect("pic.pp", cmp)->Find("TQoAtariSTPublicPainterEngine"));
  d = Detect("pic.cmp", cmp);
  engine = d->Find("TQoAtariSTPublicPainterEngine");
  ASSERT_NE(nullptr, engine);
  EXPECT_EQ(10, engine->DetectFlags);
  EXPECT_EQ(800, engine->Height);
  EXPECT_EQ(0x42, Row(*engine->Decode(), 0, 1)[0]);

  // MegaPaint, packed (negative width): 0 n and 255 n runs, and literal bytes; a file of
  // whole 256-byte blocks may end in zeros, any other file may not.
  TBytes bld;
  AppendBE16(bld, static_cast<uint16_t>(-15));  // 16 pixels: 2 bytes per row
  AppendBE16(bld, 1);                           // 2 rows
  bld.insert(bld.end(), {0x81, 0xFF, 0x01, 0x00, 0x00});
  d = Detect("pic.bld", bld);
  engine = d->Find("TQoAtariSTMegaPaintEngine");
  ASSERT_NE(nullptr, engine);
  bmp = engine->Decode();
  EXPECT_EQ((TBytes{0x81, 0xFF}), Row(*bmp, 0, 2));
  EXPECT_EQ((TBytes{0xFF, 0x00}), Row(*bmp, 1, 2));
  TBytes padded = bld;
  padded.resize(256);
  EXPECT_NE(nullptr, Detect("pic.bld", padded)->Find("TQoAtariSTMegaPaintEngine"));
  padded.resize(255);
  EXPECT_EQ(nullptr, Detect("pic.bld", padded)->Find("TQoAtariSTMegaPaintEngine"));
  TBytes plain = {0x00, 0x07, 0x00, 0x00, 0xA5};  // 8 x 1, unpacked
  EXPECT_EQ(0xA5,
            Row(*Detect("x.bld", plain)->Find("TQoAtariSTMegaPaintEngine")->Decode(), 0, 1)[0]);

  // Calamus: n >= 128 repeats the next byte n - 127 times, n < 128 copies n + 1 bytes; the
  // packed block must be used up exactly.
  const TBytes packed = {0x82, 0xF0, 0x00, 0x0F};
  TBytes crg = Text("CALAMUSCRG");
  crg.resize(14);
  AppendBE32(crg, static_cast<uint32_t>(42 + packed.size() - 24));
  AppendBE16(crg, 0);
  AppendBE32(crg, 12);  // width: 2 bytes a row
  AppendBE32(crg, 2);
  crg.resize(38);
  AppendBE32(crg, static_cast<uint32_t>(packed.size()));
  crg.insert(crg.end(), packed.begin(), packed.end());
  d = Detect("pic.crg", crg);
  engine = d->Find("TQoAtariSTCalamusRasterGraphicEngine");
  ASSERT_NE(nullptr, engine);
  bmp = engine->Decode();
  EXPECT_EQ((TBytes{0xF0, 0xF0}), Row(*bmp, 0, 2));
  EXPECT_EQ((TBytes{0xF0, 0x00}), Row(*bmp, 1, 2));  // 0x0F beyond the width is not shown
  crg[41] = 3;                                       // the block then ends early
  EXPECT_EQ(nullptr, Detect("pic.crg", crg)->Find("TQoAtariSTCalamusRasterGraphicEngine"));
}

TEST(QoAtariSTMonoTest, PaintShopLineCodes) {
  // Width 24 (3 bytes a line), 7 lines.
  const TBytes codes = {100, 0x3C, 102, 0x01, 0x02, 110, 7, 8, 9, 10, 1, 200, 12, 0, 0xFF};
  std::vector<uint8_t> out(3 * 269);
  EXPECT_TRUE(QoDecodePaintShopLines(TQoByteView(codes.data(), codes.size() - 3), 7, 3, nullptr) ==
              false);  // no end byte
  TBytes seven = {100, 0x3C, 102, 0x01, 0x02, 110, 7, 8, 9, 10, 1, 200, 0, 0xFF};
  ASSERT_TRUE(QoDecodePaintShopLines(TQoByteView(seven.data(), seven.size()), 7, 3, out.data()));
  EXPECT_EQ((TBytes{0x3C, 0x3C, 0x3C, 0x02, 0x01, 0x02, 7,    8, 9, 7, 8,
                    9,    7,    8,    9,    0xFF, 0xFF, 0xFF, 0, 0, 0}),
            TBytes(out.begin(), out.begin() + 21));
  // 12 n gives n + 257 copies: 1 + 257 lines fit 258, not 257.
  const TBytes many = {0, 12, 0, 0xFF};
  EXPECT_TRUE(QoDecodePaintShopLines(TQoByteView(many.data(), many.size()), 258, 3, out.data()));
  EXPECT_FALSE(QoDecodePaintShopLines(TQoByteView(many.data(), many.size()), 257, 3, nullptr));
  const TBytes first = {10, 0, 0xFF};  // a copy needs a line before it
  EXPECT_FALSE(QoDecodePaintShopLines(TQoByteView(first.data(), first.size()), 1, 3, nullptr));
  const TBytes whole = {99, 1, 2, 3, 4, 5, 6, 0xFF};
  EXPECT_TRUE(QoDecodePaintShopLines(TQoByteView(whole.data(), whole.size()), 2, 3, nullptr));

  TBytes psc = Text("tm89PS");
  psc.resize(10);
  AppendBE16(psc, 23);
  AppendBE16(psc, 6);
  psc.insert(psc.end(), seven.begin(), seven.end());
  auto d = Detect("pic.psc", psc);
  TQoSourceEngine* engine = d->Find("TQoAtariSTPaintShopPSCEngine");
  ASSERT_NE(nullptr, engine);
  EXPECT_EQ(11, engine->DetectFlags);
  auto bmp = engine->Decode();
  EXPECT_EQ(24, bmp->Width);
  EXPECT_EQ((TBytes{0x02, 0x01, 0x02}), Row(*bmp, 1, 3));
  psc.back() = 0xFE;
  EXPECT_EQ(nullptr, Detect("pic.psc", psc)->Find("TQoAtariSTPaintShopPSCEngine"));
}

TEST(QoAtariSTMonoTest, PicworksBlocksOverAWhiteScreen) {
  // One record: a literal block, then a block repeated 3 times; the rest stored plainly.
  TBytes cp3;
  AppendBE16(cp3, 1);
  AppendBE16(cp3, 0);
  AppendBE16(cp3, 1);
  AppendBE16(cp3, 3);
  for (int i = 0; i < 8; ++i) cp3.push_back(static_cast<uint8_t>(i));
  for (int i = 0; i < 8; ++i) cp3.push_back(0xA0);
  cp3.resize(cp3.size() + 32000 - 32, 0x11);
  auto d = Detect("pic.cp3", cp3);
  TQoSourceEngine* engine = d->Find("TQoAtariSTPicworks");
  ASSERT_NE(nullptr, engine);
  auto bmp = engine->Decode();
  EXPECT_EQ((TBytes{0, 1, 2, 3, 4, 5, 6, 7, 0xA0}), Row(*bmp, 0, 9));
  EXPECT_EQ(0xA0, Row(*bmp, 0, 32)[31]);
  EXPECT_EQ(0x11, Row(*bmp, 0, 33)[32]);
  cp3.pop_back();  // the rest no longer matches the screen
  EXPECT_EQ(nullptr, Detect("pic.cp3", cp3)->Find("TQoAtariSTPicworks"));
}

TEST(QoAtariSTMonoTest, ObjectsIconsAndBrushes) {
  // MonoSTar, width 16: rows of 4 bytes of which 2 are shown.
  TBytes obj;
  AppendBE16(obj, 15);
  AppendBE16(obj, 1);
  AppendBE16(obj, 1);
  obj.insert(obj.end(), {0xC0, 0x03, 0xFF, 0xFF, 0x01, 0x80, 0x00, 0x00});
  auto d = Detect("pic.obj", obj);
  TQoSourceEngine* engine = d->Find("TQoAtariSTMonoSTarObjectEngine");
  ASSERT_NE(nullptr, engine);
  auto bmp = engine->Decode();
  EXPECT_EQ(16, bmp->Width);
  EXPECT_EQ((TBytes{0x01, 0x80}), Row(*bmp, 1, 2));

  // ColorSTar, width 32: the palette text, then rows of 24 bytes (three groups of four
  // words, the last not shown).
  TBytes color;
  for (int i = 0; i < 16; ++i) {
    const std::string line = std::to_string(i == 1 ? 0x700 : i == 2 ? 0x777 : 0) + "\r\n";
    color.insert(color.end(), line.begin(), line.end());
  }
  AppendBE16(color, 31);
  AppendBE16(color, 0);
  AppendBE16(color, 4);
  TBytes row(24);
  row[0] = 0x80;   // pixel 0: plane 0 -> colour 1
  row[11] = 0x01;  // pixel 31: plane 1 -> colour 2
  row[16] = 0xFF;  // the hidden group
  color.insert(color.end(), row.begin(), row.end());
  d = Detect("pic.obj", color);
  engine = d->Find("TQoAtariSTColorSTarObjectEngine");
  ASSERT_NE(nullptr, engine);
  EXPECT_TRUE(engine->PaletteTypes.empty());
  bmp = engine->Decode();
  EXPECT_EQ(32, bmp->Width);
  EXPECT_EQ(1u, bmp->GetPixel(0, 0));
  EXPECT_EQ(2u, bmp->GetPixel(31, 0));
  EXPECT_EQ(0xFF0000u, bmp->Palette->GetRGBQuad(1));
  EXPECT_EQ(0xFFFFFFu, bmp->Palette->GetRGBQuad(2));

  // Icons: ICON_W 20 and ICON_H 2 need ICONSIZE 4.
  const std::string icon =
      "/* DEGAS Elite Icon Definition */\r\n#define ICON_W 20\r\n#define ICONSIZE 4\r\n"
      "#define ICON_H\t2\r\nint image[ICONSIZE] =\r\n{ 0xF000, 0x0000,\r\n  65535,0X8001 };\r\n";
  d = Detect("pic.icn", Text(icon));
  engine = d->Find("TQoAtariSTDegasEliteIconEngine");
  ASSERT_NE(nullptr, engine);
  EXPECT_EQ("Atari ST 20x2x1 DEGAS Elite icon", engine->GetDisplayName());
  bmp = engine->Decode();
  EXPECT_EQ((TBytes{0xF0, 0x00, 0x00}), Row(*bmp, 0, 3));
  EXPECT_EQ((TBytes{0xFF, 0xFF, 0x80}), Row(*bmp, 1, 3));  // bits past 20 are not shown
  std::string three = icon;
  three.replace(three.find("ICONSIZE 4"), 10, "ICONSIZE 3");
  EXPECT_EQ(nullptr, Detect("pic.icn", Text(three))->Find("TQoAtariSTDegasEliteIconEngine"));

  // Brushes: one byte a pixel, black paper and white ink; all zero is no brush.
  TBytes brush(64);
  EXPECT_EQ(nullptr, Detect("pic.bru", brush)->Find("TQoAtariSTDegasEliteBrushEngine"));
  brush[9] = 1;
  d = Detect("pic.bru", brush);
  engine = d->Find("TQoAtariSTDegasEliteBrushEngine");
  ASSERT_NE(nullptr, engine);
  EXPECT_EQ(11, engine->DetectFlags);
  bmp = engine->Decode();
  EXPECT_EQ(1u, bmp->GetPixel(1, 1));
  EXPECT_EQ(0xFFFFFFu, bmp->Palette->GetRGBQuad(1));
  brush[0] = 2;
  EXPECT_EQ(nullptr, Detect("pic.bru", brush)->Find("TQoAtariSTDegasEliteBrushEngine"));
}

TEST(QoAtariSTMonoTest, RealScreenDumpIsTakenAsAHighResolutionScreen) {
  QO_REQUIRE_SAMPLES();
  int checked = 0;
  QoCheckRealPictures(AtariRegistry(), {{"st-mono-screen", "TQoAtariSTDoodleEngine"}}, {},
                      [&](const TQoSample&, const std::string&, const TQoDetected& d) {
                        // A bare 32000-byte screen: the only engine of that size without a
                        // companion file is the high-resolution one. (This dump's bytes are a
                        // low-resolution screen that no header tells apart, so its picture is not
                        // pinned.)
                        EXPECT_EQ("TQoAtariSTDoodleEngine", d.First()->EngineClass);
                        auto bmp = d.First()->Decode();
                        EXPECT_EQ(640, bmp->Width);
                        EXPECT_EQ(400, bmp->Height);
                        ++checked;
                        return true;
                      });
  EXPECT_EQ(1, checked);
}
