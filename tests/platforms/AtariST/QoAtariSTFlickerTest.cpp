#include <gtest/gtest.h>

#include <string>

#include "color/QoPaletteTypes.h"
#include "platforms/AtariST/QoAtariSTTestFiles.h"
#include "platforms/AtariST/QoOpenPlatformAtariST.h"
#include "support/QoEngineChecks.h"
#include "support/QoPackLz4.h"

using namespace qo::atari_test;

namespace {

// n palette words: word i = 0x0RGB with red = i & 7, blue = (i >> 1) & 7, plus extra bits.
void PutPalette(TBytes& bytes, std::size_t at, int n, unsigned extra = 0) {
  for (int i = 0; i < n; ++i) {
    PutBE16(bytes, at + 2 * static_cast<std::size_t>(i),
            static_cast<unsigned>((i & 7) << 8 | ((i >> 1) & 7)) | extra);
  }
}

// Pixel value v at group g (pixel 16 g) of the first line of an interleaved screen.
void PutGroupPixel(TBytes& bytes, std::size_t screen, int planes, int group, unsigned v) {
  for (int k = 0; k < planes; ++k) {
    if ((v >> k) & 1) bytes.at(screen + static_cast<std::size_t>(group * planes + k) * 2) |= 0x80;
  }
}

TQoLinRGBColor Linear(const TQoPalette256& palette, int i) {
  return palette.GetLinRGB(i);
}

}  // namespace

TEST(QoAtariSTFlickerTest, DuoScreensMixOneInTheOther) {
  TBytes duo(113600);
  PutPalette(duo, 0, 16);
  PutGroupPixel(duo, 32, 4, 0, 5);
  PutGroupPixel(duo, 56816, 4, 0, 9);
  auto d = Detect("pic.duo", duo);
  TQoSourceEngine* engine = d->Find("TQoAtariSTDUOEngine");
  ASSERT_NE(nullptr, engine);
  EXPECT_EQ(10, engine->DetectFlags);
  EXPECT_EQ(".du1", engine->DefaultExtension);
  // The low palette words also make a valid DU2 palette, and the file ends in zeros.
  TQoSourceEngine* du2 = d->Find("TQoAtariSTDU2Engine");
  ASSERT_NE(nullptr, du2);
  EXPECT_EQ(8, du2->DetectFlags);
  EXPECT_EQ("Atari ST 416x273x4@2 DUO image", engine->GetDisplayName());
  auto bmp = engine->Decode();
  EXPECT_EQ(5u * 16 + 9, bmp->GetPixel(0, 0));
  ASSERT_EQ(2, bmp->FrameCount());
  EXPECT_EQ(5u, bmp->Frames->GetBitmap(0)->GetPixel(0, 0));
  EXPECT_EQ(9u, bmp->Frames->GetBitmap(1)->GetPixel(0, 0));
  EXPECT_EQ(16, engine->PaletteColumns);

  // DU2: 4 words, 2 planes; 113576 bytes need no trailing zeros, 113600 do.
  TBytes two(113576);
  PutPalette(two, 0, 4);
  PutGroupPixel(two, 8, 2, 1, 3);
  PutGroupPixel(two, 56792, 2, 1, 2);
  d = Detect("pic.du2", two);
  du2 = d->Find("TQoAtariSTDU2Engine");
  ASSERT_NE(nullptr, du2);
  EXPECT_EQ(832, du2->Width);
  bmp = du2->Decode();
  EXPECT_EQ(3u * 4 + 2, bmp->GetPixel(16, 0));
  EXPECT_EQ(4, bmp->BitsPerPixel);
  two.resize(113600, 0);
  two.back() = 1;
  EXPECT_EQ(nullptr, Detect("pic.du2", two)->Find("TQoAtariSTDU2Engine"));
}

TEST(QoAtariSTFlickerTest, PL4PalettesPairEveryColourWithEvery) {
  TBytes pl4(64070);
  PutPalette(pl4, 2, 16);
  PutPalette(pl4, 32038, 16, 0x0008);  // the second block uses the STE's fourth bit
  PutGroupPixel(pl4, 34, 4, 0, 3);
  PutGroupPixel(pl4, 32070, 4, 0, 12);
  auto d = Detect("pic.pl4", pl4);
  TQoSourceEngine* engine = d->Find("TQoAtariSTPL4Engine");
  ASSERT_NE(nullptr, engine);
  EXPECT_EQ(10, engine->DetectFlags);
  EXPECT_EQ("Atari STE", engine->PlatformName);
  auto plain = engine->Decode();
  EXPECT_EQ(3u * 16 + 12, plain->GetPixel(0, 0));
  ASSERT_EQ(256, plain->Palette->GetCount());
  TQoPalette256 first, second;
  LoadSTLinearPalette(TQoByteView(pl4.data() + 2, 32), first, 16, ptAtariSTE);
  LoadSTLinearPalette(TQoByteView(pl4.data() + 32038, 32), second, 16, ptAtariSTE);
  TQoColor mix;
  const TQoLinRGBColor a = Linear(first, 3), b = Linear(second, 12);
  mix.SetLinRGB({(a.R + b.R) / 2, (a.G + b.G) / 2, (a.B + b.B) / 2});
  EXPECT_EQ(mix.GetRGBQuad(), plain->Palette->GetRGBQuad(3 * 16 + 12));
  EXPECT_EQ(12u, plain->Frames->GetBitmap(1)->GetPixel(0, 0));

  // The same file in an LZ4 frame decodes alike; a frame of one byte more is refused.
  d = Detect("pic.pl4", QoPackLz4Frame(pl4));
  engine = d->Find("TQoAtariSTPL4Engine");
  ASSERT_NE(nullptr, engine);
  EXPECT_EQ(3u * 16 + 12, engine->Decode()->GetPixel(0, 0));
  TBytes longer = pl4;
  longer.push_back(0);
  EXPECT_EQ(nullptr, Detect("pic.pl4", QoPackLz4Frame(longer))->Find("TQoAtariSTPL4Engine"));
  pl4[32036] = 1;  // the second block's resolution
  EXPECT_EQ(nullptr, Detect("pic.pl4", pl4)->Find("TQoAtariSTPL4Engine"));
}

TEST(QoAtariSTFlickerTest, DGraphUnpacksTwoCrackArtScreens) {
  // Each block: escape 0xAB, delta 0, offset 1; one literal byte, then the rest delta.
  auto block = [](uint8_t first) {
    return TBytes{0xAB, 0x00, 0x00, 0x01, first, 0xAB, 0x02, 0x00};
  };
  auto line = [](std::size_t n) {
    const std::string text = std::to_string(n) + "\r\n";
    return TBytes(text.begin(), text.end());
  };
  TBytes file = line(8);
  TBytes palette(32);
  PutPalette(palette, 0, 16);
  file.insert(file.end(), palette.begin(), palette.end());
  const TBytes one = block(0x80), two = block(0xC0);
  file.insert(file.end(), one.begin(), one.end());
  const TBytes second = line(two.size());
  file.insert(file.end(), second.begin(), second.end());
  file.insert(file.end(), two.begin(), two.end());
  auto d = Detect("pic.p3c", file);
  TQoSourceEngine* engine = d->Find("TQoAtariSTDGRAPHEngine");
  ASSERT_NE(nullptr, engine);
  EXPECT_EQ(11, engine->DetectFlags);
  auto bmp = engine->Decode();
  // Pixel 0: plane 0 set in both screens -> 1 and 1; pixel 1: only the second -> 0 and 1.
  EXPECT_EQ(1u * 16 + 1, bmp->GetPixel(0, 0));
  EXPECT_EQ(0u * 16 + 1, bmp->GetPixel(1, 0));
  file.push_back(0);  // the second length no longer matches what follows it
  EXPECT_EQ(nullptr, Detect("pic.p3c", file)->Find("TQoAtariSTDGRAPHEngine"));
}

TEST(QoAtariSTFlickerTest, SlideshowMixesLinePalettesInLinearLight) {
  TBytes pci(115648);
  // Line 5: screen 1 pixel 0 = colour 1 (plane 0), screen 2 pixel 0 = colour 2 (plane 1).
  pci[44 * 5] = 0x80;
  pci[48928 + 12232 + 44 * 5] = 0x80;
  PutBE16(pci, 97856 + 32 * 5 + 2, 0xF00);   // screen 1, line 5, colour 1: STE red
  PutBE16(pci, 106752 + 32 * 5 + 4, 0x00F);  // screen 2, line 5, colour 2: STE blue
  auto d = Detect("pic.pci", pci);
  TQoSourceEngine* engine = d->Find("TQoAtariSTFullscreenSlideshowEngine");
  ASSERT_NE(nullptr, engine);
  EXPECT_EQ(10, engine->DetectFlags);
  EXPECT_EQ("Atari STE", engine->PlatformName);
  auto bmp = engine->Decode();
  EXPECT_EQ(24, bmp->BitsPerPixel);
  ASSERT_EQ(2, bmp->FrameCount());
  EXPECT_EQ(0xFF0000u, bmp->Frames->GetBitmap(0)->GetPixel(0, 5));
  EXPECT_EQ(0x0000FFu, bmp->Frames->GetBitmap(1)->GetPixel(0, 5));
  TQoColor half;
  half.SetLinRGB({0.5, 0, 0.5});
  EXPECT_EQ(half.GetRGBQuad(), bmp->GetPixel(0, 5));
  EXPECT_EQ(0, engine->Palette->GetCount());
  PutBE16(pci, 97856 + 32 * 5 + 2, 0x1F00);  // a selected word with a high nibble
  EXPECT_EQ(nullptr, Detect("pic.pci", pci)->Find("TQoAtariSTFullscreenSlideshowEngine"));
}
