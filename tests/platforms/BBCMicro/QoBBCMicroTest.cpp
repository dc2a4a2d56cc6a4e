#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platforms/BBCMicro/QoOpenPlatformBBCMicro.h"
#include "support/QoEngineChecks.h"

namespace {

using TBytes = std::vector<uint8_t>;

TQoEngineRegistry Registry() {
  TQoEngineRegistry registry;
  RegisterBBCMicroEngines(registry);
  return registry;
}

std::unique_ptr<TQoDetected> Detect(const std::string& name, TBytes bytes) {
  return QoDetectIn(Registry(), name, std::move(bytes));
}

uint8_t Reversed(uint8_t b) {
  uint8_t r = 0;
  for (int i = 0; i < 8; ++i) r = uint8_t(r | ((b >> i) & 1) << (7 - i));
  return r;
}

// The LdPic stream: numbers least significant bit first, each byte stored bit-reversed.
struct TLdPicWriter {
  TBytes Bytes;
  std::size_t Bit = 0;
  void Put(uint32_t value, int count) {
    for (int i = 0; i < count; ++i, ++Bit) {
      if (Bit % 8 == 0) Bytes.push_back(0);
      Bytes.back() = uint8_t(Bytes.back() | ((value >> i) & 1) << (Bit % 8));
    }
  }
  TBytes File(uint8_t mode, uint8_t step, const uint8_t colors[16]) const {
    TBytes header = {8, mode, 0, 0, 0, 0, 0, 0, 0, 0, step, 8};
    for (int i = 0; i < 8; ++i) header[9 - i] = uint8_t(colors[2 * i] << 4 | colors[2 * i + 1]);
    TBytes file;
    for (uint8_t b : header) file.push_back(Reversed(b));
    for (uint8_t b : Bytes) file.push_back(Reversed(b));
    return file;
  }
};

TEST(QoBBCMicroTest, RegistersInOrder) {
  EXPECT_EQ(QoClassNames(Registry()),
            (std::vector<std::string>{"TQoBBCMicro0Engine", "TQoBBCMicro1Engine",
                                      "TQoBBCMicro2Engine", "TQoBBCMicro2NulaEngine",
                                      "TQoBBCMicro4Engine", "TQoBBCMicro5Engine",
                                      "TQoBBCMicro8Engine", "TQoBBCMicroLdPicEngine"}));
}

TEST(QoBBCMicroTest, CellLayoutPackingsAndPalettes) {
  TBytes screen(20480, 0);
  screen[0] = 0x88;    // row 0, column 0, line 0
  screen[9] = 0xAA;    // column 1, line 1
  screen[640] = 0x80;  // character row 1, line 0: y = 8
  // The extension picks the mode among screens of one size; without one mode 0 wins.
  EXPECT_EQ(Detect("p.dat", screen)->First()->EngineClass, "TQoBBCMicro0Engine");
  auto d = Detect("p.bb1", screen);
  TQoSourceEngine& one = *d->First();
  EXPECT_EQ(one.EngineClass, "TQoBBCMicro1Engine");
  EXPECT_EQ(one.GetDisplayName(), "BBC Micro 320x256x2 Mode 1 image");
  EXPECT_EQ(one.AspectIndex, 31);
  auto bmp = one.Decode();
  EXPECT_EQ(bmp->GetPixel(0, 0), 3u);
  EXPECT_EQ(bmp->GetPixel(1, 0), 0u);
  EXPECT_EQ(bmp->GetPixel(4, 1), 3u);  // 0xAA: bits 7 and 3 of pixel 0
  EXPECT_EQ(bmp->GetPixel(0, 8), 2u);
  EXPECT_EQ(one.Palette->GetRGBQuad(2), 0xFFFF00u);  // black, red, yellow, white
  auto two = Detect("p.bb2", screen)->First()->Decode();
  EXPECT_EQ(two->GetPixel(2, 1), 7u);
  EXPECT_EQ(two->GetPixel(3, 1), 0u);
  auto zero = Detect("p.bb0", screen);
  EXPECT_EQ(zero->First()->Width, 640);
  EXPECT_EQ(zero->First()->AspectIndex, 12);

  // The logical palette in front of a mode 1 screen; a colour number above 7 declines.
  TBytes withPalette = {0, 4, 6, 7};
  withPalette.insert(withPalette.end(), screen.begin(), screen.end());
  auto p = Detect("p.bb1", withPalette);
  p->First()->Decode();
  EXPECT_EQ(p->First()->Palette->GetRGBQuad(1), 0x0000FFu);
  EXPECT_EQ(p->First()->Palette->GetRGBQuad(2), 0x00FFFFu);
  withPalette[2] = 8;
  EXPECT_EQ(Detect("p.bb1", withPalette)->Engines->Count(), 0);

  // Mode 8: four bits a pixel in 40 columns of a 10 KB screen.
  TBytes small(10240, 0);
  small[8] = 0xFF;
  auto eight = Detect("p.bb8", small);
  EXPECT_EQ(eight->First()->Width, 80);
  EXPECT_EQ(eight->First()->Decode()->GetPixel(2, 0), 7u);
}

TEST(QoBBCMicroTest, NulaPictures) {
  TBytes file(64 + 160 * 256 / 2, 0);
  file[0] = 1, file[1] = 2, file[2] = 160, file[3] = 0;
  for (int i = 0; i < 16; ++i) {
    file[32 + 2 * i] = uint8_t(i << 4 | (i == 3 ? 0xF : 0));
    file[33 + 2 * i] = uint8_t(i == 3 ? 0x80 : 0);
  }
  file[64] = 0xAA;  // pixel 0: colour 15
  auto d = Detect("p.bbc", file);
  TQoSourceEngine& e = *d->First();
  EXPECT_EQ(e.DetectFlags, 11);
  EXPECT_EQ(e.GetDisplayName(), "BBC Micro 160x256x4 NuLA Mode 2 image");
  EXPECT_EQ(e.Decode()->GetPixel(0, 0), 15u);
  EXPECT_EQ(e.Palette->GetRGBQuad(3), 0xFF8800u);
  file[32 + 10] = 0x40;  // entry 5 claims index 4
  EXPECT_EQ(Detect("p.bbc", file)->Engines->Count(), 0);
}

TEST(QoBBCMicroTest, LdPicRunsFillColumnsAndTheStreamMustEndRight) {
  const uint8_t colors[16] = {0, 2, 4, 6, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
  // Mode 4, two columns: 5120 bytes each, down column 1 first, then column 0.
  TLdPicWriter w;
  for (int column = 1; column >= 0; --column) {
    for (int left = 5120; left > 0; left -= 255) {
      w.Put(1, 1);
      w.Put(uint32_t(left < 255 ? left : 255), 8);
      w.Put(column ? 0x80 : 0x01, 8);
    }
  }
  const TBytes file = w.File(4, 2, colors);
  auto d = Detect("p.bbg", file);
  ASSERT_EQ(d->Engines->Count(), 1);
  TQoSourceEngine& e = *d->First();
  EXPECT_EQ(e.GetDisplayName(), "BBC Micro 320x256x1 LdPic Mode 4 image");
  auto bmp = e.Decode();
  EXPECT_EQ(e.Palette->GetRGBQuad(1), 0x00FF00u);  // the header's second colour
  // Byte 0 (the even bytes' column) holds 0x01, byte 1 (line 1 of the same cell) 0x80.
  EXPECT_EQ(bmp->GetPixel(7, 0), 1u);
  EXPECT_EQ(bmp->GetPixel(0, 1), 1u);
  EXPECT_EQ(bmp->GetPixel(1, 1), 0u);
  EXPECT_EQ(Detect("p.dat", file)->First()->DetectFlags, 9);
  // A byte more than the stream needs is refused unless the name says LdPic.
  TBytes longer = file;
  longer.push_back(0);
  EXPECT_EQ(Detect("p.dat", longer)->Engines->Count(), 0);
  EXPECT_EQ(Detect("p.bbg", longer)->Engines->Count(), 1);
  // A stream cut in the middle of a line of the first column is refused.
  EXPECT_EQ(Detect("p.bbg", TBytes(file.begin(), file.begin() + 20))->Engines->Count(), 0);
}

}  // namespace
