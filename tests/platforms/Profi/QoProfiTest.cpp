#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platforms/Profi/QoOpenPlatformProfi.h"
#include "platforms/QoPlatformModules.h"
#include "support/QoEngineChecks.h"

namespace {

using TBytes = std::vector<uint8_t>;

TQoEngineRegistry ProfiRegistry() {
  TQoEngineRegistry registry;
  RegisterProfiEngines(registry);
  return registry;
}

// A header of headerUnits * 128 bytes (0 is 128) and height rows of rowBytes.
TBytes Picture(int width, int height, int kind, int rowBytes, int headerUnits, bool palette) {
  const std::size_t header = headerUnits == 0 ? 128 : 128 * static_cast<std::size_t>(headerUnits);
  TBytes file(header + static_cast<std::size_t>(rowBytes * height));
  file[0] = static_cast<uint8_t>(width), file[1] = static_cast<uint8_t>(width >> 8);
  file[2] = static_cast<uint8_t>(height), file[3] = static_cast<uint8_t>(height >> 8);
  file[4] = static_cast<uint8_t>(kind);
  file[6] = static_cast<uint8_t>(rowBytes);
  file[8] = static_cast<uint8_t>(headerUnits);
  file[9] = palette ? 19 : 0;
  return file;
}

}  // namespace

TEST(QoProfiTest, RegistersItsEngineAfterThePMD85) {
  EXPECT_EQ((std::vector<std::string>{"TQoProfiEngine"}), QoClassNames(ProfiRegistry()));
  QoExpectModuleInStartUpOrder({"TQoProfiEngine"}, "TQoPMD85HEngine", "TQoAcornSpriteEngine");
}

TEST(QoProfiTest, RowsOfPixelAndAttributePairsOrOfMonochromePixels) {
  // 12 pixels: two cells a row, four bytes (pixel, attribute, pixel, attribute).
  TBytes file = Picture(12, 2, 4, 4, 0, true);
  file[10 + 8] = 0x1C;   // red 7
  file[10 + 15] = 0xE3;  // green 7, blue 3
  file[10 + 3] = 0x49;   // green 2, red 2, blue 1
  file[128 + 4 + 2] = 0x80;
  file[128 + 4 + 3] = 0xC7;  // ink 7 + 8 (bit 6), paper 0 + 8 (bit 7)
  auto d = QoDetectIn(ProfiRegistry(), "p.grf", file);
  TQoSourceEngine& engine = *d->First();
  EXPECT_EQ(11, engine.DetectFlags);
  EXPECT_EQ("Profi 12x2x4 palette image", engine.GetDisplayName());
  EXPECT_EQ(18, engine.AspectIndex);
  auto bmp = engine.Decode();
  EXPECT_EQ((std::vector<uint32_t>{15, 8, 0}),
            (std::vector<uint32_t>{bmp->GetPixel(8, 1), bmp->GetPixel(9, 1), bmp->GetPixel(8, 0)}));
  EXPECT_EQ(0xFF0000u, bmp->Palette->GetRGBQuad(8));
  EXPECT_EQ(0x00FFFFu, bmp->Palette->GetRGBQuad(15));
  EXPECT_EQ(0x494955u, bmp->Palette->GetRGBQuad(3));

  // Without a stored palette: the ZX colours at 205.
  file[9] = 0;
  auto plain = QoDetectIn(ProfiRegistry(), "p.bin", file);
  EXPECT_EQ(9, plain->First()->DetectFlags);
  EXPECT_EQ("Profi 12x2x4 color image", plain->First()->GetDisplayName());
  EXPECT_EQ(0xCD0000u, plain->First()->Decode()->Palette->GetRGBQuad(2));

  // A colour row must hold two bytes a cell; kinds other than 4 and 8 are refused.
  EXPECT_TRUE(
      QoDetectIn(ProfiRegistry(), "p.grf", Picture(12, 2, 4, 2, 0, false))->Classes().empty());
  EXPECT_TRUE(
      QoDetectIn(ProfiRegistry(), "p.grf", Picture(12, 2, 5, 4, 0, false))->Classes().empty());

  // Monochrome, a header of 256 bytes and rows of 3 bytes of which 2 are pixels.
  TBytes mono = Picture(16, 2, 8, 3, 2, false);
  mono[256 + 3 + 1] = 0x01;
  mono[256 + 3 + 2] = 0xFF;  // padding
  auto m = QoDetectIn(ProfiRegistry(), "p.grf", mono);
  TQoSourceEngine& bw = *m->First();
  EXPECT_EQ("Profi 16x2x1 B/W image", bw.GetDisplayName());
  auto mb = bw.Decode();
  EXPECT_EQ(1u, mb->GetPixel(15, 1));
  EXPECT_EQ(0u, mb->GetPixel(0, 1));
  EXPECT_EQ(0xFFFFFFu, mb->Palette->GetRGBQuad(1));
  mono.pop_back();  // the last row no longer fits
  EXPECT_TRUE(QoDetectIn(ProfiRegistry(), "p.grf", mono)->Classes().empty());
}

TEST(QoProfiTest, RealProfiPicturesAreRecognisedAndDecode) {
  QO_REQUIRE_SAMPLES();
  // Pinned after checking each picture by eye.
  const std::map<std::string, std::string> pinned = {
      {"zxspectrum/example.grf", "58e7b35828519774"}};
  EXPECT_EQ(1, QoCheckRealPictures(QoDefaultRegistry(), {{"zx-grf", "TQoProfiEngine"}}, pinned));
}
