#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platforms/DVK/QoOpenPlatformDVK.h"
#include "support/QoEngineChecks.h"

namespace {

using TBytes = std::vector<uint8_t>;

TQoEngineRegistry DVKRegistry() {
  TQoEngineRegistry registry;
  RegisterDVKEngines(registry);
  return registry;
}

// A width x height picture whose rows are all zero but the given words, and whose
// colour i is cube number 4 * i + 3 (i below 16).
TBytes Picture(int width, int height) {
  const std::size_t rowBytes = static_cast<std::size_t>((width + 3) / 4) * 2;
  TBytes file(4 + rowBytes * static_cast<std::size_t>(height) + 16);
  file[0] = static_cast<uint8_t>(width), file[1] = static_cast<uint8_t>(width >> 8);
  file[2] = static_cast<uint8_t>(height), file[3] = static_cast<uint8_t>(height >> 8);
  for (std::size_t i = 0; i < 16; ++i) file[file.size() - 16 + i] = static_cast<uint8_t>(4 * i + 3);
  return file;
}

}  // namespace

TEST(QoDVKTest, RegistersItsEngineAfterCommodore64) {
  EXPECT_EQ((std::vector<std::string>{"TQoDVKEngine"}), QoClassNames(DVKRegistry()));
  QoExpectModuleInStartUpOrder({"TQoDVKEngine"}, "TQoCommodore64HiResFLIGigascreenEcpEngine",
                               "TQoMS0515Engine");
}

TEST(QoDVKTest, RowsFromTheBottomFourPixelsAWordHighBitsFirst) {
  // Width 5 stores two words a row.
  TBytes file = Picture(5, 3);
  ASSERT_EQ(4u + 4 * 3 + 16, file.size());
  // The last stored row is the top one: words 0x1234 and 0x5678.
  file[4 + 2 * 4 + 0] = 0x34, file[4 + 2 * 4 + 1] = 0x12;
  file[4 + 2 * 4 + 2] = 0x78, file[4 + 2 * 4 + 3] = 0x56;
  file[4] = 0x00, file[5] = 0xF0;  // the bottom row's first pixel is 15
  auto d = QoDetectIn(DVKRegistry(), "p.pic", file);
  TQoSourceEngine& engine = *d->First();
  EXPECT_EQ(11, engine.DetectFlags);
  EXPECT_EQ("DVK KCGD 5x3x4 image", engine.GetDisplayName());
  EXPECT_EQ((std::vector<uint8_t>{ptColoredLinear, ptColoredEMUStudio}), engine.PaletteTypes);
  EXPECT_EQ(ptColoredEMUStudio, engine.PaletteType);
  auto bmp = engine.Decode();
  EXPECT_EQ((std::vector<uint32_t>{1, 2, 3, 4, 5}),
            (std::vector<uint32_t>{bmp->GetPixel(0, 0), bmp->GetPixel(1, 0), bmp->GetPixel(2, 0),
                                   bmp->GetPixel(3, 0), bmp->GetPixel(4, 0)}));
  EXPECT_EQ(15u, bmp->GetPixel(0, 2));
  EXPECT_EQ(0u, bmp->GetPixel(0, 1));
  // Colour 15 is cube number 63, colour 1 number 7 (red 0, green 1, blue 3).
  ASSERT_EQ(16, bmp->Palette->GetCount());
  EXPECT_EQ(0xFFFFFFu, bmp->Palette->GetRGBQuad(15));
  EXPECT_EQ(0x0080FFu, bmp->Palette->GetRGBQuad(1));
  engine.PaletteType = ptColoredLinear;
  EXPECT_EQ(0x0055FFu, engine.Decode()->Palette->GetRGBQuad(1));

  EXPECT_EQ(9, QoDetectIn(DVKRegistry(), "p.dat", file)->First()->DetectFlags);
  TBytes badColour = file;
  badColour.back() = 64;
  EXPECT_EQ(0, QoDetectIn(DVKRegistry(), "p.pic", badColour)->Engines->Count());
  for (const TBytes& bad : {Picture(401, 1), Picture(4, 241), Picture(0, 3)}) {
    EXPECT_EQ(0, QoDetectIn(DVKRegistry(), "p.pic", bad)->Engines->Count());
  }
  file.push_back(0);
  EXPECT_EQ(0, QoDetectIn(DVKRegistry(), "p.pic", file)->Engines->Count());
}
