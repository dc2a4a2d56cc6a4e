#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platforms/MAG/QoOpenPlatformMAG.h"
#include "platforms/MSX/QoPlatformMSX.h"
#include "support/QoEngineChecks.h"

namespace {

using TBytes = std::vector<uint8_t>;

TQoEngineRegistry Registry() {
  TQoEngineRegistry registry;
  RegisterMAGEngines(registry);
  return registry;
}

void Put(TBytes& b, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

struct TMag {
  std::string Machine = "X68K";
  std::string Text;  // user name (19 bytes) and comment
  uint8_t Code = 0, Flags = 0, Mode = 0;
  uint16_t X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;
  TBytes Palette, FlagA, FlagB, Pixels;

  TBytes Build() const {
    TBytes b;
    for (char c : "MAKI02  " + Machine + Text) b.push_back(uint8_t(c));
    b.push_back(26);
    b.push_back(' ');  // padding before the header
    const uint32_t a = 32 + uint32_t(Palette.size());
    const uint32_t fb = a + uint32_t(FlagA.size());
    const uint32_t px = fb + uint32_t(FlagB.size());
    b.insert(b.end(), {0, Code, Flags, Mode});
    for (uint16_t v : {X0, Y0, X1, Y1}) Put(b, v, 2);
    for (uint32_t v : {a, fb, uint32_t(FlagB.size()), px, uint32_t(Pixels.size())}) Put(b, v, 4);
    for (const TBytes* part : {&Palette, &FlagA, &FlagB, &Pixels}) {
      b.insert(b.end(), part->begin(), part->end());
    }
    return b;
  }
};

std::string Pixels(const TQoBitmap& bmp, int y) {
  std::string s;
  for (int x = 0; x < bmp.Width; ++x) s += "0123456789ABCDEF"[bmp.GetPixel(x, y) & 15];
  return s;
}

TEST(QoMAGTest, RegistersTheOneEngine) {
  EXPECT_EQ(QoClassNames(Registry()), std::vector<std::string>{"TQoMAGv2Engine"});
  QoExpectModuleInStartUpOrder({"TQoMAGv2Engine"}, "TQoIBMADFEngine", "TQoSC2Engine");
}

TEST(QoMAGTest, ShiftJisTextsBecomeUtf8AndNeverRaise) {
  EXPECT_EQ(QoShiftJisToUtf8("\x93\xfa\x96\x7b ok"), "日本 ok");
  EXPECT_EQ(QoShiftJisToUtf8("a\x93"), "a?");  // a lead byte cut off by the end
  EXPECT_EQ(QoShiftJisToUtf8(""), "");
  EXPECT_EQ(QoShiftJisToUtf8("\xB1\x81\x40"), "\xEF\xBD\xB1\xE3\x80\x80");  // katakana, wide space
  EXPECT_EQ(QoTrimText("\xE3\x80\x80 x y \t"), "x y");
}

TEST(QoMAGTest, FlagLinesCopyWordsFromEarlierPositions) {
  // 16 colours, x 5 to 12 over two lines: the 8-byte lines start at byte 0 and five
  // unpacked pixels of each line lie before the picture.
  TMag m;
  m.Text = std::string("Taro") + std::string(15, ' ') + "  \x93\xfa\x96\x7b  ";
  m.X0 = 5, m.X1 = 12, m.Y1 = 1;
  m.Palette = TBytes(8 * 3, 0);  // eight entries; the rest of the 16 read as black
  m.Palette[6 * 3 + 0] = 0xFF, m.Palette[6 * 3 + 1] = 0x80, m.Palette[6 * 3 + 2] = 0x08;
  // Flag A bits 0110: the flag line goes 00 05, then 44 05 (flag B bytes XOR'd in).
  m.FlagA = {0x60};
  m.FlagB = {0x05, 0x44};
  m.Pixels = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0};
  auto d = QoDetectIn(Registry(), "p.mag", m.Build());
  TQoSourceEngine& e = *d->First();
  EXPECT_EQ(e.DetectFlags, 3);
  EXPECT_EQ(e.GetDisplayName(), "X68K 8x2x4 image");
  EXPECT_EQ(e.InfoName, "Taro");
  EXPECT_EQ(e.InfoTitle, "日本");
  EXPECT_EQ(e.PaletteType, ptRGB555);
  auto bmp = e.Decode();
  // Line 0: four new words, then nibble 5 (a line up, a word left) before the output: 0.
  EXPECT_EQ(Pixels(*bmp, 0), "6789ABC0");
  // Line 1: nibble 4 copies the line above, 0 takes a new word, 5 the word up-left.
  EXPECT_EQ(Pixels(*bmp, 1), "678DEF09");
  EXPECT_EQ(e.Palette->GetRGBQuad(6), 0x84FF08u);  // green, red, blue at 5 bits
  EXPECT_EQ(e.Palette->GetRGBQuad(9), 0u);
  e.PaletteType = ptRGB888;
  e.Decode();
  EXPECT_EQ(e.Palette->GetRGBQuad(6), 0x80FF08u);

  // The placeholder name counts as none; another extension only keeps the signature.
  m.Text = std::string(">\x93\xe4<") + std::string(15, ' ');
  d = QoDetectIn(Registry(), "p.bin", m.Build());
  EXPECT_EQ(d->First()->DetectFlags, 1);
  EXPECT_EQ(d->First()->InfoName, "");
  // Offsets out of order or past the data are not a MAG picture.
  TBytes bad = m.Build();
  bad[8 + 4 + m.Text.size() + 2 + 12] = 0xFF;  // flag A offset beyond flag B
  EXPECT_TRUE(QoDetectIn(Registry(), "p.mag", bad)->Classes().empty());
}

TEST(QoMAGTest, MSXPicturesFollowTheirScreen) {
  // SCREEN 12, interlaced: one byte a pixel though the corners count nibbles.
  TMag m;
  m.Machine = "MSX2";
  m.Text = std::string(19, ' ');
  m.Code = 3, m.Flags = 0x40, m.X1 = 7, m.Y1 = 0;
  m.FlagA = {0x00};
  m.FlagB = {0x00};
  m.Pixels = {0x81, 0x92, 0xA3, 0xB4};  // Y 16..22; K = 2*8+1, J = 4*8+3 (negative)
  auto d = QoDetectIn(Registry(), "p.mag", m.Build());
  TQoSourceEngine& e = *d->First();
  EXPECT_EQ(e.GetDisplayName(), "MSX2+ 4x1x15 screen 12 interlaced image");
  EXPECT_EQ(e.AspectIndex, 51);
  EXPECT_EQ(e.GetPaletteTypeCount(), 0);
  auto bmp = e.Decode();
  EXPECT_EQ(bmp->GetPixel(0, 0), QoYJKToRGB(0x81 >> 3, 35 - 64, 17));
  EXPECT_EQ(bmp->GetPixel(3, 0), QoYJKToRGB(0xB4 >> 3, 35 - 64, 17));

  // SCREEN 8, not interlaced: the fixed 256 colours unless an RGB type is chosen.
  m.Flags = 0x14, m.Mode = 0x80, m.X1 = 3;
  d = QoDetectIn(Registry(), "p.mag", m.Build());
  TQoSourceEngine& e8 = *d->First();
  EXPECT_EQ(e8.GetDisplayName(), "MSX2 4x1x8 screen 8 image");
  EXPECT_EQ(e8.AspectIndex, 34);
  EXPECT_EQ(e8.PaletteType, ptMSX9938);
  bmp = e8.Decode();
  TQoPalette256 screen8;
  QoSetScreen8Palette(screen8, ptMSX9938);
  EXPECT_EQ(bmp->GetPixel(2, 0), 0xA3u);
  EXPECT_EQ(e8.Palette->GetRGBQuad(0xA3), screen8.GetRGBQuad(0xA3));

  // SCREEN 6 has two pixels a unit; a header of code 0 named MSX2 is an MSX picture.
  m.Flags = 0x64, m.Mode = 0, m.X1 = 7;
  d = QoDetectIn(Registry(), "p.mag", m.Build());
  EXPECT_EQ(d->First()->GetDisplayName(), "MSX2 16x1x2 screen 6 image");
  bmp = d->First()->Decode();
  EXPECT_EQ(bmp->GetPixel(0, 0), 2u);  // 0x81: pairs 10 00 00 01
  EXPECT_EQ(bmp->GetPixel(3, 0), 1u);
  m.Code = 0, m.Mode = 1;
  d = QoDetectIn(Registry(), "p.mag", m.Build());
  EXPECT_EQ(d->First()->PaletteType, ptMSX9938);
  EXPECT_EQ(d->First()->AspectIndex, 9);
  m.Mode = 0;
  EXPECT_EQ(QoDetectIn(Registry(), "p.mag", m.Build())->First()->AspectIndex, 34);
}

}  // namespace
