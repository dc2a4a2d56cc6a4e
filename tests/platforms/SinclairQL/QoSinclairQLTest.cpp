#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "platforms/SinclairQL/QoOpenPlatformSinclairQL.h"
#include "support/QoEngineChecks.h"

namespace {

using TBytes = std::vector<uint8_t>;

TQoEngineRegistry Registry() {
  TQoEngineRegistry registry;
  RegisterSinclairQLEngines(registry);
  return registry;
}

TBytes Pic(uint16_t width, uint16_t height, uint16_t lineBytes, uint8_t mode, const TBytes& lines) {
  TBytes b = {0x4A,
              0xFC,
              uint8_t(width >> 8),
              uint8_t(width),
              uint8_t(height >> 8),
              uint8_t(height),
              uint8_t(lineBytes >> 8),
              uint8_t(lineBytes),
              mode,
              0};
  // Grown once and filled in place: GCC 12 for MinGW reports a false out-of-bounds copy
  // inside vector::insert here.
  b.resize(10 + lines.size());
  std::copy(lines.begin(), lines.end(), b.begin() + 10);
  return b;
}

TEST(QoSinclairQLTest, RegistersScreensThenPIC) {
  EXPECT_EQ(QoClassNames(Registry()),
            (std::vector<std::string>{"TQoSinclairQL4Engine", "TQoSinclairQL8Engine",
                                      "TQoSinclairQLPICEngine"}));
}

TEST(QoSinclairQLTest, ScreenWordsInBothModes) {
  TBytes screen(32768, 0);
  // Mode 4: pixel 0 green (even byte bit 7), pixel 1 red (odd byte bit 6), pixel 2 white.
  screen[0] = 0xA0;
  screen[1] = 0x60;
  auto d = QoDetectIn(Registry(), "pic.scr4", screen);
  TQoSourceEngine* four = d->Find("TQoSinclairQL4Engine");
  ASSERT_EQ(d->First(), four);
  EXPECT_EQ(four->DetectFlags, 10);
  auto bmp = four->Decode();
  EXPECT_EQ(bmp->GetPixel(0, 0), 1u);
  EXPECT_EQ(bmp->GetPixel(1, 0), 2u);
  EXPECT_EQ(bmp->GetPixel(2, 0), 3u);
  EXPECT_EQ(four->Palette->GetRGBQuad(1), 0x00FF00u);
  // The same word as mode 8: pixel 0 green + red + blue bits: 7 - 2k = 7 green (even),
  // red (odd bit 7) clear, blue (odd bit 6) set: green + blue.
  auto eight = d->Find("TQoSinclairQL8Engine")->Decode();
  EXPECT_EQ(eight->GetPixel(0, 0), 3u);
  // Pixel 1 (bits 5, 4): even bit 5 green set, odd bit 5 red set, odd bit 4 blue clear.
  EXPECT_EQ(eight->GetPixel(1, 0), 6u);

  // Without any flash bit set (even bytes only on 0xAA bits), mode 8 leads, unless the
  // name says mode 4.
  TBytes mode8(32768, 0);
  for (std::size_t i = 0; i < mode8.size(); i += 2) mode8[i] = 0x88;
  EXPECT_EQ(QoDetectIn(Registry(), "pic.scr", mode8)->First()->EngineClass, "TQoSinclairQL8Engine");
  EXPECT_EQ(QoDetectIn(Registry(), "pic.qs4", mode8)->First()->EngineClass, "TQoSinclairQL4Engine");
  mode8[1000] = 0x01;  // a flash bit: no mark
  EXPECT_EQ(QoDetectIn(Registry(), "pic.scr", mode8)->First()->EngineClass, "TQoSinclairQL4Engine");
}

TEST(QoSinclairQLTest, PICModesStridesAndChecks) {
  // 256 colours, 2 x 2 pixels with a stride of 3: the third byte of each line is skipped.
  auto d = QoDetectIn(Registry(), "p.pic", Pic(2, 2, 3, 16, {0x00, 0xFF, 0x77, 0x12, 0x80, 0x99}));
  TQoSourceEngine& e = *d->First();
  EXPECT_EQ(e.DetectFlags, 11);
  EXPECT_EQ(e.GetDisplayName(), "Sinclair QL 2x2x8 GD2 mode 16 image");
  auto bmp = e.Decode();
  EXPECT_EQ(bmp->GetPixel(0, 1), 0x12u);
  EXPECT_EQ(bmp->GetPixel(1, 1), 0x80u);
  EXPECT_EQ(e.Palette->GetRGBQuad(0xFF), 0xFFFFFFu);
  EXPECT_EQ(e.Palette->GetRGBQuad(0x80), 0x009200u);  // bit 7: green level 4
  EXPECT_EQ(e.Palette->GetRGBQuad(0x01), 0x240000u);  // t = 1: red level 1

  // Mode 33, big-endian words: only bit 0 set is level 1 of 63 everywhere.
  auto m33 = QoDetectIn(Registry(), "p", Pic(2, 1, 4, 33, {0x00, 0x01, 0xF8, 0x00}));
  EXPECT_EQ(m33->First()->DetectFlags, 9);
  auto tc = m33->First()->Decode();
  EXPECT_EQ(tc->GetPixel(0, 0), 0x040404u);
  EXPECT_EQ(tc->GetPixel(1, 0), 0x00FB00u);  // green bits 15-11 full, its sixth bit clear: 62 of 63
  // Mode 32, little-endian: red 5 bits widened by their top bit.
  auto m32 = QoDetectIn(Registry(), "p", Pic(1, 1, 2, 32, {0x00, 0xF8}));
  EXPECT_EQ(m32->First()->Decode()->GetPixel(0, 0), 0xFF0000u);

  // Mode 8 PIC: width counts half pixels; an odd width, a short line or a wrong size is
  // refused.
  auto m8 = QoDetectIn(Registry(), "p", Pic(8, 1, 2, 8, {0x80, 0x80}));
  EXPECT_EQ(m8->First()->Width, 4);
  EXPECT_EQ(m8->First()->Decode()->GetPixel(0, 0), 6u);
  EXPECT_EQ(QoDetectIn(Registry(), "p", Pic(7, 1, 2, 8, {0, 0}))->Engines->Count(), 0);
  EXPECT_EQ(QoDetectIn(Registry(), "p", Pic(16, 1, 2, 0, {0, 0}))->Engines->Count(), 0);
  EXPECT_EQ(QoDetectIn(Registry(), "p", Pic(2, 2, 2, 16, {0, 0, 0}))->Engines->Count(), 0);
  EXPECT_EQ(QoDetectIn(Registry(), "p", Pic(2, 1, 2, 17, {0, 0}))->Engines->Count(), 0);
}

TEST(QoSinclairQLTest, RealScreenIsRecognisedAndDecodes) {
  QO_REQUIRE_SAMPLES();
  const std::map<std::string, std::string> expectedEngine = {{"ql-screen", "TQoSinclairQL8Engine"}};
  // Pinned after checking the picture by eye.
  const std::map<std::string, std::string> pinned = {{"sinclairql/2_dvd.scr", "339b806fd3901cc7"}};
  EXPECT_EQ(1, QoCheckRealPictures(QoDefaultRegistry(), expectedEngine, pinned));
}

}  // namespace
