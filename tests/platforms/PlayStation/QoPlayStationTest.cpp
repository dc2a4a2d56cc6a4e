#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platforms/PlayStation/QoOpenPlatformPlayStation.h"
#include "support/QoEngineChecks.h"

namespace {

using TBytes = std::vector<uint8_t>;

TQoEngineRegistry Registry() {
  TQoEngineRegistry registry;
  RegisterPlayStationEngines(registry);
  return registry;
}

void Put(TBytes& b, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

void Block(TBytes& b, uint16_t w, uint16_t h, const TBytes& data) {
  Put(b, uint32_t(w) * h * 2 + 12, 4);
  Put(b, 0, 4);
  Put(b, w, 2);
  Put(b, h, 2);
  b.insert(b.end(), data.begin(), data.end());
}

TEST(QoPlayStationTest, RegistersTheTIMEngine) {
  EXPECT_EQ(QoClassNames(Registry()), std::vector<std::string>{"TQoPlayStationSourceEngine"});
}

TEST(QoPlayStationTest, ColourTablesAreVariantsAndPixelsFollowTheMode) {
  // Four-bit pixels, low nibble first, three colour tables of 16 colours.
  TBytes file;
  Put(file, 16, 4);
  Put(file, 8, 4);
  TBytes cluts(3 * 16 * 2, 0);
  cluts[2] = 0x1F;                             // table 1, colour 1: red
  cluts[32 + 2] = 0xE0, cluts[32 + 3] = 0x03;  // table 2, colour 1: green
  Block(file, 16, 3, cluts);
  Block(file, 1, 2, {0x21, 0x00, 0x00, 0x00});
  auto d = QoDetectIn(Registry(), "t.tim", file);
  TQoSourceEngine& e = *d->First();
  EXPECT_EQ(e.DetectFlags, 11);
  EXPECT_EQ(e.GetDisplayName(), "PlayStation 4x2x4 image");
  ASSERT_EQ(e.GetPaletteVariantCount(), 3);
  EXPECT_EQ(e.GetPaletteVariant(2), "Clut 3");
  auto bmp = e.Decode();
  EXPECT_EQ(bmp->GetPixel(0, 0), 1u);
  EXPECT_EQ(bmp->GetPixel(1, 0), 2u);
  EXPECT_EQ(e.Palette->GetRGBQuad(1), 0xFF0000u);
  e.PaletteVariant = "Clut 2";
  e.Decode();
  EXPECT_EQ(e.Palette->GetRGBQuad(1), 0x00FF00u);
  e.PaletteVariant = "Clut 9";
  EXPECT_THROW(e.Decode(), EQoError);

  // 24 bits: w = 4 units give (4 div 3) * 2 = 2 pixels a line, read on across lines.
  TBytes direct;
  Put(direct, 16, 4);
  Put(direct, 3, 4);
  Block(direct, 4, 2, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0, 0, 0, 0});
  auto t = QoDetectIn(Registry(), "t.bin", direct);
  EXPECT_EQ(t->First()->DetectFlags, 9);
  EXPECT_EQ(t->First()->Width, 2);
  auto rgb = t->First()->Decode();
  EXPECT_EQ(rgb->GetPixel(1, 0), 0x040506u);
  EXPECT_EQ(rgb->GetPixel(0, 1), 0x070809u);
  // A colour block that leaves no room, or pixels beyond the file, declines.
  direct.resize(direct.size() - 1);
  EXPECT_EQ(QoDetectIn(Registry(), "t.tim", direct)->Engines->Count(), 0);
}

TEST(QoPlayStationTest, RealTexturesAreRecognisedAndDecode) {
  QO_REQUIRE_SAMPLES();
  const std::map<std::string, std::string> expectedEngine = {
      {"psx-tim", "TQoPlayStationSourceEngine"}};
  // Pinned after checking each picture by eye. texture.tim stores a wrong image block
  // length; its pixels are all there.
  const std::map<std::string, std::string> pinned = {{"psx/bungirl.tim", "6df2f138a8b4d35f"},
                                                     {"psx/n00blogo-pixel.tim", "99983efedacad8dc"},
                                                     {"psx/texture.tim", "b84c526813ef281b"},
                                                     {"psx/tiles_256.tim", "a3110a8da62173b2"}};
  EXPECT_EQ(4, QoCheckRealPictures(QoDefaultRegistry(), expectedEngine, pinned));
}

}  // namespace
