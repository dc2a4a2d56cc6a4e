#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platforms/Specialist/QoOpenPlatformSpecialist.h"
#include "support/QoEngineChecks.h"

namespace {

using TBytes = std::vector<uint8_t>;

TQoEngineRegistry SpecialistRegistry() {
  TQoEngineRegistry registry;
  RegisterSpecialistEngines(registry);
  return registry;
}

std::unique_ptr<TQoDetected> Detect(const std::string& name, TBytes bytes) {
  return QoDetectIn(SpecialistRegistry(), name, std::move(bytes));
}

// Byte (column, row) of the column-ordered bitmap, or of the colour codes after it.
std::size_t At(std::size_t column, std::size_t row) {
  return column * 256 + row;
}

}  // namespace

TEST(QoSpecialistTest, RegistersTheFamilyInOrder) {
  EXPECT_EQ((std::vector<std::string>{"TQoSpecialistEngine"}), QoClassNames(SpecialistRegistry()));
}

TEST(QoSpecialistTest, ColumnsOfBytesInBlackAndWhiteAndWithThreeRowInks) {
  TBytes mono(12288);
  mono[At(5, 10)] = 0x81;
  auto d = Detect("x.sps", mono);
  ASSERT_EQ("TQoSpecialistEngine", d->First()->EngineClass);
  EXPECT_EQ(10, d->First()->DetectFlags);
  EXPECT_EQ("Specialist 384x256x1 B/W image", d->First()->GetDisplayName());
  EXPECT_EQ(26, d->First()->AspectIndex);
  auto bmp = d->First()->Decode();
  EXPECT_EQ(1u, bmp->GetPixel(40, 10));
  EXPECT_EQ(0u, bmp->GetPixel(41, 10));
  EXPECT_EQ(1u, bmp->GetPixel(47, 10));
  EXPECT_EQ(0u, bmp->GetPixel(40, 11));
  EXPECT_EQ(0xFFFFFFu, bmp->Palette->GetRGBQuad(1));
  EXPECT_EQ(8, Detect("x.bin", mono)->First()->DetectFlags);

  // Three inks repeat down the rows over the fixed black paper; the mode is the low nibble.
  TBytes rows(12288, 0x0F);
  rows.insert(rows.end(), {64, 128, 192, 0xF4});
  d = Detect("x.sps", rows);
  ASSERT_EQ(1, d->Engines->Count());
  EXPECT_EQ("Specialist 384x256x4 5 colors image", d->First()->GetDisplayName());
  EXPECT_EQ((std::vector<uint8_t>{ptColored5}), d->First()->PaletteTypes);
  bmp = d->First()->Decode();
  for (int y : {0, 3, 1, 4, 2, 254}) {
    EXPECT_EQ(static_cast<uint32_t>(1 + y % 3), bmp->GetPixel(100, y)) << y;
    EXPECT_EQ(4u, bmp->GetPixel(96, y)) << y;
  }
  EXPECT_EQ(0xFF0000u, bmp->Palette->GetRGBQuad(1));
  EXPECT_EQ(0x000000u, bmp->Palette->GetRGBQuad(4));

  rows.back() = 0x07;  // eight colours: 64 is magenta now
  bmp = Detect("x.sps", rows)->First()->Decode();
  EXPECT_EQ(4u, bmp->GetPixel(100, 0));
  EXPECT_EQ(7u, bmp->GetPixel(96, 0));
  EXPECT_EQ(0xFF00FFu, bmp->Palette->GetRGBQuad(4));

  for (const TBytes& tail :
       {TBytes{64, 128, 192, 0x05}, TBytes{16, 0, 0, 0x04}, TBytes{1, 0, 0, 7}}) {
    TBytes bad(12288);
    bad.insert(bad.end(), tail.begin(), tail.end());
    EXPECT_EQ(0, Detect("x.sps", bad)->Engines->Count()) << int(tail[0]) << " " << int(tail[3]);
  }
}

TEST(QoSpecialistTest, ColourCodesPerByteChooseTheirPaletteTypes) {
  // Five-colour codes only: shown in five colours, and the eight-colour map is offered.
  TBytes five(24576, 0xF0);
  for (std::size_t i = 12288; i < five.size(); ++i) five[i] = 0;
  five[12288 + At(2, 7)] = 64;
  five[12288 + At(3, 7)] = 192;
  auto d = Detect("x.sps", five);
  TQoSourceEngine& engine = *d->First();
  EXPECT_EQ("Specialist 384x256x4 image", engine.GetDisplayName());
  EXPECT_EQ((std::vector<uint8_t>{ptColored5, ptColored8}), engine.PaletteTypes);
  EXPECT_EQ(ptColored5, engine.PaletteType);
  auto bmp = engine.Decode();
  EXPECT_EQ(1u, bmp->GetPixel(16, 7));
  EXPECT_EQ(4u, bmp->GetPixel(20, 7));
  EXPECT_EQ(3u, bmp->GetPixel(24, 7));
  EXPECT_EQ(0u, bmp->GetPixel(16, 8));  // code 0: white ink
  engine.PaletteType = ptColored8;
  bmp = engine.Decode();
  EXPECT_EQ(4u, bmp->GetPixel(16, 7));
  EXPECT_EQ(7u, bmp->GetPixel(20, 7));
  EXPECT_EQ(6u, bmp->GetPixel(24, 7));
  EXPECT_EQ(0xFF00FFu, bmp->Palette->GetRGBQuad(4));
  EXPECT_EQ(0x0000FFu, bmp->Palette->GetRGBQuad(6));

  // One code of the eight-colour map anywhere: eight colours alone.
  TBytes eight = five;
  eight.back() = 16;
  d = Detect("x.sps", eight);
  EXPECT_EQ("Specialist 384x256x4 8 colors image", d->First()->GetDisplayName());
  EXPECT_EQ((std::vector<uint8_t>{ptColored8}), d->First()->PaletteTypes);
  EXPECT_EQ(1u, d->First()->Decode()->GetPixel(47 * 8, 255));
  eight.back() = 17;
  EXPECT_EQ(0, Detect("x.sps", eight)->Engines->Count());

  // With a mode byte: 15 takes ink and paper from the nibbles of any code.
  TBytes sixteen = five;
  sixteen[12288 + At(3, 200)] = 0x9C;
  sixteen.push_back(0x3F);
  d = Detect("x.sps", sixteen);
  EXPECT_EQ("Specialist 384x256x4 16 colors image", d->First()->GetDisplayName());
  EXPECT_EQ(ptColored, d->First()->PaletteType);
  bmp = d->First()->Decode();
  EXPECT_EQ(9u, bmp->GetPixel(24, 200));
  EXPECT_EQ(12u, bmp->GetPixel(28, 200));
  EXPECT_EQ(0x8080FFu, bmp->Palette->GetRGBQuad(9));
  EXPECT_EQ(0xFF8080u, bmp->Palette->GetRGBQuad(12));
  EXPECT_EQ(0x00C0C0u, bmp->Palette->GetRGBQuad(3));
  for (uint8_t mode : {0x04, 0x07, 0x00}) {
    sixteen.back() = mode;
    EXPECT_EQ(0, Detect("x.sps", sixteen)->Engines->Count()) << int(mode);
  }
  sixteen[12288 + At(3, 200)] = 208;
  sixteen.back() = 0x07;
  EXPECT_EQ("Specialist 384x256x4 8 colors image",
            Detect("x.sps", sixteen)->First()->GetDisplayName());
}
