#include <gtest/gtest.h>

#include "color/QoAspect.h"
#include "platforms/ElementZX/QoOpenPlatformElementZX.h"
#include "platforms/QoPlatformModules.h"
#include "support/QoEngineChecks.h"

namespace {

using TBytes = std::vector<uint8_t>;

TQoEngineRegistry ElementRegistry() {
  TQoEngineRegistry registry;
  RegisterElementZXEngines(registry);
  return registry;
}

std::unique_ptr<TQoDetected> Detect(const std::string& name, TBytes bytes) {
  return QoDetectIn(ElementRegistry(), name, std::move(bytes));
}

// Puts pixel byte j of row y and the attribute of its 8 x 4 cell into an HRC picture.
void PutHrc(TBytes& file, std::size_t at, int y, int j, uint8_t pixels, uint8_t attribute) {
  file[at + 64 * static_cast<std::size_t>(y) + static_cast<std::size_t>(j)] = pixels;
  file[at + 12288 + 64 * static_cast<std::size_t>(y / 4) + static_cast<std::size_t>(j)] = attribute;
}

std::vector<uint32_t> Row(const TQoBitmap& bmp, int x, int y, int n) {
  std::vector<uint32_t> out;
  for (int i = 0; i < n; ++i) out.push_back(bmp.GetPixel(x + i, y));
  return out;
}

}  // namespace

TEST(QoElementZXTest, RegistersItsFourteenModesBeforeIBM) {
  const std::vector<std::string> classes = {"TQoElementZXSCRGigaEngine",
                                            "TQoElementZXSCRLayerEngine",
                                            "TQoElementZXTimexHiColorEngine",
                                            "TQoElementZXRadastanEngine",
                                            "TQoElementZXHRCEngine",
                                            "TQoElementZXHRCGigaEngine",
                                            "TQoElementZXHRCLayerEngine",
                                            "TQoElementZXHRXCEngine",
                                            "TQoElementZXHRXCLayerEngine",
                                            "TQoElementZXHGFX256x192Engine",
                                            "TQoElementZXHGFX512x192Engine",
                                            "TQoElementZXHGFX512x384Engine",
                                            "TQoElementZXHGFXHAM256x192Engine",
                                            "TQoElementZXHGFXHAM512x192Engine"};
  EXPECT_EQ(classes, QoClassNames(ElementRegistry()));
  QoExpectModuleInStartUpOrder(classes, "TQoMS0515BWEngine", "TQoIBMADFEngine");
}

TEST(QoElementZXTest, TwoScreensAlternateOrLieOneOverTheOther) {
  // Screen 1: row 9 (character row 1), byte 2 = 0xF0 in blue ink on black; screen 2 the
  // same byte 0x3C in bright red ink on green paper.
  TBytes giga(13824);
  giga[QoZxPixelOffset(9, 2)] = 0xF0;
  giga[6144 + 32 + 2] = 0x01;
  giga[6912 + QoZxPixelOffset(9, 2)] = 0x3C;
  giga[6912 + 6144 + 32 + 2] = 0x40 | 4 << 3 | 2;
  auto d = Detect("p.gsc", giga);
  TQoSourceEngine& engine = *d->First();
  ASSERT_EQ("TQoElementZXSCRGigaEngine", engine.EngineClass);
  EXPECT_EQ(10, engine.DetectFlags);
  EXPECT_EQ("EleMeNt ZX/MB03+", engine.PlatformName);
  EXPECT_EQ(2, engine.FrameCount);
  EXPECT_TRUE(engine.PaletteTypes.empty());
  auto bmp = engine.Decode();
  // Combined index: colour of screen 1 * 16 + colour of screen 2.
  EXPECT_EQ((std::vector<uint32_t>{1 * 16 + 12, 1 * 16 + 12, 1 * 16 + 10, 1 * 16 + 10, 0 * 16 + 10,
                                   0 * 16 + 10, 0 * 16 + 12, 0 * 16 + 12}),
            Row(*bmp, 16, 9, 8));
  EXPECT_EQ(0, bmp->FrameCount());
  // The board mixes the stored bytes: blue (0, 0, 182) and black give (0, 0, 91).
  EXPECT_EQ(0x00005Bu, bmp->Palette->GetRGBQuad(0 * 16 + 1));
  EXPECT_EQ(0x0000B6u, bmp->Palette->GetRGBQuad(1 * 16 + 1));
  EXPECT_TRUE(engine.Palette->GetPColor(1 * 16 + 0).Excluded);
  EXPECT_FALSE(engine.Palette->GetPColor(0 * 16 + 1).Excluded);

  // The same two screens layered: screen 2 over screen 1, its key colour letting the
  // lower one show.
  TBytes layer = giga;
  layer.push_back(0);
  auto l = Detect("p.skl", layer);
  ASSERT_EQ("TQoElementZXSCRLayerEngine", l->First()->EngineClass);
  // Key 0: upper black (0 or 8) shows the lower; key 8 is the same; key 12 lets the
  // bright green paper through instead.
  EXPECT_EQ((std::vector<uint32_t>{12, 12, 10, 10, 10, 10, 12, 12}),
            Row(*l->First()->Decode(), 16, 9, 8));
  layer.back() = 8;
  EXPECT_EQ((std::vector<uint32_t>{12, 12, 10, 10, 10, 10, 12, 12}),
            Row(*Detect("p.skl", layer)->First()->Decode(), 16, 9, 8));
  layer.back() = 12;
  EXPECT_EQ((std::vector<uint32_t>{1, 1, 10, 10, 10, 10, 0, 0}),
            Row(*Detect("p.skl", layer)->First()->Decode(), 16, 9, 8));
  // A key of 0 also lets the lower screen through where the upper shows plain black.
  layer.back() = 0;
  layer[6912 + 6144 + 32 + 2] = 0x02;  // red ink on black paper
  EXPECT_EQ((std::vector<uint32_t>{1, 1, 2, 2, 2, 2, 0, 0}),
            Row(*Detect("p.skl", layer)->First()->Decode(), 16, 9, 8));
  layer.back() = 16;
  EXPECT_TRUE(Detect("p.skl", layer)->Classes().empty());

  // Two HRC pictures of 8 x 4 cells: alternating, and layered over a key of 9.
  TBytes hrc(30720);
  PutHrc(hrc, 0, 7, 63, 0x80, 0x0F);          // white ink on blue paper
  PutHrc(hrc, 15360, 7, 63, 0x01, 0x40 | 1);  // bright blue ink on bright black paper
  auto h = Detect("p.bin", hrc);
  TQoSourceEngine& pair = *h->First();
  ASSERT_EQ("TQoElementZXHRCGigaEngine", pair.EngineClass);
  EXPECT_EQ(8, pair.DetectFlags);
  EXPECT_EQ(kQoAspect1to2, pair.AspectIndex);
  auto hb = pair.Decode();
  const auto pick = [](const TQoBitmap& b, int y) {
    return std::vector<uint32_t>{b.GetPixel(504, y), b.GetPixel(505, y), b.GetPixel(511, y)};
  };
  EXPECT_EQ((std::vector<uint32_t>{7 * 16 + 8, 1 * 16 + 8, 1 * 16 + 9}), pick(*hb, 7));
  EXPECT_EQ((std::vector<uint32_t>{1 * 16 + 8, 1 * 16 + 8, 1 * 16 + 8}), pick(*hb, 4));
  EXPECT_EQ((std::vector<uint32_t>{0, 0, 0}), pick(*hb, 3));  // the cell above
  TBytes hkl = hrc;
  hkl.push_back(9);
  auto k = Detect("p.hkl", hkl);
  ASSERT_EQ("TQoElementZXHRCLayerEngine", k->First()->EngineClass);
  EXPECT_EQ((std::vector<uint32_t>{8, 8, 1}), pick(*k->First()->Decode(), 7));
}

TEST(QoElementZXTest, SinglePicturesInTheBoardsColours) {
  // Timex hi-colour: each pixel byte with the attribute 6,144 bytes on, in the 182 colours.
  TBytes thc(12288);
  thc[QoZxPixelOffset(100, 4)] = 0x80;
  thc[6144 + QoZxPixelOffset(100, 4)] = 0x40 | 6 << 3 | 1;
  auto t = Detect("p.thc", thc);
  ASSERT_EQ("TQoElementZXTimexHiColorEngine", t->First()->EngineClass);
  EXPECT_EQ("EleMeNt ZX/MB03+ 256x192x4 Timex HiColor image", t->First()->GetDisplayName());
  auto tb = t->First()->Decode();
  EXPECT_EQ((std::vector<uint32_t>{9, 14}), Row(*tb, 32, 100, 2));
  EXPECT_EQ(0xB60000u, tb->Palette->GetRGBQuad(2));
  EXPECT_EQ(0x00FFFFu, tb->Palette->GetRGBQuad(13));

  // Radastan: 64 bytes a row, high nibble first, 16 ULAplus colours (blue on the v1.1 scale).
  TBytes rad(6160);
  rad[64 * 95 + 63] = 0x2F;
  rad[6144 + 15] = 0x02;
  rad[6144 + 2] = 0xE0;
  auto r = Detect("p.rad", rad);
  TQoSourceEngine& radastan = *r->First();
  ASSERT_EQ("TQoElementZXRadastanEngine", radastan.EngineClass);
  EXPECT_EQ("ZX Spectrum 128x96x4 Radastan image", radastan.GetDisplayName());
  auto rb = radastan.Decode();
  EXPECT_EQ((std::vector<uint32_t>{2, 15}), Row(*rb, 126, 95, 2));
  EXPECT_EQ(0x0000B6u, rb->Palette->GetRGBQuad(15));
  EXPECT_EQ(0x00FF00u, rb->Palette->GetRGBQuad(2));

  // HRC: the pixels alone are monochrome, set pixels black; with attributes, 8 x 4 cells.
  TBytes mono(12288);
  mono[64 * 191 + 63] = 0x01;
  auto m = Detect("p.hrc", mono);
  ASSERT_EQ("TQoElementZXHRCEngine", m->First()->EngineClass);
  EXPECT_EQ(1, m->First()->ColorDepth);
  auto mb = m->First()->Decode();
  EXPECT_EQ((std::vector<uint32_t>{0, 1}), Row(*mb, 510, 191, 2));
  EXPECT_EQ(0x000000u, mb->Palette->GetRGBQuad(1));
  TBytes colour(15360);
  PutHrc(colour, 0, 9, 1, 0x40, 0x40 | 2 << 3 | 5);
  auto c = Detect("p.hrc", colour);
  ASSERT_EQ("TQoElementZXHRCEngine", c->First()->EngineClass);
  EXPECT_EQ("EleMeNt ZX/MB03+ 512x192x4 HRC image", c->First()->GetDisplayName());
  EXPECT_EQ(kQoAspect1to2, c->First()->AspectIndex);
  auto cb = c->First()->Decode();
  EXPECT_EQ((std::vector<uint32_t>{10, 13, 10}), Row(*cb, 8, 9, 3));
  EXPECT_EQ(10u, cb->GetPixel(8, 8));  // the cell's top line: paper
  EXPECT_EQ(0u, cb->GetPixel(8, 12));  // the next cell down

  // HRXC: 16 inks (entries 0-15) and 16 papers (16-31) of 32 stored colours B, G, R.
  TBytes hrx(15456);
  PutHrc(hrx, 0, 0, 0, 0x80, 0x3A);
  hrx[15360 + 3 * 10 + 0] = 0x11, hrx[15360 + 3 * 10 + 1] = 0x22, hrx[15360 + 3 * 10 + 2] = 0x33;
  hrx[15360 + 3 * 19 + 2] = 0xFF;
  auto x = Detect("p.hrx", hrx);
  ASSERT_EQ("TQoElementZXHRXCEngine", x->First()->EngineClass);
  auto xb = x->First()->Decode();
  EXPECT_EQ((std::vector<uint32_t>{10, 19}), Row(*xb, 0, 0, 2));
  EXPECT_EQ(0x332211u, xb->Palette->GetRGBQuad(10));
  EXPECT_EQ(0xFF0000u, xb->Palette->GetRGBQuad(19));

  // Two HRXC pictures layered: the upper's colours are entries 32-63 and its key index
  // (here 19, the paper of attribute 0x3A) lets the lower show.
  TBytes xkl(30913);
  std::copy(hrx.begin(), hrx.end(), xkl.begin());
  PutHrc(xkl, 15456, 0, 0, 0xC0, 0x3A);
  xkl[15456 + 15360 + 3 * 10] = 0x44;
  xkl[30912] = 19;
  auto xl = Detect("p.xkl", xkl);
  ASSERT_EQ("TQoElementZXHRXCLayerEngine", xl->First()->EngineClass);
  EXPECT_EQ(2, xl->First()->FrameCount);
  auto xlb = xl->First()->Decode();
  ASSERT_EQ(64, xlb->Palette->GetCount());
  EXPECT_EQ((std::vector<uint32_t>{42, 42, 19}), Row(*xlb, 0, 0, 3));
  EXPECT_EQ(0x000044u, xlb->Palette->GetRGBQuad(42));
  xkl[30912] = 32;
  EXPECT_TRUE(Detect("p.xkl", xkl)->Classes().empty());
}

TEST(QoElementZXTest, PlanesAndHoldAndModify) {
  // The size tells the planes: 6,150 bytes is one plane and 2 colours, 12,300 two and 4.
  TBytes one(6150);
  one[6144 + 3 + 1] = 0xFF;  // colour 1 is green
  one[0] = 0x40;
  auto o = Detect("p.hgl", one);
  ASSERT_EQ("TQoElementZXHGFX256x192Engine", o->First()->EngineClass);
  EXPECT_EQ(1, o->First()->ColorDepth);
  auto ob = o->First()->Decode();
  EXPECT_EQ(1, ob->BitsPerPixel);
  EXPECT_EQ((std::vector<uint32_t>{0, 1}), Row(*ob, 0, 0, 2));
  EXPECT_EQ(0x00FF00u, ob->Palette->GetRGBQuad(1));

  TBytes two(12300);
  two[32 * 5 + 1] = 0x01;         // plane 0: pixel 15 of row 5
  two[6144 + 32 * 5 + 1] = 0x03;  // plane 1: pixels 14 and 15
  auto t = Detect("p.bin", two);
  ASSERT_EQ("TQoElementZXHGFX256x192Engine", t->First()->EngineClass);
  EXPECT_EQ(8, t->First()->DetectFlags);
  EXPECT_EQ(2, t->First()->ColorDepth);
  auto tb = t->First()->Decode();
  EXPECT_EQ(4, tb->BitsPerPixel);
  EXPECT_EQ(4, tb->Palette->GetCount());
  EXPECT_EQ((std::vector<uint32_t>{0, 2, 3}), Row(*tb, 13, 5, 3));

  // Three planes at 512 x 192: an 8-bit bitmap of 8 colours.
  TBytes three(12288 * 3 + 24);
  three[2 * 12288 + 64 * 191 + 63] = 0x01;
  auto w = Detect("p.hgh", three);
  ASSERT_EQ("TQoElementZXHGFX512x192Engine", w->First()->EngineClass);
  EXPECT_EQ(kQoAspect1to2, w->First()->AspectIndex);
  auto wb = w->First()->Decode();
  EXPECT_EQ(8, wb->BitsPerPixel);
  EXPECT_EQ(4u, wb->GetPixel(511, 191));
  EXPECT_EQ(4u, Detect("p.shr", TBytes(24576 * 4 + 48))->First()->ColorDepth);

  // Hold-and-modify: 00 takes a palette colour, 01 sets blue, 10 red, 11 green from the
  // low six bits (shifted up two); the colour carries on to the next row.
  TBytes ham(49344);
  const uint8_t values[4] = {0x7F, 0x81, 0xC0 | 0x20, 0x05};
  for (int i = 0; i < 4; ++i) {
    for (int l = 0; l < 8; ++l) {
      if (values[i] & (1 << l)) ham[6144 * static_cast<std::size_t>(l) + 31] |= 0x08 >> i;
    }
  }
  ham[6144 * 6 + 32] = 0x80;  // row 1 starts with 0x40: blue from the low bits, 0
  ham[49152 + 3 * 5 + 0] = 0x10, ham[49152 + 3 * 5 + 1] = 0x20, ham[49152 + 3 * 5 + 2] = 0x30;
  auto h = Detect("p.ham", ham);
  TQoSourceEngine& hold = *h->First();
  ASSERT_EQ("TQoElementZXHGFXHAM256x192Engine", hold.EngineClass);
  EXPECT_EQ("EleMeNt ZX/MB03+ 256x192x24 HGFX HAM image", hold.GetDisplayName());
  auto hb = hold.Decode();
  EXPECT_EQ((std::vector<uint32_t>{0x000000, 0x0000FC, 0x0400FC, 0x0480FC, 0x302010}),
            Row(*hb, 251, 0, 5));
  EXPECT_EQ(0x302000u, hb->GetPixel(0, 1));
  EXPECT_EQ("TQoElementZXHGFXHAM512x192Engine",
            Detect("p.ham", TBytes(98496))->First()->EngineClass);
}
