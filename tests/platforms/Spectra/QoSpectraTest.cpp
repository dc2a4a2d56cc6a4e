#include <gtest/gtest.h>

#include <algorithm>

#include "platforms/QoPlatformModules.h"
#include "platforms/Spectra/QoOpenPlatformSpectra.h"
#include "platforms/ZxSpectrum/QoPlatformZxSpectrum.h"
#include "support/QoEngineChecks.h"

namespace {

using TBytes = std::vector<uint8_t>;

TQoEngineRegistry SpectraRegistry() {
  TQoEngineRegistry registry;
  RegisterSpectraEngines(registry);
  return registry;
}

std::unique_ptr<TQoDetected> Detect(const std::string& name, TBytes bytes) {
  return QoDetectIn(SpectraRegistry(), name, std::move(bytes));
}

// A dump of the mode, optionally with its trailer.
TBytes Dump(uint8_t mode, bool trailer) {
  TBytes file(TQoSpectraMode{mode}.DumpSize());
  if (trailer) file.insert(file.end(), {0x50, 0x53, mode});
  return file;
}

// The bitmap of a dump of the mode whose pixel byte of row y, cell 3 is pixels and whose
// attribute bytes there are a and b, decoded by the trailer engine.
std::unique_ptr<TQoBitmap> DecodeCell(uint8_t mode, int y, uint8_t pixels, uint8_t a, uint8_t b) {
  TBytes file = Dump(mode, true);
  const TQoSpectraMode m{mode};
  file[QoZxPixelOffset(y, 3)] = pixels;
  file[m.FirstAttribute(y, 3)] = a;
  if (m.DoubleByte()) file[m.SecondAttribute(y, 3)] = b;
  auto d = Detect("p.bin", file);
  EXPECT_EQ("TQoSpectraSourceEngine", d->First()->EngineClass);
  return d->First()->Decode();
}

std::vector<uint32_t> CellPixels(const TQoBitmap& bmp, int y) {
  std::vector<uint32_t> pixels;
  for (int x = 24; x < 32; ++x) pixels.push_back(bmp.GetPixel(x, y));
  return pixels;
}

}  // namespace

TEST(QoSpectraTest, RegistersTheTrailerEngineThenTheModes) {
  EXPECT_EQ(
      (std::vector<std::string>{"TQoSpectraSourceEngine",         "TQoSpectraSource8x1x64x2Engine",
                                "TQoSpectraSource8x1x64x1Engine", "TQoSpectraSource8x1x16x2Engine",
                                "TQoSpectraSource8x1x16x1Engine", "TQoSpectraSource8x2x64x2Engine",
                                "TQoSpectraSource8x2x64x1Engine", "TQoSpectraSource8x2x16x2Engine",
                                "TQoSpectraSource8x2x16x1Engine", "TQoSpectraSource8x4x64x2Engine",
                                "TQoSpectraSource8x4x64x1Engine", "TQoSpectraSource8x4x16x2Engine",
                                "TQoSpectraSource8x4x16x1Engine", "TQoSpectraSource8x8x64x2Engine",
                                "TQoSpectraSource8x8x64x1Engine", "TQoSpectraSource8x8x16x2Engine",
                                "TQoSpectraSource8x8x16x1Engine", "TQoSpectraSource4x1x64x2Engine",
                                "TQoSpectraSource4x1x64x1Engine", "TQoSpectraSource4x1x16x2Engine",
                                "TQoSpectraSource4x1x16x1Engine", "TQoSpectraSource4x2x64x2Engine",
                                "TQoSpectraSource4x2x64x1Engine", "TQoSpectraSource4x2x16x2Engine",
                                "TQoSpectraSource4x2x16x1Engine", "TQoSpectraSource4x4x64x2Engine",
                                "TQoSpectraSource4x4x64x1Engine", "TQoSpectraSource4x4x16x2Engine",
                                "TQoSpectraSource4x4x16x1Engine", "TQoSpectraSource4x8x64x2Engine",
                                "TQoSpectraSource4x8x64x1Engine", "TQoSpectraSource4x8x16x2Engine",
                                "TQoSpectraSource4x8x16x1Engine"}),
      QoClassNames(SpectraRegistry()));
  const std::vector<std::string> all = QoClassNames(QoDefaultRegistry());
  const auto first = std::find(all.begin(), all.end(), "TQoSpectraSourceEngine");
  const auto ulaPlus = std::find(all.begin(), all.end(), "TQoZxSpectrumUlaPlusEngine");
  ASSERT_NE(all.end(), first);
  EXPECT_EQ(first + 33, ulaPlus);  // between the ZX Spectrum modules and ULAplus
}

TEST(QoSpectraTest, AttributeLayoutsOfTheEightSizes) {
  EXPECT_EQ(6912u, TQoSpectraMode{0}.DumpSize());
  EXPECT_EQ(7936u, TQoSpectraMode{8}.DumpSize());
  EXPECT_EQ(9728u, TQoSpectraMode{1}.DumpSize());
  EXPECT_EQ(11776u, TQoSpectraMode{9}.DumpSize());
  EXPECT_EQ(11264u, TQoSpectraMode{2}.DumpSize());
  EXPECT_EQ(15360u, TQoSpectraMode{10}.DumpSize());
  EXPECT_EQ(14336u, TQoSpectraMode{3}.DumpSize());
  EXPECT_EQ(16384u, TQoSpectraMode{11 | 0x80}.DumpSize());
  // Every attribute address of every mode lies inside its dump, and the first and second
  // bytes never meet.
  for (int mode : {0, 1, 2, 3, 8, 9, 10, 11}) {
    const TQoSpectraMode m{static_cast<uint8_t>(mode)};
    std::vector<int> owner(m.DumpSize(), -1);
    for (int y = 0; y < 192; ++y) {
      for (int c = 0; c < 32; ++c) {
        owner.at(static_cast<std::size_t>(QoZxPixelOffset(y, c))) = 0;
        const std::size_t a = m.FirstAttribute(y, c);
        ASSERT_LT(a, m.DumpSize()) << mode;
        EXPECT_NE(0, owner[a]) << mode;
        EXPECT_NE(2, owner[a]) << mode;
        owner[a] = 1;
        if (m.DoubleByte()) {
          const std::size_t b = m.SecondAttribute(y, c);
          ASSERT_LT(b, m.DumpSize()) << mode;
          EXPECT_NE(0, owner[b]) << mode;
          EXPECT_NE(1, owner[b]) << mode;
          owner[b] = 2;
        }
      }
    }
  }
  // Height 4: rows 4-7 are attribute row 1, 256 bytes on; row 8 is attribute row 2.
  const TQoSpectraMode h4{1};
  EXPECT_EQ(8192u + 5, h4.FirstAttribute(0, 5));
  EXPECT_EQ(8192u + 256 + 5, h4.FirstAttribute(7, 5));
  EXPECT_EQ(8192u + 32 + 5, h4.FirstAttribute(8, 5));
  EXPECT_EQ(8192u + 512, h4.FirstAttribute(64, 0));
  EXPECT_EQ(8192u + 2048 + 512, h4.SecondAttribute(64, 0));
  const TQoSpectraMode h2{2};
  EXPECT_EQ(8192u + 3 * 256 + 32, h2.FirstAttribute(14, 0));
  EXPECT_EQ(8192u + 1024 + 4096, h2.SecondAttribute(64, 0));
  // Height 1 with two bytes: the bottom third shares attributes between line pairs.
  const TQoSpectraMode h1{11};
  EXPECT_EQ(QoZxPixelOffset(77, 4) + 8192, h1.FirstAttribute(77, 4));
  EXPECT_EQ(QoZxPixelOffset(77, 4) + 12288, h1.SecondAttribute(77, 4));
  EXPECT_EQ(h1.FirstAttribute(128, 4), h1.FirstAttribute(129, 4));
  EXPECT_EQ(6144u + 256 + 4, h1.FirstAttribute(130, 4));
  EXPECT_EQ(6144u + 32 + 1024 + 4, h1.SecondAttribute(136, 4));
  EXPECT_EQ(QoZxPixelOffset(130, 4) + 8192, TQoSpectraMode{3}.FirstAttribute(130, 4));
}

TEST(QoSpectraTest, DumpsByTrailerOrBySize) {
  // A bare dump is offered by the four modes of its layout.
  auto d = Detect("p.bin", TBytes(6912));
  EXPECT_EQ((std::vector<std::string>{
                "TQoSpectraSource8x8x64x1Engine", "TQoSpectraSource8x8x16x1Engine",
                "TQoSpectraSource4x8x64x1Engine", "TQoSpectraSource4x8x16x1Engine"}),
            d->Classes());
  EXPECT_EQ(10, d->First()->DetectFlags);
  EXPECT_EQ(8, Detect("p.scr", TBytes(6912))->First()->DetectFlags);
  EXPECT_EQ("ZX Spectrum Spectra 256x192x6 8x8 SB image", d->First()->GetDisplayName());
  EXPECT_EQ("ZX Spectrum Spectra 256x192x4 4x8 SB image",
            d->Find("TQoSpectraSource4x8x16x1Engine")->GetDisplayName());

  // The trailer names the mode, which must fit the size.
  auto t = Detect("p.dat", Dump(11, true));
  ASSERT_EQ(1, t->Engines->Count());
  EXPECT_EQ(9, t->First()->DetectFlags);
  EXPECT_EQ("ZX Spectrum Spectra 256x192x4 8x1 DB image", t->First()->GetDisplayName());
  EXPECT_EQ(11, Detect("p.bin", Dump(0x8F, true))->First()->DetectFlags);
  TBytes wrong = Dump(0, true);
  wrong.back() = 1;  // mode 1 needs 9,731 bytes
  EXPECT_EQ(0, Detect("p.bin", wrong)->Engines->Count());
  wrong.back() = 0x10;  // bits 4-6 must be clear
  EXPECT_EQ(0, Detect("p.bin", wrong)->Engines->Count());
  EXPECT_EQ(0, Detect("p.bin", TBytes{0x50, 0x53, 0x00})->Engines->Count());
}

TEST(QoSpectraTest, CellColoursOfEveryModeKind) {
  // 8-pixel cells, pixels 0xF0: four ink pixels, then four paper pixels.
  auto cell = [](uint8_t mode, uint8_t a, uint8_t b) {
    return CellPixels(*DecodeCell(mode, 77, 0xF0, a, b), 77);
  };
  using V = std::vector<uint32_t>;
  EXPECT_EQ((V{13, 13, 13, 13, 10, 10, 10, 10}), cell(0, 0x55, 0));  // ZX attribute, bright
  EXPECT_EQ((V{13, 13, 13, 13, 2, 2, 2, 2}), cell(8, 0x45, 0x0A));   // A and B, ZX form
  EXPECT_EQ((V{63, 63, 63, 63, 42, 42, 42, 42}), cell(7, 0x7F, 0));  // grey paper from bit 6
  EXPECT_EQ((V{63, 63, 63, 63, 0, 0, 0, 0}), cell(7, 0x3F, 0));
  EXPECT_EQ((V{5, 5, 5, 5, 33, 33, 33, 33}), cell(15, 0xC5, 0x21));  // A and B, 64 colours
  // 4-pixel cells, pixels 0xA5: the high nibble is the left cell, the low one the right.
  auto narrow = [](uint8_t mode, uint8_t a, uint8_t b) {
    return CellPixels(*DecodeCell(static_cast<uint8_t>(mode | 0x80), 77, 0xA5, a, b), 77);
  };
  EXPECT_EQ((V{10, 0, 10, 0, 0, 13, 0, 13}), narrow(0, 0x55, 0));      // paper left, ink right
  EXPECT_EQ((V{10, 1, 10, 1, 4, 13, 4, 13}), narrow(8, 0x55, 0x0C));   // high form, ZX form
  EXPECT_EQ((V{42, 0, 42, 0, 0, 21, 0, 21}), narrow(4, 0x55, 0));      // grey left, A right
  EXPECT_EQ((V{12, 0, 12, 0, 0, 21, 0, 21}), narrow(12, 0x55, 0x0C));  // B left, A right

  // The two palettes.
  auto sixteen = DecodeCell(0, 0, 0, 0, 0);
  ASSERT_EQ(16, sixteen->Palette->GetCount());
  EXPECT_EQ(0xBC0000u, sixteen->Palette->GetRGBQuad(2));
  EXPECT_EQ(0x00FFFFu, sixteen->Palette->GetRGBQuad(13));
  auto sixtyFour = DecodeCell(4, 0, 0, 0, 0);
  ASSERT_EQ(64, sixtyFour->Palette->GetCount());
  EXPECT_EQ(8, sixtyFour->BitsPerPixel);
  EXPECT_EQ(0x00FF00u, sixtyFour->Palette->GetRGBQuad(48));
  EXPECT_EQ(0x59B900u, sixtyFour->Palette->GetRGBQuad(16 * 2 + 4 * 1));
  EXPECT_EQ(0x5959B9u, sixtyFour->Palette->GetRGBQuad(16 * 1 + 4 * 1 + 2));
  EXPECT_EQ(0x000059u, sixtyFour->Palette->GetRGBQuad(1));
}
