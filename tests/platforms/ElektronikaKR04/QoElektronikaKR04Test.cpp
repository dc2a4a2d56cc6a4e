#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platforms/ElektronikaKR04/QoOpenPlatformElektronikaKR04.h"
#include "support/QoEngineChecks.h"

namespace {

using TBytes = std::vector<uint8_t>;

TQoEngineRegistry KR04Registry() {
  TQoEngineRegistry registry;
  RegisterElektronikaKR04Engines(registry);
  return registry;
}

std::unique_ptr<TQoDetected> Detect(const std::string& name, TBytes bytes) {
  return QoDetectIn(KR04Registry(), name, std::move(bytes));
}

// A header with the blue, green and red level fields and the screens after it.
TBytes File(uint8_t flags, uint16_t width, uint16_t height, const TBytes& screens, uint8_t blue = 0,
            uint8_t green = 0, uint8_t red = 0) {
  TBytes file = {'K', 'R', '0', '4', flags, blue, green, red};
  file.insert(file.end(), {static_cast<uint8_t>(width), static_cast<uint8_t>(width >> 8),
                           static_cast<uint8_t>(height), static_cast<uint8_t>(height >> 8)});
  file.insert(file.end(), screens.begin(), screens.end());
  return file;
}

std::vector<uint32_t> Row(const TQoBitmap& bmp, int y, int from, int count) {
  std::vector<uint32_t> values;
  for (int x = from; x < from + count; ++x) values.push_back(bmp.GetPixel(x, y));
  return values;
}

}  // namespace

TEST(QoElektronikaKR04Test, RegistersTheFamilyInOrder) {
  EXPECT_EQ((std::vector<std::string>{"TQoKR04Engine"}), QoClassNames(KR04Registry()));
}

TEST(QoElektronikaKR04Test, HeaderRulesAndTheColourLayout) {
  // Colour, 6 x 2: rows of 2 bytes; pixel k is bit k + 2 * bit k + 4.
  const TBytes screen = {0x00, 0x00, 0x21, 0x12};
  const TBytes file = File(3, 6, 2, screen, 0b00011011, 0, 0b11100100);
  auto d = Detect("x.krs", file);
  ASSERT_EQ("TQoKR04Engine", d->First()->EngineClass);
  EXPECT_EQ(11, d->First()->DetectFlags);
  EXPECT_EQ("Elektronika KR-04 6x2x2 EGA image", d->First()->GetDisplayName());
  EXPECT_EQ(37, d->First()->AspectIndex);
  auto bmp = d->First()->Decode();
  EXPECT_EQ((std::vector<uint32_t>{1, 2, 0, 0, 2, 1}), Row(*bmp, 1, 0, 6));
  EXPECT_EQ((std::vector<uint32_t>{0, 0, 0, 0, 0, 0}), Row(*bmp, 0, 0, 6));
  // Colour i takes levels 0, 85, 170, 255 from bits 2i and 2i + 1 of each field.
  ASSERT_EQ(4, bmp->Palette->GetCount());
  EXPECT_EQ(0x0000FFu, bmp->Palette->GetRGBQuad(0));
  EXPECT_EQ(0x5500AAu, bmp->Palette->GetRGBQuad(1));
  EXPECT_EQ(0xFF0000u, bmp->Palette->GetRGBQuad(3));
  EXPECT_EQ(9, Detect("x.bin", file)->First()->DetectFlags);

  d = Detect("x.krs", File(1, 6, 2, screen));
  EXPECT_EQ("Elektronika KR-04 6x2x2 BRGB image", d->First()->GetDisplayName());
  EXPECT_EQ(0x0000FFu, d->First()->Decode()->Palette->GetRGBQuad(1));

  TBytes longer = file;
  longer.push_back(0);
  TBytes unsigned_ = file;
  unsigned_[3] = '5';
  for (const TBytes& bad : {longer, unsigned_, File(3, 0, 2, {}), File(3, 6, 0, {}),
                            File(7, 6, 2, screen), TBytes(file.begin(), file.begin() + 12)}) {
    EXPECT_EQ(0, Detect("x.krs", bad)->Engines->Count());
  }
}

TEST(QoElektronikaKR04Test, MonochromeRowsAndTwoScreenPairs) {
  // 11 x 1 in black and white: bit 0 leftmost, two bytes a row.
  auto d = Detect("x.krs", File(0, 11, 1, {0x01, 0x04}));
  EXPECT_EQ("Elektronika KR-04 11x1x1 image", d->First()->GetDisplayName());
  EXPECT_EQ(17, d->First()->AspectIndex);
  auto bmp = d->First()->Decode();
  EXPECT_EQ((std::vector<uint32_t>{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}), Row(*bmp, 0, 0, 11));
  EXPECT_EQ(0xFFFFFFu, bmp->Palette->GetRGBQuad(1));
  // Two colours from the header's fields.
  bmp = Detect("x.krs", File(2, 11, 1, {0x01, 0x04}, 0b0100, 0b1000, 0b1100))->First()->Decode();
  ASSERT_EQ(2, bmp->Palette->GetCount());
  EXPECT_EQ(0x000000u, bmp->Palette->GetRGBQuad(0));
  EXPECT_EQ(0xFFAA55u, bmp->Palette->GetRGBQuad(1));

  // Two black-and-white screens: first * 2 + second, each screen a frame.
  d = Detect("x.krs", File(4, 8, 1, {0x03, 0x05}));
  EXPECT_EQ("Elektronika KR-04 8x1x1@2 image", d->First()->GetDisplayName());
  bmp = d->First()->Decode();
  EXPECT_EQ((std::vector<uint32_t>{3, 2, 1, 0}), Row(*bmp, 0, 0, 4));
  ASSERT_EQ(2, bmp->FrameCount());
  EXPECT_EQ((std::vector<uint32_t>{1, 1, 0, 0}), Row(*bmp->Frames->GetBitmap(0), 0, 0, 4));
  EXPECT_EQ((std::vector<uint32_t>{1, 0, 1, 0}), Row(*bmp->Frames->GetBitmap(1), 0, 0, 4));
  EXPECT_EQ(4, bmp->Palette->GetCount());

  // Two colour screens: first * 4 + second over the 16 mixed colours.
  d = Detect("x.krs", File(5, 4, 1, {0x21, 0x12}));
  bmp = d->First()->Decode();
  EXPECT_EQ((std::vector<uint32_t>{1 * 4 + 2, 2 * 4 + 1, 0, 0}), Row(*bmp, 0, 0, 4));
  EXPECT_EQ(16, bmp->Palette->GetCount());
  EXPECT_EQ(2u, bmp->Frames->GetBitmap(1)->GetPixel(0, 0));
}
