#include <gtest/gtest.h>

#include <map>
#include <string>

#include "color/QoAspect.h"
#include "color/QoPaletteTypes.h"
#include "platforms/QoPlatformModules.h"
#include "platforms/ZxSpectrum/QoOpenPlatformZxSpectrumSxg.h"
#include "support/QoEngineChecks.h"

namespace {

using TBytes = std::vector<uint8_t>;

TQoEngineRegistry SxgRegistry() {
  TQoEngineRegistry registry;
  registry.RegisterEngine(QoEngineClassOf<TQoZxSpectrumSxgEngine>());
  return registry;
}

void PutLE16(TBytes& file, std::size_t at, int value) {
  file[at] = static_cast<uint8_t>(value);
  file[at + 1] = static_cast<uint8_t>(value >> 8);
}

// A picture with three palette entries (palette position 2, pixel position 6: the palette
// at 16, the pixels at 22) and two rows of rowBytes.
TBytes Picture(int version, int format, int width, std::size_t rowBytes) {
  TBytes file(22 + 2 * rowBytes);
  file[0] = 0x7F, file[1] = 'S', file[2] = 'X', file[3] = 'G';
  file[4] = static_cast<uint8_t>(version);
  file[7] = static_cast<uint8_t>(format);
  PutLE16(file, 8, width);
  PutLE16(file, 10, 2);
  PutLE16(file, 12, 2);
  PutLE16(file, 14, 6);
  PutLE16(file, 16, 24 << 10 | 0 << 5 | 12);
  PutLE16(file, 18, 1 << 10 | 8 << 5 | 16);
  return file;
}

std::unique_ptr<TQoDetected> Detect(const std::string& name, TBytes bytes) {
  return QoDetectIn(SxgRegistry(), name, std::move(bytes));
}

}  // namespace

TEST(QoZxSpectrumSxgTest, RowsPaddedByVersionAndFifteenBitColoursByModel) {
  // Version 3 pads a row of 15 nibbles to 8 bytes, as version 2 does not need to.
  TBytes file = Picture(3, 1, 15, 8);
  file[22 + 8] = 0x10;
  file[22 + 8 + 7] = 0x21;
  auto d = Detect("p.sxg", file);
  TQoSourceEngine& engine = *d->First();
  EXPECT_EQ(11, engine.DetectFlags);
  EXPECT_EQ("ZX Evolution 15x2x4 image", engine.GetDisplayName());
  EXPECT_EQ((std::vector<uint8_t>{ptEvoEGA, ptPentevo, ptVideoDAC}), engine.PaletteTypes);
  EXPECT_EQ(ptEvoEGA, engine.PaletteType);
  EXPECT_EQ(QoAspectBit(kQoAspect5to6) | QoAspectBit(28), engine.AspectMask);
  auto bmp = engine.Decode();
  EXPECT_EQ(
      (std::vector<uint32_t>{1, 0, 2}),
      (std::vector<uint32_t>{bmp->GetPixel(0, 1), bmp->GetPixel(1, 1), bmp->GetPixel(14, 1)}));
  ASSERT_EQ(3, bmp->Palette->GetCount());
  EXPECT_EQ(0xFF0088u, bmp->Palette->GetRGBQuad(0));  // 24 is full; 12 is 136
  EXPECT_EQ(0x1C55AAu, bmp->Palette->GetRGBQuad(1));
  engine.PaletteType = ptPentevo;
  EXPECT_EQ(0x1F5DA2u, engine.Decode()->Palette->GetRGBQuad(1));
  engine.PaletteType = ptVideoDAC;
  EXPECT_EQ(0x084284u, engine.Decode()->Palette->GetRGBQuad(1));
  EXPECT_EQ(9, Detect("p.bin", file)->First()->DetectFlags);

  // 17 nibbles: 9 bytes a row in version 2, 10 in version 3.
  TBytes odd = Picture(2, 1, 17, 9);
  odd[22 + 9] = 0x20;
  auto o = Detect("p.sxg", odd);
  ASSERT_FALSE(o->Classes().empty());
  EXPECT_EQ(2u, o->First()->Decode()->GetPixel(0, 1));
  odd[4] = 3;
  EXPECT_TRUE(Detect("p.sxg", odd)->Classes().empty());

  // 256 colours: a byte a pixel, rows of 3 bytes padded to 4 by version 3.
  TBytes bytes = Picture(3, 2, 3, 4);
  bytes[22 + 4 + 2] = 0x02;
  auto b = Detect("p.sxg", bytes);
  EXPECT_EQ(8, b->First()->ColorDepth);
  EXPECT_EQ(2u, b->First()->Decode()->GetPixel(2, 1));

  // A component above 24 is only meaningful on the linear DAC, which is then selected.
  PutLE16(file, 20, 25);
  EXPECT_EQ(ptVideoDAC, Detect("p.sxg", file)->First()->PaletteType);

  // Refused: a packed picture, and more palette entries than 16 colours have.
  TBytes packed = file;
  packed[6] = 1;
  EXPECT_TRUE(Detect("p.sxg", packed)->Classes().empty());
  TBytes crowded = Picture(3, 1, 15, 8);
  PutLE16(crowded, 14, 2 + 2 * 17 - 2);
  crowded.resize(16 + 2 * 17 + 16);
  EXPECT_TRUE(Detect("p.sxg", crowded)->Classes().empty());
}

TEST(QoZxSpectrumSxgTest, RealZxEvolutionPicturesAreRecognisedAndDecode) {
  QO_REQUIRE_SAMPLES();
  // Pinned after checking each picture by eye.
  const std::map<std::string, std::string> pinned = {
      {"zxspectrum/example.sxg", "b447ce9726d55810"}};
  EXPECT_EQ(
      1, QoCheckRealPictures(QoDefaultRegistry(), {{"zx-sxg", "TQoZxSpectrumSxgEngine"}}, pinned));
}
