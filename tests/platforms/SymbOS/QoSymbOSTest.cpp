#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platforms/SymbOS/QoOpenPlatformSymbOS.h"
#include "support/QoEngineChecks.h"

namespace {

using TBytes = std::vector<uint8_t>;

TQoEngineRegistry Registry() {
  TQoEngineRegistry registry;
  RegisterSymbOSEngines(registry);
  return registry;
}

// Writes a ZX0 stream: bits most significant first in bytes placed where the reader
// meets them, interlaced Elias-gamma codes.
struct TZX0Writer {
  TBytes Out;
  std::size_t BitsAt = 0;
  uint8_t Mask = 0;

  void Bit(unsigned b) {
    if (Mask == 0) {
      Out.push_back(0);
      BitsAt = Out.size() - 1;
      Mask = 0x80;
    }
    if (b) Out[BitsAt] |= Mask;
    Mask >>= 1;
  }
  // The code's bits; skipFirst leaves out the first, which went into an offset byte.
  std::vector<unsigned> GammaBits(unsigned v, bool inverted) {
    std::vector<unsigned> bits;
    int top = 31;
    while (!((v >> top) & 1)) --top;
    for (int i = top - 1; i >= 0; --i) {
      bits.push_back(0);
      bits.push_back(((v >> i) & 1) ^ (inverted ? 1u : 0u));
    }
    bits.push_back(1);
    return bits;
  }
  void Gamma(unsigned v, bool inverted = false) {
    for (unsigned b : GammaBits(v, inverted)) Bit(b);
  }
  void Literals(const TBytes& bytes) {
    Gamma(unsigned(bytes.size()));
    Out.insert(Out.end(), bytes.begin(), bytes.end());
  }
  void NewOffset(unsigned offset, unsigned length) {
    Gamma((offset - 1) / 128 + 1, true);
    const std::vector<unsigned> bits = GammaBits(length - 1, false);
    Out.push_back(uint8_t((127 - (offset - 1) % 128) << 1 | bits[0]));
    for (std::size_t i = 1; i < bits.size(); ++i) Bit(bits[i]);
  }
  void End() { Gamma(256, true); }
};

void Put16(TBytes& b, unsigned v) {
  b.push_back(uint8_t(v)), b.push_back(uint8_t(v >> 8));
}

TBytes Tile16(unsigned w, unsigned h, const TBytes& pixels) {
  TBytes b = {0x40, 5};
  Put16(b, (w + 1) / 2), Put16(b, w), Put16(b, h);
  b.insert(b.end(), pixels.begin(), pixels.end());
  return b;
}

TEST(QoSymbOSTest, RegistersTheOneEngine) {
  EXPECT_EQ(QoClassNames(Registry()), std::vector<std::string>{"TQoSymbOS4Engine"});
  QoExpectModuleInStartUpOrder({"TQoSymbOS4Engine"}, "TQoSinclairQLPICEngine", "TQoTi9918AEngine");
}

TEST(QoSymbOSTest, StripsOfPackedAndRawTilesMakeOnePicture) {
  // A packed tile of 22 x 1: literals, a new offset, literals, the last offset again.
  TZX0Writer z;
  z.Literals({0x12, 0x34});
  z.Bit(1);
  z.NewOffset(2, 2);
  z.Bit(0);
  z.Literals({0x56});
  z.Bit(0);
  z.Gamma(2);
  z.Bit(1);
  z.End();
  TBytes block = {0xA1, 0xA2, 0xA3, 0xA4, 0, 0};
  block.insert(block.end(), z.Out.begin(), z.Out.end());
  TBytes packed = {0xC0, 5};
  Put16(packed, 11), Put16(packed, 22), Put16(packed, 1), Put16(packed, unsigned(block.size()));
  packed.insert(packed.end(), block.begin(), block.end());
  const auto file = [&](const TBytes& packedTile, unsigned secondWidth) {
    TBytes f = packedTile;
    f.insert(f.end(), {255, 9, 9});
    for (const TBytes& t : {Tile16(10, 2, TBytes(10, 0x9F)),
                            Tile16(secondWidth, 2, TBytes(2 * ((secondWidth + 1) / 2), 0x7E))}) {
      f.insert(f.end(), t.begin(), t.end());
    }
    f.push_back(0);
    return f;
  };
  auto d = QoDetectIn(Registry(), "p.sgx", file(packed, 12));
  TQoSourceEngine* e = d->First();
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->DetectFlags, 3);
  EXPECT_EQ(e->GetDisplayName(), "SymbOS 22x3x4 color image");
  EXPECT_EQ(e->GetPaletteTypeCount(), 3);
  auto bmp = e->Decode();
  std::string row;
  for (int x = 0; x < 22; ++x) row += "0123456789ABCDEF"[bmp->GetPixel(x, 0)];
  EXPECT_EQ(row, "12341234563456A1A2A3A4");
  EXPECT_EQ(bmp->GetPixel(9, 1), 0xFu);
  EXPECT_EQ(bmp->GetPixel(10, 2), 7u);
  EXPECT_EQ(bmp->GetPixel(21, 2), 0xEu);
  EXPECT_EQ(e->Palette->GetRGBQuad(0), 0xFFFFBCu);  // levels 2, 2, 1; 1 is half in linear light
  e->PaletteType = ptColoredMSX;
  e->Decode();
  EXPECT_EQ(e->Palette->GetRGBQuad(3), 0x920000u);
  e->PaletteType = ptColoredCPC;
  e->Decode();
  EXPECT_EQ(e->Palette->GetRGBQuad(6), 0x8888FFu);

  // Not a picture: strips of other widths, a packed tile with a byte to spare, a stray
  // byte between tiles, another extension.
  EXPECT_TRUE(QoDetectIn(Registry(), "p.sgx", file(packed, 10))->Classes().empty());
  EXPECT_TRUE(QoDetectIn(Registry(), "p.sgx", file(packed, 14))->Classes().empty());
  TBytes spare = packed;
  spare[8] += 1;
  spare.push_back(0);
  EXPECT_TRUE(QoDetectIn(Registry(), "p.sgx", file(spare, 12))->Classes().empty());
  TBytes stray = file(packed, 12);
  stray[packed.size()] = 7;
  EXPECT_TRUE(QoDetectIn(Registry(), "p.sgx", stray)->Classes().empty());
  EXPECT_TRUE(QoDetectIn(Registry(), "p.bin", file(packed, 12))->Classes().empty());
}

TEST(QoSymbOSTest, FourColourTilesAreCPCBytesInGreys) {
  // 640 x 200 from three tiles: the CPC's mode 2 screen, 5:12 pixels.
  TBytes f;
  for (unsigned w : {252u, 252u, 136u}) {
    f.insert(f.end(), {uint8_t((w + 3) / 4), uint8_t(w), 200});
    f.resize(f.size() + (w + 3) / 4 * 200, 0);
  }
  f[3] = 0x81;  // pixels 1, 0, 0, 2
  auto d = QoDetectIn(Registry(), "g.sgx", f);
  TQoSourceEngine& e = *d->First();
  EXPECT_EQ(e.GetDisplayName(), "SymbOS 640x200x2 gray image");
  EXPECT_EQ(e.AspectIndex, 6);
  EXPECT_EQ(e.GetPaletteTypeCount(), 0);
  auto bmp = e.Decode();
  EXPECT_EQ(bmp->GetPixel(0, 0), 1u);
  EXPECT_EQ(bmp->GetPixel(3, 0), 2u);
  EXPECT_EQ(e.Palette->GetRGBQuad(0), 0xFFFFFFu);
  EXPECT_EQ(e.Palette->GetRGBQuad(2), 0xAAAAAAu);
  EXPECT_EQ(e.Palette->GetRGBQuad(3), 0x555555u);
  // A tile whose width does not fit its bytes per line is not one.
  f[1] = 240;
  EXPECT_TRUE(QoDetectIn(Registry(), "g.sgx", f)->Classes().empty());
}

}  // namespace
