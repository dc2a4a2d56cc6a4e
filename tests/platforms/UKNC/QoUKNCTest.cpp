#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "color/QoAspect.h"
#include "platforms/UKNC/QoOpenPlatformUKNC.h"
#include "support/QoEngineChecks.h"

namespace {

using TBytes = std::vector<uint8_t>;

TQoEngineRegistry UKNCRegistry() {
  TQoEngineRegistry registry;
  RegisterUKNCEngines(registry);
  return registry;
}

void Put16(TBytes& file, std::size_t at, int value) {
  file[at] = static_cast<uint8_t>(value);
  file[at + 1] = static_cast<uint8_t>(value >> 8);
}

// The header of a picture of the screen window x0..x1, y0..y1; colour i is green i,
// red 16 * i, blue 255.
TBytes Header(int x0, int y0, int x1, int y1) {
  TBytes file(128);
  file[0] = 10, file[1] = 3, file[2] = 1, file[3] = 1;
  Put16(file, 4, x0), Put16(file, 6, y0), Put16(file, 8, x1), Put16(file, 10, y1);
  Put16(file, 12, 640), Put16(file, 14, 288);
  for (std::size_t i = 0; i < 8; ++i) {
    file[16 + 3 * i] = static_cast<uint8_t>(i);
    file[17 + 3 * i] = static_cast<uint8_t>(16 * i);
    file[18 + 3 * i] = 255;
  }
  file[64] = 70, file[65] = 3;
  Put16(file, 66, (x1 - x0 + 8) / 8);
  Put16(file, 68, 2);
  return file;
}

}  // namespace

TEST(QoUKNCTest, RegistersItsEngineAfterSAMCoupe) {
  EXPECT_EQ((std::vector<std::string>{"TQoUKNCEngine"}), QoClassNames(UKNCRegistry()));
  QoExpectModuleInStartUpOrder({"TQoUKNCEngine"}, "TQoSAMCoupeModeRAWEngine", "TQoVectorSCREngine");
}

TEST(QoUKNCTest, RunsFlowAcrossPlanesAndLines) {
  // 10 x 3 pixels: two bytes a plane line, six bytes a line.
  TBytes file = Header(100, 20, 109, 22);
  // Line 0: plane 0 = 07 00, plane 1 = 00 06, plane 2 = FF 02; its run of two zeros
  // crosses from plane 0 into plane 1, and 0xFF needs a run of one. Line 1: a run of
  // seven 0xC1 covers it and runs into line 2, where the data ends.
  file.insert(file.end(), {0x07, 0xC2, 0x00, 0x06, 0xC1, 0xFF, 0x02, 0xC7, 0xC1});
  auto d = QoDetectIn(UKNCRegistry(), "p.pcx", file);
  ASSERT_EQ(1, d->Engines->Count());
  TQoSourceEngine& engine = *d->First();
  EXPECT_EQ(3, engine.DetectFlags);
  EXPECT_EQ("UKNC 10x3x3 Picture Composer I image", engine.GetDisplayName());
  EXPECT_EQ(QoAspectIndexByLabel("2:3"), engine.AspectIndex);
  EXPECT_NE(0u, engine.AspectMask & QoAspectBit(QoAspectIndexByLabel("3:5")));
  auto bmp = engine.Decode();
  ASSERT_EQ(8, bmp->Palette->GetCount());
  EXPECT_EQ(0x5005FFu, bmp->Palette->GetRGBQuad(5));  // stored green, red, blue
  EXPECT_EQ(5u, bmp->GetPixel(0, 0));                 // bit 0 of planes 0 and 2
  EXPECT_EQ(5u, bmp->GetPixel(2, 0));
  EXPECT_EQ(4u, bmp->GetPixel(3, 0));
  EXPECT_EQ(0u, bmp->GetPixel(8, 0));
  EXPECT_EQ(6u, bmp->GetPixel(9, 0));  // bit 1 of the second bytes of planes 1 and 2
  EXPECT_EQ(7u, bmp->GetPixel(0, 1));  // 0xC1: bits 0, 6, 7
  EXPECT_EQ(0u, bmp->GetPixel(1, 1));
  EXPECT_EQ(7u, bmp->GetPixel(6, 1));
  EXPECT_EQ(7u, bmp->GetPixel(8, 1));
  EXPECT_EQ(0u, bmp->GetPixel(9, 1));
  EXPECT_EQ(0u, bmp->GetPixel(0, 2)) << "the damaged last line stays black";

  EXPECT_EQ(1, QoDetectIn(UKNCRegistry(), "p.pic", file)->First()->DetectFlags);
  for (const std::size_t at : {std::size_t{0}, std::size_t{64}, std::size_t{65}, std::size_t{66}}) {
    TBytes bad = file;
    bad[at] ^= 1;
    EXPECT_EQ(0, QoDetectIn(UKNCRegistry(), "p.pcx", bad)->Engines->Count()) << at;
  }
  EXPECT_EQ(0, QoDetectIn(UKNCRegistry(), "p.pcx", Header(100, 20, 99, 22))->Engines->Count());
  EXPECT_EQ(0, QoDetectIn(UKNCRegistry(), "p.pcx", Header(0, 0, 640, 0))->Engines->Count());
  EXPECT_EQ(0, QoDetectIn(UKNCRegistry(), "p.pcx", Header(0, 0, 7, 0))->Engines->Count())
      << "nothing after the header";

  // A zero count stops the data; the lines before it are shown.
  TBytes zero = Header(0, 0, 7, 1);
  zero.insert(zero.end(), {0x01, 0x02, 0x04, 0xC0, 0x01, 0x01, 0x01});
  auto z = QoDetectIn(UKNCRegistry(), "p.pcx", zero);
  auto zbmp = z->First()->Decode();
  EXPECT_EQ(7u, zbmp->GetPixel(0, 0) | zbmp->GetPixel(1, 0) | zbmp->GetPixel(2, 0));
  EXPECT_EQ(0u, zbmp->GetPixel(0, 1));
}
