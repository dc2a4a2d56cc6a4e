#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "color/QoAspect.h"
#include "platforms/QoPlatformModules.h"
#include "platforms/ZxSpectrum/QoOpenPlatformZxSpectrumNext.h"
#include "support/QoEngineChecks.h"
#include "support/QoSamples.h"

namespace {

using TBytes = std::vector<uint8_t>;

std::unique_ptr<TQoDetected> Detect(const std::string& name, TBytes bytes) {
  return QoDetectIn(QoDefaultRegistry(), name, std::move(bytes));
}

}  // namespace

TEST(QoZxSpectrumNextTest, NineBitAndDefaultColours) {
  // Low byte RRRGGGBB, bit 0 of the high byte the lowest blue bit.
  EXPECT_EQ((TQoStdRGBColor{255, 0, 255}), QoZxNextColor9(0x01E3));
  EXPECT_EQ((TQoStdRGBColor{255, 0, 219}), QoZxNextColor9(0x00E3));
  EXPECT_EQ((TQoStdRGBColor{0, 36, 36}), QoZxNextColor9(0x0104));
  // One-byte colours widen blue to the levels 0, 109, 182, 255.
  EXPECT_EQ((TQoStdRGBColor{0, 0, 109}), QoZxNextColor8(0x01));
  EXPECT_EQ((TQoStdRGBColor{0, 0, 182}), QoZxNextColor8(0x02));
  EXPECT_EQ((TQoStdRGBColor{146, 73, 255}), QoZxNextColor8(0x8B));
}

TEST(QoZxSpectrumNextTest, LayoutsBySizeWithTheirPaletteAndPixelOrder) {
  // 640 x 256 at four bits: pairs of columns, the left pixel in the high nibble.
  TBytes wide(81952);
  wide[0] = 0x12;
  wide[1] = 0x30;
  wide[256 * 319 + 255] = 0x0F;
  wide[81920 + 2 * 3] = 0xE3, wide[81920 + 2 * 3 + 1] = 0x01;
  auto d = Detect("p.sl2", wide);
  TQoSourceEngine& engine = *d->First();
  ASSERT_EQ("TQoZxSpectrumNextNxiEngine", engine.EngineClass);
  EXPECT_EQ(10, engine.DetectFlags);
  EXPECT_EQ("ZX Spectrum Next 640x256x4 image", engine.GetDisplayName());
  EXPECT_EQ(kQoAspect1to2, engine.AspectIndex);
  auto bmp = engine.Decode();
  EXPECT_EQ(8, bmp->BitsPerPixel);
  ASSERT_EQ(16, bmp->Palette->GetCount());
  EXPECT_EQ(0xFF00FFu, bmp->Palette->GetRGBQuad(3));
  EXPECT_EQ(1u, bmp->GetPixel(0, 0));
  EXPECT_EQ(2u, bmp->GetPixel(1, 0));
  EXPECT_EQ(3u, bmp->GetPixel(0, 1));
  EXPECT_EQ(15u, bmp->GetPixel(639, 255));

  // 320 x 256 column by column, with two-byte or one-byte palette entries after it.
  for (const std::size_t size : {std::size_t{82432}, std::size_t{82176}}) {
    TBytes tall(size);
    tall[256 * 5 + 7] = 9;  // column 5, row 7
    if (size == 82432) {
      tall[81920 + 2 * 9] = 0xE0;
    } else {
      tall[81920 + 9] = 0xE0;
    }
    auto t = Detect("p.sl2", tall);
    ASSERT_EQ("TQoZxSpectrumNextNxiEngine", t->First()->EngineClass) << size;
    auto b = t->First()->Decode();
    EXPECT_EQ(320, b->Width);
    EXPECT_EQ(256, b->Palette->GetCount());
    EXPECT_EQ(9u, b->GetPixel(5, 7)) << size;
    EXPECT_EQ(0xFF0000u, b->Palette->GetRGBQuad(9)) << size;
  }

  // 256 x 192 after a 512-byte palette, row by row; its own extension is ".nxi".
  TBytes nxi(49664);
  nxi[512 + 256 * 3 + 200] = 7;
  nxi[2 * 7] = 0x03, nxi[2 * 7 + 1] = 0x00;
  auto n = Detect("p.sl2", nxi);
  EXPECT_EQ(8, n->First()->DetectFlags);
  EXPECT_EQ(".nxi", n->First()->DefaultExtension);
  auto nb = n->First()->Decode();
  EXPECT_EQ(7u, nb->GetPixel(200, 3));
  EXPECT_EQ(0x0000DBu, nb->Palette->GetRGBQuad(7));

  // Without palette: the default one, 256 x 192 by rows or 320 x 256 by columns.
  TBytes plain(49152);
  plain[256 * 191 + 255] = 0xE0;
  auto p = Detect("p.nxi", plain);
  ASSERT_EQ("TQoZxSpectrumNextSl2Engine", p->First()->EngineClass);
  EXPECT_EQ(10, p->First()->DetectFlags);
  EXPECT_EQ(".sl2", p->First()->DefaultExtension);
  auto pb = p->First()->Decode();
  EXPECT_EQ(0xE0u, pb->GetPixel(255, 191));
  EXPECT_EQ(0xFF0000u, pb->Palette->GetRGBQuad(0xE0));
  EXPECT_EQ(8, Detect("p.bin", plain)->First()->DetectFlags);
  TBytes columns(81920);
  columns[256 * 319] = 0x1F;
  auto c = Detect("p.bin", columns);
  ASSERT_EQ("TQoZxSpectrumNextSl2Engine", c->First()->EngineClass);
  EXPECT_EQ(0x1Fu, c->First()->Decode()->GetPixel(319, 0));

  // Low resolution: 128 x 96 by rows; a 12,288-byte file named ".slr" is this first.
  TBytes lores(12288);
  lores[128 * 95 + 127] = 0xFF;
  auto l = Detect("p.slr", lores);
  TQoSourceEngine& lo = *l->First();
  ASSERT_EQ("TQoZxSpectrumNextLoRes256Engine", lo.EngineClass);
  EXPECT_EQ("ZX Spectrum Next 128x96x8 LoRes image", lo.GetDisplayName());
  auto lb = lo.Decode();
  EXPECT_EQ(0xFFu, lb->GetPixel(127, 95));
  EXPECT_EQ(0xFFFFFFu, lb->Palette->GetRGBQuad(0xFF));

  // A size of none of the layouts reaching the constructor is an error.
  TBytes odd(49153);
  TQoMemoryLoadSource source("p.nxi", odd.data(), static_cast<int32_t>(odd.size()), false);
  EXPECT_EQ(0, TQoZxSpectrumNextNxiEngine::Detect(source));
  EXPECT_THROW(TQoZxSpectrumNextNxiEngine engineOnOdd(source), std::exception);
}

TEST(QoZxSpectrumNextTest, RealLayer2PicturesAreRecognisedAndDecode) {
  QO_REQUIRE_SAMPLES();
  // Pinned after checking each picture by eye.
  const std::map<std::string, std::string> pinned = {
      {"zxnext/basnake.nxi", "8ef5b8616c59889c"}, {"zxnext/img_pal.nxi", "3494c2b3ca8d4292"},
      {"zxnext/screen1.nxi", "604187af645ede94"}, {"zxnext/wide1.nxi", "e1deea2ae98ad685"},
      {"zxnext/example.sl2", "a8c41781db649e27"}, {"zxnext/sl2-320x256.sl2", "76d9e7e3723cdcf6"},
  };
  int decoded = 0;
  for (const char* format : {"next-nxi", "next-sl2"}) {
    for (const TQoSample& sample : QoSamples(format)) {
      SCOPED_TRACE(sample.File);
      auto d = Detect(std::filesystem::path(sample.File).filename().string(),
                      QoReadWholeFile(sample.Path));
      ASSERT_NE(nullptr, d->First());
      // Dumps of 49,152 bytes carry no palette.
      EXPECT_EQ(sample.Size == 49152 ? "TQoZxSpectrumNextSl2Engine" : "TQoZxSpectrumNextNxiEngine",
                d->First()->EngineClass);
      QoExpectPinnedHash(pinned, sample.File, *d->First()->Decode());
      ++decoded;
    }
  }
  EXPECT_EQ(6, decoded);
}
