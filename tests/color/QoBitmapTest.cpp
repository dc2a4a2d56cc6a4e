#include "color/QoBitmap.h"

#include <gtest/gtest.h>

namespace {

TQoPalette256 PaletteOf(int count) {
  TQoPalette256 palette;
  for (int i = 0; i < count; ++i) palette.Add(static_cast<uint8_t>(i), 0x10, 0x20);
  return palette;
}

TEST(QoBitmap, StridesAreDibRowsPaddedToWords) {
  TQoPalette256 mono = PaletteOf(2), sixteen = PaletteOf(16), full = PaletteOf(256);
  EXPECT_EQ(TQoBitmap1(256, 1, &mono).Stride, 32);
  EXPECT_EQ(TQoBitmap1(1, 1, &mono).Stride, 4);
  EXPECT_EQ(TQoBitmap1(33, 1, &mono).Stride, 8);
  EXPECT_EQ(TQoBitmap4(256, 1, &sixteen).Stride, 128);
  EXPECT_EQ(TQoBitmap4(9, 1, &sixteen).Stride, 8);
  EXPECT_EQ(TQoBitmap8(320, 1, &full).Stride, 320);
  EXPECT_EQ(TQoBitmap8(321, 1, &full).Stride, 324);
  EXPECT_EQ(TQoBitmap24(1, 1).Stride, 4);
  EXPECT_EQ(TQoBitmap24(5, 1).Stride, 16);
}

TEST(QoBitmap, RowsAreStoredBottomUp) {
  TQoPalette256 full = PaletteOf(256);
  TQoBitmap8 bmp(4, 3, &full);
  EXPECT_EQ(bmp.GetScanLine(0), bmp.Bits + 2 * bmp.Stride);
  EXPECT_EQ(bmp.GetScanLine(2), bmp.Bits);
  bmp.SetPixel(1, 0, 0xAB);
  bmp.SetPixel(3, 2, 0xCD);
  EXPECT_EQ(bmp.Bits[2 * bmp.Stride + 1], 0xAB);
  EXPECT_EQ(bmp.Bits[3], 0xCD);
}

TEST(QoBitmap, PackedPixelLayouts) {
  TQoPalette256 mono = PaletteOf(2), sixteen = PaletteOf(16);
  TQoBitmap1 one(16, 1, &mono);
  one.SetPixel(0, 0, 1);
  one.SetPixel(9, 0, 7);  // any non-zero value sets the bit
  EXPECT_EQ(one.Bits[0], 0x80);
  EXPECT_EQ(one.Bits[1], 0x40);
  one.SetPixel(0, 0, 0);
  EXPECT_EQ(one.Bits[0], 0x00);
  EXPECT_EQ(one.GetPixel(9, 0), 1u);

  TQoBitmap4 four(3, 1, &sixteen);
  four.SetPixel(0, 0, 0x1A);  // only the low four bits are kept
  four.SetPixel(1, 0, 0x5);
  four.SetPixel(2, 0, 0xF);
  EXPECT_EQ(four.Bits[0], 0xA5);
  EXPECT_EQ(four.Bits[1], 0xF0);
  EXPECT_EQ(four.GetPixel(0, 0), 0xAu);
  EXPECT_EQ(four.GetPixel(1, 0), 0x5u);

  TQoBitmap24 rgb(2, 1);
  rgb.SetPixel(1, 0, 0x112233);
  EXPECT_EQ(rgb.Bits[3], 0x33);  // blue first
  EXPECT_EQ(rgb.Bits[4], 0x22);
  EXPECT_EQ(rgb.Bits[5], 0x11);
  EXPECT_EQ(rgb.GetPixel(1, 0), 0x112233u);
}

TEST(QoBitmap, AccessOutsideTheBitmapTouchesNothing) {
  TQoPalette256 full = PaletteOf(256);
  TQoBitmap8 bmp(3, 2, &full);
  bmp.SetPixel(3, 0, 9);
  bmp.SetPixel(-1, 0, 9);
  bmp.SetPixel(0, 2, 9);
  for (int i = 0; i < bmp.Stride * bmp.Height; ++i) EXPECT_EQ(bmp.Bits[i], 0) << i;
  EXPECT_EQ(bmp.GetPixel(5, 5), 0u);
}

TEST(QoBitmap, BitmapKeepsAPlainCopyOfItsPalette) {
  TQoPalette256 source = PaletteOf(3);
  source.GetPColor(1).Excluded = 1;
  source.GetPColor(1).UseCount = 4;
  TQoBitmap4 bmp(2, 2, &source);
  source.Clear();
  ASSERT_EQ(bmp.Palette->GetCount(), 3);
  EXPECT_EQ(bmp.Palette->GetRGBQuad(2), 0x021020u);
  EXPECT_EQ(bmp.Palette->GetPColor(1).Excluded, 0);
  EXPECT_EQ(bmp.Palette->GetPColor(1).UseCount, 0);

  TQoBitmap8 withoutPalette(1, 1, nullptr);
  EXPECT_EQ(withoutPalette.Palette->GetCount(), 0);
}

TEST(QoBitmap, FramesFollowThePaletteSize) {
  TQoPalette256 two = PaletteOf(2), sixteen = PaletteOf(16), seventeen = PaletteOf(17);
  TQoBitmap8 bmp(5, 4, &seventeen);
  EXPECT_EQ(bmp.FrameCount(), 0);
  EXPECT_EQ(bmp.AddFrame(&two)->BitsPerPixel, 1);
  EXPECT_EQ(bmp.AddFrame(&sixteen)->BitsPerPixel, 4);
  EXPECT_EQ(bmp.AddFrame(&seventeen)->BitsPerPixel, 8);
  TQoBitmap* trueColor = bmp.AddFrame(nullptr);
  EXPECT_EQ(trueColor->BitsPerPixel, 24);
  EXPECT_EQ(trueColor->Palette, nullptr);
  ASSERT_EQ(bmp.FrameCount(), 4);
  for (const auto& frame : *bmp.Frames) {
    EXPECT_EQ(frame->Width, 5);
    EXPECT_EQ(frame->Height, 4);
  }
}

TEST(QoBitmap, CreateEmptyKeepsKindAndPalette) {
  TQoPalette256 sixteen = PaletteOf(16);
  TQoBitmap4 bmp(8, 8, &sixteen);
  std::unique_ptr<TQoBitmap> empty = bmp.CreateEmpty(3, 2);
  EXPECT_EQ(empty->BitsPerPixel, 4);
  EXPECT_EQ(empty->Width, 3);
  EXPECT_EQ(empty->Height, 2);
  EXPECT_EQ(empty->Palette->GetCount(), 16);
  EXPECT_EQ(TQoBitmap24(1, 1).CreateEmpty(2, 2)->BitsPerPixel, 24);
}

TEST(QoBitmap, ToBitmap32PaintsPaletteEntriesTopDownWithOpaqueAlpha) {
  TQoPalette256 two;
  two.Add(0x102030);
  two.Add(0xFFEEDD);
  TQoBitmap4 bmp(3, 2, &two);
  bmp.SetPixel(0, 0, 1);
  bmp.SetPixel(1, 0, 2);  // beyond the palette: stays black
  bmp.SetPixel(2, 1, 15);
  std::unique_ptr<TQoBitmap32> out = bmp.ToBitmap32();
  ASSERT_EQ(out->Width, 3);
  ASSERT_EQ(out->Height, 2);
  EXPECT_EQ(out->At(0, 0), 0xFFFFEEDDu);
  EXPECT_EQ(out->At(1, 0), 0xFF000000u);
  EXPECT_EQ(out->At(2, 0), 0xFF102030u);
  EXPECT_EQ(out->At(2, 1), 0xFF000000u);

  TQoBitmap24 rgb(1, 2);
  rgb.SetPixel(0, 1, 0xABCDEF);
  std::unique_ptr<TQoBitmap32> direct = rgb.ToBitmap32();
  EXPECT_EQ(direct->At(0, 0), 0xFF000000u);
  EXPECT_EQ(direct->At(0, 1), 0xFFABCDEFu);
}

TEST(QoBitmap, StdRGBPixel) {
  TQoPalette256 redBlue;
  redBlue.Add(255, 0, 0);
  redBlue.Add(0, 0, 255);
  TQoBitmap1 mono(2, 1, &redBlue);
  mono.SetPixel(1, 0, 1);
  EXPECT_EQ(mono.GetStdRGBPixel(0, 0), (TQoStdRGBColor{0, 0, 0}));
  EXPECT_EQ(mono.GetStdRGBPixel(1, 0), (TQoStdRGBColor{255, 255, 255}));

  TQoBitmap8 indexed(1, 1, &redBlue);
  indexed.SetPixel(0, 0, 1);
  EXPECT_EQ(indexed.GetStdRGBPixel(0, 0), (TQoStdRGBColor{0, 0, 255}));

  TQoBitmap24 rgb(1, 1);
  rgb.SetPixel(0, 0, 0x123456);
  EXPECT_EQ(rgb.GetStdRGBPixel(0, 0), (TQoStdRGBColor{0x12, 0x34, 0x56}));
}

TEST(QoBitmap, OversizedBitmapsAreRefused) {
  EXPECT_THROW(TQoBitmap24(100000, 100000), EOutOfResources);
  EXPECT_THROW(TQoBitmap8(-1, 5, nullptr), EOutOfResources);
  EXPECT_THROW(TQoBitmap32(70000, 70000), EOutOfResources);
}

TEST(QoBitmapList, FreesItsItemsLastFirst) {
  static std::vector<int> freed;
  struct Tracked : TQoBitmap8 {
    int Id;
    explicit Tracked(int id) : TQoBitmap8(1, 1, nullptr), Id(id) {}
    ~Tracked() override { freed.push_back(Id); }
  };
  freed.clear();
  {
    TQoBitmapList list;
    auto first = std::make_unique<Tracked>(1);
    list.Add(std::move(first));
    EXPECT_EQ(first, nullptr);  // ownership moved to the list
    list.Add(std::make_unique<Tracked>(2));
    list.Add(std::make_unique<Tracked>(3));
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(static_cast<Tracked*>(list.GetBitmap(1))->Id, 2);
  }
  EXPECT_EQ(freed, (std::vector<int>{3, 2, 1}));
}

}  // namespace
