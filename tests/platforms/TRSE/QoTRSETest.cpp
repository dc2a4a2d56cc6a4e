#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platforms/AmstradCPC/QoPlatformAmstradCPC.h"
#include "platforms/Commodore64/QoPlatformCommodore64.h"
#include "platforms/TRSE/QoOpenPlatformTRSE.h"
#include "support/QoEngineChecks.h"

namespace {

using TBytes = std::vector<uint8_t>;

TQoEngineRegistry Registry() {
  TQoEngineRegistry registry;
  RegisterTRSEEngines(registry);
  return registry;
}

// A FLUFF64 file; a footer, when given, is 256 bytes that start with 0x40, 0x45.
TBytes Fluff(uint8_t type, uint8_t sub, const TBytes& body, const TBytes& footerColors = {},
             bool footer = false) {
  TBytes b = {'F', 'L', 'U', 'F', 'F', '6', '4', 0, 0, 0, 0, type, sub};
  b.insert(b.end(), body.begin(), body.end());
  if (footer || !footerColors.empty()) {
    TBytes f(256, 0);
    f[0] = 0x40, f[1] = 0x45;
    std::copy(footerColors.begin(), footerColors.end(), f.begin() + 192);
    b.insert(b.end(), f.begin(), f.end());
  }
  return b;
}

void PutLE32(TBytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

TEST(QoTRSETest, RegistersTheOneEngine) {
  EXPECT_EQ(QoClassNames(Registry()), std::vector<std::string>{"TQoTRSEEngine"});
  QoExpectModuleInStartUpOrder({"TQoTRSEEngine"}, "TQoTimexBWGigaEngine", "TQoUKNCEngine");
}

TEST(QoTRSETest, PixelBodiesTakeTheirTargetsPalette) {
  // Amiga NTSC with a palette of three colours: depth 2, values masked with 3.
  TBytes body(64000, 0);
  body[0] = 2, body[1] = 7;
  body.insert(body.end(), {3, 10, 20, 30, 40, 50, 60, 70, 80, 90});
  auto d = QoDetectIn(Registry(), "a.flf", Fluff(12, 0, body));
  TQoSourceEngine* e = d->First();
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->DetectFlags, 11);
  EXPECT_EQ(e->GetDisplayName(), "Amiga 320x200x2 TRSE NTSC");
  auto bmp = e->Decode();
  EXPECT_EQ(bmp->GetPixel(0, 0), 2u);
  EXPECT_EQ(bmp->GetPixel(1, 0), 3u);
  EXPECT_EQ(e->Palette->GetRGBQuad(2), 0x46505Au);
  // Count byte 0 means 256 colours; one triple short is not a picture.
  body.resize(64000);
  body.push_back(0);
  body.resize(64000 + 1 + 768, 1);
  d = QoDetectIn(Registry(), "a.bin", Fluff(22, 0, body));
  ASSERT_NE(d->First(), nullptr);
  EXPECT_EQ(d->First()->DetectFlags, 9);
  EXPECT_EQ(d->First()->GetDisplayName(), "Atari ST 320x200x8 TRSE image");
  body.pop_back();
  EXPECT_TRUE(QoDetectIn(Registry(), "a.flf", Fluff(22, 0, body))->Classes().empty());

  // BBC Micro mode 5: footer colours when they are BBC colours and not all black.
  TBytes bbc(40961, 0);
  bbc[0] = 5, bbc[1] = 1, bbc[2] = 3;
  d = QoDetectIn(Registry(), "b.flf", Fluff(26, 12, bbc, {0, 4, 6, 2}));
  e = d->First();
  EXPECT_EQ(e->GetDisplayName(), "BBC Micro 160x256x2 TRSE mode 5 image");
  bmp = e->Decode();
  EXPECT_EQ(bmp->GetPixel(0, 0), 1u);
  EXPECT_EQ(bmp->GetPixel(1, 0), 3u);
  EXPECT_EQ(e->Palette->GetRGBQuad(1), 0x0000FFu);
  for (const TBytes& colors : {TBytes{0, 0, 0, 0}, TBytes{0, 4, 8, 2}}) {
    d = QoDetectIn(Registry(), "b.flf", Fluff(26, 12, bbc, colors, true));
    d->First()->Decode();
    EXPECT_EQ(d->First()->Palette->GetRGBQuad(1), 0xFF0000u);  // the mode's red
    EXPECT_EQ(d->First()->Palette->GetRGBQuad(2), 0xFFFF00u);
  }

  // Amstrad CPC: inks are footer colour numbers; 27 and above give colour 0.
  TBytes cpc(32000, 0);
  cpc[0] = 0x1F, cpc[1] = 2;
  TBytes inks(16, 0);
  inks[15] = 26, inks[2] = 30;
  d = QoDetectIn(Registry(), "c.flf", Fluff(24, 11, cpc, inks));
  e = d->First();
  EXPECT_EQ(e->GetDisplayName(), "Amstrad CPC 160x200x4 TRSE mode 0 image");
  EXPECT_EQ(e->GetPaletteTypeCount(), 4);
  bmp = e->Decode();
  TQoPalette256 firmware;
  QoSetCPCPalette27(firmware, ptCPCGateArray);
  EXPECT_EQ(bmp->GetPixel(0, 0), 15u);
  EXPECT_EQ(e->Palette->GetRGBQuad(15), firmware.GetRGBQuad(26));
  EXPECT_EQ(e->Palette->GetRGBQuad(2), firmware.GetRGBQuad(0));
  // Without the footer the CPC picture is not one.
  EXPECT_TRUE(QoDetectIn(Registry(), "c.flf", Fluff(24, 11, cpc))->Classes().empty());

  // A footer is cut off even where the type never reads it; then sized heads.
  d = QoDetectIn(Registry(), "g.flf", Fluff(11, 3, TBytes(64000, 6), {}, true));
  EXPECT_EQ(d->First()->GetDisplayName(), "IBM 320x200x2 TRSE CGA image");
  d->First()->Decode();
  EXPECT_EQ(d->First()->Palette->GetRGBQuad(2), 0xFF55FFu);
  TBytes sized;
  PutLE32(sized, 3);
  PutLE32(sized, 2);
  sized.insert(sized.end(), {0x1E, 1, 2, 3, 4, 5});
  d = QoDetectIn(Registry(), "i.flf", Fluff(36, 16, sized));
  EXPECT_EQ(d->First()->GetDisplayName(), "IBM 3x2x4 TRSE CGA image");
  EXPECT_EQ(d->First()->Decode()->GetPixel(0, 0), 14u);
  d = QoDetectIn(Registry(), "k.flf", Fluff(43, 17, sized));
  EXPECT_EQ(d->First()->GetDisplayName(), "3x2x2 TRSE image");
  EXPECT_EQ(d->First()->Decode()->GetPixel(0, 0), 2u);
  sized.push_back(0);
  EXPECT_TRUE(QoDetectIn(Registry(), "i.flf", Fluff(36, 16, sized))->Classes().empty());
}

TEST(QoTRSETest, CommodoreCellsAndCharactersTakeTheirColourBytes) {
  // Multicolour: pairs of pixels share a value, the low bits leftmost.
  TBytes body(2 + 12000, 0);
  body[2] = 0b00'01'10'11;
  body[2 + 8] = 1, body[2 + 9] = 2, body[2 + 10] = 0x13, body[2 + 11] = 4;
  auto d = QoDetectIn(Registry(), "m.flf", Fluff(1, 0, body));
  TQoSourceEngine& e = *d->First();
  EXPECT_EQ(e.GetDisplayName(), "Commodore 64 320x200x4 TRSE image");
  EXPECT_EQ(e.AspectIndex, kQoC64HiresAspect);
  auto bmp = e.Decode();
  std::vector<uint32_t> row;
  for (int x = 0; x < 8; ++x) row.push_back(bmp->GetPixel(x, 0));
  EXPECT_EQ(row, (std::vector<uint32_t>{4, 4, 3, 3, 2, 2, 1, 1}));
  TQoPalette256 c64;
  QoSetCommodore64Palette(c64, ptCommandore64Dark);
  EXPECT_EQ(e.Palette->GetRGBQuad(3), c64.GetRGBQuad(3));
  // Hires: one bit a pixel, bit 0 leftmost.
  body.resize(12005, 0);
  body[5] = 0x01;
  body[5 + 8] = 6, body[5 + 9] = 7;
  d = QoDetectIn(Registry(), "h.flf", Fluff(6, 0, body));
  bmp = d->First()->Decode();
  EXPECT_EQ(bmp->GetPixel(0, 0), 7u);
  EXPECT_EQ(bmp->GetPixel(1, 0), 6u);

  // A character screen of 2 x 1 cells: colours, then character codes from the ROM.
  TBytes chars(16, 0);
  chars[0] = 0x16, chars[2] = 2, chars[3] = 1;
  chars.insert(chars.end(), {0x25, 3, 1, 0});
  d = QoDetectIn(Registry(), "t.flf", Fluff(7, 0, chars));
  TQoSourceEngine& t = *d->First();
  EXPECT_EQ(t.GetDisplayName(), "Commodore 64 16x8x4 TRSE image");
  bmp = t.Decode();
  for (int line = 0; line < 8; ++line) {
    for (int x = 0; x < 8; ++x) {
      const bool set = (kQoCommodore64Charset[8 + line] >> (7 - x)) & 1;
      EXPECT_EQ(bmp->GetPixel(x, line), set ? 5u : 6u);
    }
  }
}

TEST(QoTRSETest, CGAPalettesOfEveryType) {
  TQoPalette256 p;
  QoSetCGAPalette4(p, ptBackGreenRedYellowHigh);
  EXPECT_EQ(p.GetCount(), 4);
  EXPECT_EQ(p.GetRGBQuad(0), 0u);
  EXPECT_EQ(p.GetRGBQuad(1), 0x44FF55u);
  QoSetCGAPalette4(p, ptBackCyanRedWhiteLow);
  EXPECT_EQ(p.GetRGBQuad(2), 0xAA0000u);
  QoSetCGAPalette4(p, ptBackGreenRedYellowLow);
  EXPECT_EQ(p.GetRGBQuad(3), 0xAA5500u);
  EXPECT_THROW(QoSetCGAPalette4(p, ptRGB888), EQoError);
  QoSetCGAPalette16(p);
  EXPECT_EQ(p.GetCount(), 16);
  EXPECT_EQ(p.GetRGBQuad(6), 0xAA5500u);
  EXPECT_EQ(p.GetRGBQuad(9), 0x5555FFu);
}

}  // namespace
