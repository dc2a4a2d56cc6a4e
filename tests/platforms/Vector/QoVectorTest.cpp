#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "color/QoAspect.h"
#include "platforms/Vector/QoOpenPlatformVector.h"
#include "support/QoEngineChecks.h"

namespace {

using TBytes = std::vector<uint8_t>;

TQoEngineRegistry VectorRegistry() {
  TQoEngineRegistry registry;
  RegisterVectorEngines(registry);
  return registry;
}

// The test picture: pixel (x, y) has value (x / 8 + y / 4) mod 16, and the top left
// 8 x 8 block value 15.
uint32_t PixelValue(int x, int y) {
  return x < 8 && y < 8 ? 15u : static_cast<uint32_t>((x / 8 + y / 4) % 16);
}

// The picture in the machine's screen layout: columns of 256 bytes, bottom line first,
// plane 0 giving value 8 down to plane 3 giving 1.
TBytes ScreenOfPicture() {
  TBytes screen(32768);
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 256; ++x) {
      const uint32_t v = PixelValue(x, y);
      for (std::size_t p = 0; p < 4; ++p) {
        if (v >> (3 - p) & 1u) {
          screen[p * 8192 + static_cast<std::size_t>(x / 8) * 256 +
                 static_cast<std::size_t>(255 - y)] |= static_cast<uint8_t>(0x80 >> (x % 8));
        }
      }
    }
  }
  return screen;
}

// A screen with every kind of run: the picture (long runs of 0x00 and 0xFF), bytes
// that change every place, runs of two, three and seven, and the last byte alone.
TBytes VariedScreen() {
  TBytes screen = ScreenOfPicture();
  for (std::size_t i = 1000; i < 1300; ++i) screen[i] = static_cast<uint8_t>(0x20 + i % 0x70);
  std::fill(screen.begin() + 2000, screen.begin() + 2003, 0x77);
  std::fill(screen.begin() + 2003, screen.begin() + 2010, 0x66);
  std::fill(screen.begin() + 2010, screen.begin() + 2012, 0x00);
  screen[2012] = 0x01;
  screen[32766] = 0x13;
  screen[32767] = 0x12;
  return screen;
}

// Packs a screen in the order the unpacker reads: from the last byte down. Tokens are
// written in reading order, then the stream is turned round into file order.
// The places that hold a code byte are listed in the header, with any other byte in
// the stream.
TBytes KarandashFile(const TBytes& screen, uint8_t a, uint8_t b, uint8_t c, uint8_t fill,
                     const std::vector<std::vector<uint16_t>>& places) {
  TBytes read;
  std::size_t i = screen.size();
  while (i > 0) {
    const uint8_t v = screen[i - 1];
    std::size_t run = 1;
    while (run < 255 && run < i && screen[i - 1 - run] == v) ++run;
    if (v == a || v == b || v == c) {
      read.push_back(0x55);
      i -= 1;
    } else if (v == fill && run >= 2 && run < 4) {
      read.push_back(a);
      i -= 2;
    } else if (run >= 4) {
      read.insert(read.end(), {c, static_cast<uint8_t>(run), v});
      i -= run;
    } else if (run == 3) {
      read.insert(read.end(), {b, v});
      i -= 3;
    } else {
      read.push_back(v);
      i -= 1;
    }
  }
  TBytes file(64);
  file[2] = static_cast<uint8_t>((read.size() - 1) & 0xFF);
  file[3] = static_cast<uint8_t>((read.size() - 1) >> 8);
  file[4] = fill;
  const std::string signature = "T.288-31-25";
  std::copy(signature.begin(), signature.end(), file.begin() + 5);
  const uint8_t codes[3] = {a, b, c};
  for (std::size_t k = 0; k < 3; ++k) {
    const std::size_t at = 16 + 16 * k;
    file[at] = codes[k];
    file[at + 1] = static_cast<uint8_t>(places[k].size());
    for (std::size_t n = 0; n < places[k].size(); ++n) {
      file[at + 2 + 2 * n] = static_cast<uint8_t>(places[k][n]);
      file[at + 3 + 2 * n] = static_cast<uint8_t>(places[k][n] >> 8);
    }
  }
  file.insert(file.end(), read.rbegin(), read.rend());
  return file;
}

// A Draw file: registers, two unread bytes, runs read from the end, trailing zeros.
TBytes DrawFile(const TBytes& screen, const TBytes& registers) {
  TBytes read;
  std::size_t i = screen.size();
  while (i > 0) {
    const uint8_t v = screen[i - 1];
    std::size_t run = 1;
    while (run < 127 && run < i && screen[i - 1 - run] == v) ++run;
    if (run >= 2) {
      read.insert(read.end(), {static_cast<uint8_t>(128 + run), v});
      i -= run;
    } else {
      std::size_t n = 1;
      while (n < 128 && n < i && (n + 1 >= i || screen[i - 1 - n] != screen[i - 2 - n])) ++n;
      read.push_back(static_cast<uint8_t>(n));
      for (std::size_t k = 0; k < n; ++k) read.push_back(screen[i - 1 - k]);
      i -= n;
    }
  }
  TBytes file = registers;
  file.resize(18, 0xEE);
  file.insert(file.end(), read.rbegin(), read.rend());
  file.insert(file.end(), {0, 0, 0});
  return file;
}

// A REMBRANDT file of columns x lines, padded to whole sectors; the registers in file
// order are 0xF0 + 15 - i.
TBytes RembrandtFile(std::size_t columns, std::size_t lines, bool pad = true) {
  TBytes file(19);
  for (std::size_t i = 0; i < 16; ++i) file[15 - i] = static_cast<uint8_t>(0xF0 + i);
  file[16] = static_cast<uint8_t>(columns);
  file[17] = static_cast<uint8_t>(lines & 0xFF);
  file[18] = 15;
  for (std::size_t y = 0; y < lines; ++y) {
    for (std::size_t p = 0; p < 4; ++p) {
      for (std::size_t c = 0; c < columns; ++c) {
        uint8_t byte = 0;
        for (int b = 0; b < 8; ++b) {
          if (PixelValue(static_cast<int>(8 * c) + b, static_cast<int>(y)) >> p & 1u) {
            byte |= static_cast<uint8_t>(0x80 >> b);
          }
        }
        file.push_back(byte);
      }
    }
  }
  if (pad) file.resize((file.size() + 255) / 256 * 256, 0x1A);
  return file;
}

// One change a line: register 0 takes colour byte y on line y.
TBytes Pals(std::size_t perLine) {
  TBytes pals{static_cast<uint8_t>(perLine)};
  for (std::size_t y = 1; y < 256; ++y) {
    for (std::size_t k = 0; k < perLine; ++k)
      pals.insert(pals.end(), {static_cast<uint8_t>(k), static_cast<uint8_t>(y)});
  }
  return pals;
}

void ExpectPicture(const TQoBitmap& bmp, int width, int height) {
  ASSERT_EQ(width, bmp.Width);
  ASSERT_EQ(height, bmp.Height);
  int wrong = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) wrong += bmp.GetPixel(x, y) != PixelValue(x, y);
  }
  EXPECT_EQ(0, wrong);
}

}  // namespace

TEST(QoVectorTest, RegistersItsEnginesAfterUKNC) {
  const std::vector<std::string> classes = {"TQoVectorSCREngine", "TQoVectorSPREngine",
                                            "TQoVectorRMBEngine"};
  EXPECT_EQ(classes, QoClassNames(VectorRegistry()));
  QoExpectModuleInStartUpOrder(classes, "TQoUKNCEngine", "TQoZxSpectrumBWEngine");
}

TEST(QoVectorTest, PaletteTypesFollowTheirLevels) {
  TQoPalette256 palette;
  QoSetVectorPalette(palette, ptColoredLinear);
  ASSERT_EQ(256, palette.GetCount());
  EXPECT_EQ(0x2449AAu, palette.GetRGBQuad(1 | 2 << 3 | 2 << 6));
  EXPECT_EQ(0x2449AAu, QoVectorColor(ptColoredLinear, 1 | 2 << 3 | 2 << 6));
  QoSetVectorPalette(palette, ptColoredEMU);
  EXPECT_EQ(0x325CBFu, palette.GetRGBQuad(1 | 2 << 3 | 2 << 6));
  QoSetVectorPalette(palette, ptColoredVirtualVector);
  EXPECT_EQ(0xFF2658u, palette.GetRGBQuad(7 | 1 << 3 | 1 << 6));
  EXPECT_THROW(QoSetVectorPalette(palette, ptRGB888), std::exception);
}

TEST(QoVectorTest, KarandashUnpacksBackwardsWithItsThreeCodes) {
  // Code bytes on the screen come only from the header's lists.
  const uint8_t a = 0xA0, b = 0xB0, c = 0xC0;
  TBytes screen = VariedScreen();
  screen[5] = a, screen[30000] = a, screen[100] = b, screen[20000] = c;
  const TBytes file = KarandashFile(screen, a, b, c, 0x00, {{5, 30000}, {100}, {20000}});
  TQoVectorKarandashHeader header;
  ASSERT_TRUE(header.Read(TQoByteView(file.data(), file.size())));
  TBytes unpacked(32768);
  ASSERT_TRUE(
      QoUnpackVectorKarandash(TQoByteView(file.data(), file.size()), header, unpacked.data()));
  EXPECT_EQ(screen, unpacked);

  const TBytes picture = KarandashFile(ScreenOfPicture(), a, b, c, 0x00, {{}, {}, {}});
  auto d = QoDetectIn(VectorRegistry(), "p.scr", picture);
  ASSERT_EQ(1, d->Engines->Count());
  TQoSourceEngine& engine = *d->First();
  EXPECT_EQ(11, engine.DetectFlags);
  EXPECT_EQ("Vector-06C 256x256x4 Karandash image", engine.GetDisplayName());
  EXPECT_EQ(QoAspectIndexByLabel("4:3"), engine.AspectIndex);
  auto bmp = engine.Decode();
  ExpectPicture(*bmp, 256, 256);
  ASSERT_EQ(16, bmp->Palette->GetCount());
  EXPECT_EQ(QoVectorColor(ptColoredLinear, 0xD0), bmp->Palette->GetRGBQuad(3));
  EXPECT_EQ(9, QoDetectIn(VectorRegistry(), "p.bin", file)->First()->DetectFlags);

  // The stream one byte short (the last screen byte is a literal of its own), one byte
  // long, an exception count of 8 or a run of 0 is no picture.
  auto withLength = [](TBytes bytes, int change) {
    const int length = (bytes[2] | bytes[3] << 8) + change;
    bytes[2] = static_cast<uint8_t>(length), bytes[3] = static_cast<uint8_t>(length >> 8);
    return bytes;
  };
  TBytes shorter = withLength(file, -1);
  shorter.pop_back();
  EXPECT_EQ(0, QoDetectIn(VectorRegistry(), "p.scr", shorter)->Engines->Count());
  TBytes longer = withLength(file, 1);
  longer.insert(longer.begin() + 64, 0x11);
  EXPECT_EQ(0, QoDetectIn(VectorRegistry(), "p.scr", longer)->Engines->Count());
  TBytes badCount = file;
  badCount[17] = 8;
  EXPECT_EQ(0, QoDetectIn(VectorRegistry(), "p.scr", badCount)->Engines->Count());
  TBytes zeroRun = KarandashFile(TBytes(32768, 0x33), a, b, c, 0x00, {{}, {}, {}});
  zeroRun[zeroRun.size() - 2] = 0;  // the first run's count
  EXPECT_EQ(0, QoDetectIn(VectorRegistry(), "p.scr", zeroRun)->Engines->Count());
}

TEST(QoVectorTest, DrawScreensNeedTheirExtensionAndTakeLineChanges) {
  TBytes registers(16);
  for (std::size_t i = 0; i < 16; ++i) registers[i] = static_cast<uint8_t>(0x10 + i);
  const TBytes varied = DrawFile(VariedScreen(), registers);
  TBytes unpacked(32768);
  ASSERT_TRUE(QoUnpackVectorDraw(TQoByteView(varied.data(), varied.size()), unpacked.data()));
  EXPECT_EQ(VariedScreen(), unpacked);
  const TBytes file = DrawFile(ScreenOfPicture(), registers);
  EXPECT_EQ(0, QoDetectIn(VectorRegistry(), "p.scr", file)->Engines->Count());
  auto d = QoDetectIn(VectorRegistry(), "p.spr", file);
  ASSERT_EQ(1, d->Engines->Count());
  TQoSourceEngine& engine = *d->First();
  EXPECT_EQ(11, engine.DetectFlags);
  EXPECT_EQ("Vector-06C 256x256x4 Draw image", engine.GetDisplayName());
  auto bmp = engine.Decode();
  ExpectPicture(*bmp, 256, 256);
  EXPECT_EQ(QoVectorColor(ptColoredLinear, 0x1F), bmp->Palette->GetRGBQuad(15));
  engine.PaletteType = ptColoredEMU;
  EXPECT_EQ(QoVectorColor(ptColoredEMU, 0x1F), engine.Decode()->Palette->GetRGBQuad(15));

  TBytes zero = file;
  std::fill(zero.begin() + 18, zero.end(), 0);
  EXPECT_EQ(0, QoDetectIn(VectorRegistry(), "p.spr", zero)->Engines->Count());
  TBytes extra = file;
  extra.insert(extra.begin() + 18, 0x01);
  EXPECT_EQ(0, QoDetectIn(VectorRegistry(), "p.spr", extra)->Engines->Count());
  TBytes cut = file;
  cut.erase(cut.begin() + 18);
  EXPECT_EQ(0, QoDetectIn(VectorRegistry(), "p.spr", cut)->Engines->Count());

  // Register 0 takes colour byte y from line y on; line 0 keeps the file's 0x10.
  auto changed = QoDetectIn(VectorRegistry(), "p.spr", file, Pals(1));
  TQoSourceEngine& pchg = *changed->First();
  EXPECT_EQ(" PCHG1 image", pchg.Description);
  auto lines = pchg.Decode();
  EXPECT_EQ(8, lines->BitsPerPixel);
  // Pixels of value 0 show register 0: on line y, x / 8 + y / 4 is a multiple of 16.
  for (int y : {0, 1, 100, 255}) {
    const int x = 8 * ((16 - (y / 4) % 16) % 16 + 16) + 3;
    ASSERT_EQ(0u, PixelValue(x, y));
    const uint32_t expected =
        QoVectorColor(ptColoredLinear, static_cast<uint8_t>(y == 0 ? 0x10 : y));
    EXPECT_EQ(expected, lines->Palette->GetRGBQuad(static_cast<int>(lines->GetPixel(x, y)))) << y;
  }
  const TQoPalette256& merged = *lines->Palette;
  for (int i = 1; i < merged.GetCount(); ++i) {
    EXPECT_LE(merged.GetPColor(i - 1).GetLuminance(), merged.GetPColor(i).GetLuminance());
  }

  // No changes a line is still the line-change road; a malformed file is ignored.
  auto none = QoDetectIn(VectorRegistry(), "p.spr", file, Pals(0));
  EXPECT_EQ(" PCHG0 image", none->First()->Description);
  EXPECT_EQ(16, none->First()->Decode()->Palette->GetCount());
  TBytes badPals = Pals(2);
  badPals[3] = 16;
  EXPECT_EQ(" image", QoDetectIn(VectorRegistry(), "p.spr", file, badPals)->First()->Description);
  TBytes shortPals = Pals(1);
  shortPals.pop_back();
  EXPECT_EQ(" image", QoDetectIn(VectorRegistry(), "p.spr", file, shortPals)->First()->Description);
}

TEST(QoVectorTest, LineChangesThroughAllColoursFitOnePalette) {
  // Sixteen registers of one colour and changes through all 256: registers that share a
  // colour share its entry, so the picture keeps every colour the machine has.
  const TBytes file = DrawFile(ScreenOfPicture(), TBytes(16, 0x00));
  TBytes pals{16};
  for (std::size_t y = 1; y < 256; ++y) {
    for (std::size_t k = 0; k < 16; ++k) {
      pals.insert(pals.end(), {static_cast<uint8_t>(k), static_cast<uint8_t>(y * 16 + k)});
    }
  }
  auto d = QoDetectIn(VectorRegistry(), "p.spr", file, pals);
  EXPECT_EQ(" PCHG16 image", d->First()->Description);
  auto bmp = d->First()->Decode();
  EXPECT_EQ(256, bmp->Palette->GetCount());
  // On the last line register v holds colour byte 255 * 16 + v.
  const uint32_t v = PixelValue(248, 255);
  EXPECT_EQ(QoVectorColor(ptColoredLinear, static_cast<uint8_t>(255 * 16 + v)),
            bmp->Palette->GetRGBQuad(static_cast<int>(bmp->GetPixel(248, 255))));
}

TEST(QoVectorTest, RembrandtLinesOfFourPlanesAndTheSectorRule) {
  auto d = QoDetectIn(VectorRegistry(), "p.rbr", RembrandtFile(32, 256), Pals(1));
  TQoSourceEngine& engine = *d->First();
  ASSERT_EQ("TQoVectorRMBEngine", engine.EngineClass);
  EXPECT_EQ(11, engine.DetectFlags);
  EXPECT_EQ("Vector-06C 256x256x4 REMBRANDT PCHG1 image", engine.GetDisplayName());
  EXPECT_EQ(8, engine.Decode()->BitsPerPixel);

  auto small = QoDetectIn(VectorRegistry(), "p.rmb", RembrandtFile(5, 30), Pals(1));
  TQoSourceEngine& part = *small->First();
  EXPECT_EQ("Vector-06C 40x30x4 REMBRANDT image", part.GetDisplayName());
  auto bmp = part.Decode();
  ExpectPicture(*bmp, 40, 30);
  EXPECT_EQ(QoVectorColor(ptColoredLinear, 0xF0), bmp->Palette->GetRGBQuad(0));
  EXPECT_EQ(QoVectorColor(ptColoredLinear, 0xFF), bmp->Palette->GetRGBQuad(15));
  EXPECT_EQ(9, QoDetectIn(VectorRegistry(), "p.dat", RembrandtFile(5, 30))->First()->DetectFlags);

  // The last sector may stop short of the picture: the missing bytes read as 0.
  TBytes shortFile = RembrandtFile(32, 256, false);
  shortFile.resize(shortFile.size() - 10);  // plane 8 of the last 10 columns of the last line
  auto cut = QoDetectIn(VectorRegistry(), "p.rmb", shortFile);
  ASSERT_EQ(1, cut->Engines->Count());
  auto cutBmp = cut->First()->Decode();
  EXPECT_EQ(PixelValue(255, 255) & 7u, cutBmp->GetPixel(255, 255));
  EXPECT_EQ(PixelValue(255, 254), cutBmp->GetPixel(255, 254));

  TBytes extraSector = RembrandtFile(5, 30);
  extraSector.resize(extraSector.size() + 256);
  EXPECT_EQ(0, QoDetectIn(VectorRegistry(), "p.rmb", extraSector)->Engines->Count());
  for (const auto& [at, value] : {std::pair{16, 0}, std::pair{16, 33}, std::pair{18, 14}}) {
    TBytes bad = RembrandtFile(5, 30);
    bad[static_cast<std::size_t>(at)] = static_cast<uint8_t>(value);
    EXPECT_EQ(0, QoDetectIn(VectorRegistry(), "p.rmb", bad)->Engines->Count()) << at;
  }
}
