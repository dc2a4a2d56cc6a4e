#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platforms/Corvette/QoOpenPlatformCorvette.h"
#include "support/QoEngineChecks.h"

namespace {

using TBytes = std::vector<uint8_t>;

TQoEngineRegistry CorvetteRegistry() {
  TQoEngineRegistry registry;
  RegisterCorvetteEngines(registry);
  return registry;
}

std::unique_ptr<TQoDetected> Detect(const std::string& name, TBytes bytes) {
  return QoDetectIn(CorvetteRegistry(), name, std::move(bytes));
}

// Bits written most significant first, as the GRF stream holds them.
struct TBitWriter {
  TBytes Bytes;
  std::size_t Bits = 0;
  void Put(unsigned value, int count) {
    for (int i = count - 1; i >= 0; --i) {
      if (Bits % 8 == 0) Bytes.push_back(0);
      if ((value >> i) & 1u) Bytes.back() |= static_cast<uint8_t>(0x80 >> (Bits % 8));
      ++Bits;
    }
  }
};

TBytes WithSignature(const char* signature, const TBytes& rest) {
  TBytes file(signature, signature + 6);
  file.insert(file.end(), rest.begin(), rest.end());
  return file;
}

}  // namespace

TEST(QoCorvetteTest, RegistersTheFamilyInOrder) {
  EXPECT_EQ((std::vector<std::string>{"TQoCorvetteGrfEngine", "TQoCorvettePicEngine",
                                      "TQoCorvetteWinEngine"}),
            QoClassNames(CorvetteRegistry()));
}

TEST(QoCorvetteTest, PlanesWeighTheirBitsByLayoutAndPaletteType) {
  // Pixel 9 of row 1 set in plane 1 only, pixel 10 in plane 2 only, pixel 11 in all three.
  TBytes pic(kQoCorvettePlanesSize);
  const std::size_t at = 64 + 1;
  pic[at] = 0x10;              // plane 0: pixel 11
  pic[16384 + at] = 0x50;      // plane 1: pixels 9 and 11
  pic[2 * 16384 + at] = 0x30;  // plane 2: pixels 10 and 11
  auto d = Detect("x.pic", pic);
  ASSERT_EQ("TQoCorvettePicEngine", d->First()->EngineClass);
  EXPECT_EQ(10, d->First()->DetectFlags);
  EXPECT_EQ("Corvette 512x256x3 GRIN image", d->First()->GetDisplayName());
  EXPECT_EQ(15, d->First()->AspectIndex);
  EXPECT_EQ((std::vector<uint8_t>{ptColoredLinear, ptColoredEMU}), d->First()->PaletteTypes);
  auto bmp = d->First()->Decode();
  EXPECT_EQ(4u, bmp->GetPixel(9, 1));
  EXPECT_EQ(2u, bmp->GetPixel(10, 1));
  EXPECT_EQ(7u, bmp->GetPixel(11, 1));
  EXPECT_EQ(0u, bmp->GetPixel(9, 0));
  // Index bit 0 blue, bit 1 red, bit 2 green, at the linear mapping's and EMU's levels.
  EXPECT_EQ(0x00BC00u, bmp->Palette->GetRGBQuad(4));
  EXPECT_EQ(0xBC0000u, bmp->Palette->GetRGBQuad(2));
  d->First()->PaletteType = ptColoredEMU;
  bmp = d->First()->Decode();
  EXPECT_EQ(0x00B400u, bmp->Palette->GetRGBQuad(4));
  EXPECT_EQ(0x4B4BFFu, bmp->Palette->GetRGBQuad(9));
  EXPECT_EQ(8, Detect("x.bin", pic)->First()->DetectFlags);

  // A window of width word 511 is the whole width; its planes take weights 2 and 4, and a
  // short file shows the missing rows as 0.
  TBytes win = WithSignature("WIN1.0", {0xFF, 0x01, 1});
  win.resize(9 + 3 * 64 * 2);
  win[9 + 64 + 1] = 0x50;        // plane 0, row 1: pixels 9 and 11
  win[9 + 128 + 64 + 1] = 0x50;  // plane 1, row 1: pixels 9 and 11
  win[9 + 256 + 64 + 1] = 0x30;  // plane 2, row 1: pixels 10 and 11
  for (auto [name, flags] : {std::pair{"x.win", 3}, std::pair{"x.bin", 1}}) {
    auto w = Detect(name, win);
    ASSERT_EQ("TQoCorvetteWinEngine", w->First()->EngineClass);
    EXPECT_EQ(flags, w->First()->DetectFlags);
  }
  auto w = Detect("x.win", win);
  EXPECT_EQ(512, w->First()->Width);
  EXPECT_EQ(2, w->First()->Height);
  bmp = w->First()->Decode();
  EXPECT_EQ(3u, bmp->GetPixel(9, 1));
  EXPECT_EQ(4u, bmp->GetPixel(10, 1));
  EXPECT_EQ(7u, bmp->GetPixel(11, 1));
  win.resize(9 + 64 * 2 + 10);  // planes 1 and 2 cut away
  bmp = Detect("x.win", win)->First()->Decode();
  EXPECT_EQ(1u, bmp->GetPixel(9, 1));
  EXPECT_EQ(0u, bmp->GetPixel(10, 1));

  TBytes wide = WithSignature("WIN1.0", {0x00, 0x02, 0, 0});
  EXPECT_EQ(0, Detect("x.win", wide)->Engines->Count());
  EXPECT_EQ(0, Detect("x.win", WithSignature("WIN1.0", {0x00, 0x00, 0}))->Engines->Count());
}

TEST(QoCorvetteTest, GrfBlocksUnpackAndABrokenStreamKeepsItsStart) {
  TBitWriter bits;
  bits.Put(0, 3);  // block 0: stored bytes 0, 1, ..., 63
  for (unsigned i = 0; i < 64; ++i) bits.Put(i, 8);
  bits.Put(1, 3), bits.Put(1, 1);     // block 1: all 0xFF
  bits.Put(2, 3), bits.Put(0xA5, 8);  // block 2: 0xA5 repeated
  bits.Put(3, 3), bits.Put(0x11, 8);  // block 3: default 0x11, byte 5 is 0x80
  for (unsigned i = 0; i < 64; ++i) {
    bits.Put(i == 5, 1);
    if (i == 5) bits.Put(0x80, 8);
  }
  for (int k = 4; k < 768; ++k) bits.Put(1, 3), bits.Put(0, 1);  // the rest clear
  std::vector<uint8_t> planes;
  ASSERT_TRUE(QoUnpackCorvetteGrf(TQoByteView(bits.Bytes.data(), bits.Bytes.size()), planes));
  ASSERT_EQ(kQoCorvettePlanesSize, planes.size());
  EXPECT_EQ(63, planes[63]);
  EXPECT_EQ(0xFF, planes[64]);
  EXPECT_EQ(0xFF, planes[127]);
  EXPECT_EQ(0xA5, planes[128]);
  EXPECT_EQ(0x11, planes[192 + 4]);
  EXPECT_EQ(0x80, planes[192 + 5]);
  EXPECT_EQ(0x11, planes[192 + 6]);
  EXPECT_EQ(0, planes[256]);

  // The packed picture draws as the same planes stored plainly.
  auto grf = Detect("x.grf", WithSignature("GRF1.0", bits.Bytes));
  ASSERT_EQ("TQoCorvetteGrfEngine", grf->First()->EngineClass);
  EXPECT_EQ(3, grf->First()->DetectFlags);
  auto pic = Detect("x.pic", planes);
  auto a = grf->First()->Decode();
  auto b = pic->First()->Decode();
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 512; ++x) ASSERT_EQ(b->GetPixel(x, y), a->GetPixel(x, y)) << x << "," << y;
  }

  // Cut in the middle of the third block, or with code 4 there: the first two stay.
  for (bool cut : {true, false}) {
    TBitWriter broken;
    broken.Put(1, 3), broken.Put(1, 1);
    broken.Put(2, 3), broken.Put(0xA5, 8);
    if (cut) {
      broken.Put(3, 3), broken.Put(0x11, 8), broken.Put(0, 1);
    } else {
      broken.Put(4, 3), broken.Put(0, 8);
    }
    const TBytes stream = broken.Bytes;
    EXPECT_FALSE(QoUnpackCorvetteGrf(TQoByteView(stream.data(), stream.size()), planes));
    EXPECT_EQ(0xFF, planes[0]);
    EXPECT_EQ(0xA5, planes[127]);
    EXPECT_EQ(cut ? 0x11 : 0x00, planes[128]);  // the cut block's default bytes up to the end
    EXPECT_EQ(0x00, planes[191]);
    auto d = Detect("x.grf", WithSignature("GRF1.0", stream));
    auto bmp = d->First()->Decode();
    EXPECT_EQ(1u, bmp->GetPixel(0, 0));
  }
  EXPECT_EQ(0, Detect("x.grf", WithSignature("GRF1.0", {}))->Engines->Count());
  auto bare = Detect("x.grf", WithSignature("GRF1.0", {0xE0}));  // code 7 at once
  ASSERT_EQ(1, bare->Engines->Count());
  EXPECT_EQ(0u, bare->First()->Decode()->GetPixel(0, 0));
}
