#include <gtest/gtest.h>

#include "engine/QoLoadSource.h"
#include "engine/QoSourceEngine.h"

namespace {

class TPlotEngine : public TQoSourceEngine {
 public:
  static constexpr const char* ClassName = "TPlotEngine";
  explicit TPlotEngine(TQoLoadSource& source) : TQoSourceEngine(source, ClassName) {}
  using TQoSourceEngine::ComposeFrames;
  using TQoSourceEngine::Plot2bpp;
  using TQoSourceEngine::Plot2bppRun;
  using TQoSourceEngine::Plot4bppLowFirst;
  using TQoSourceEngine::PlotAttrPair;
  using TQoSourceEngine::PlotMono4;
  using TQoSourceEngine::PlotMono8;
  using TQoSourceEngine::PlotPair1;
  using TQoSourceEngine::PlotPair1LsbFirst;
  using TQoSourceEngine::PlotPair1Run;
  using TQoSourceEngine::PlotPair2;
  using TQoSourceEngine::PlotPair3;
  using TQoSourceEngine::PlotPair4;
  using TQoSourceEngine::PlotPair4Run;
  using TQoSourceEngine::ReduceTrueColor;
  using TQoSourceEngine::ShiftRows;
};

TQoPalette256 Greys(int count) {
  TQoPalette256 palette;
  for (int i = 0; i < count; ++i) palette.Add(static_cast<uint8_t>(i), static_cast<uint8_t>(i), 0);
  return palette;
}

std::vector<uint32_t> Row(const TQoBitmap& bmp, int y, int from, int count) {
  std::vector<uint32_t> row;
  for (int x = from; x < from + count; ++x) row.push_back(bmp.GetPixel(x, y));
  return row;
}

struct DrawingFixture : ::testing::Test {
  TQoMemoryLoadSource source{"x.dat", nullptr, 0, false};
  TPlotEngine engine{source};
  TQoPalette256 palette = Greys(256);
};

TEST_F(DrawingFixture, SingleScreenPlots) {
  TQoBitmap8 bmp(16, 1, &palette);
  TPlotEngine::PlotMono8(bmp, 0x80, 0, 7, 1, 0);
  EXPECT_EQ(Row(bmp, 0, 8, 8), (std::vector<uint32_t>{7, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Row(bmp, 0, 0, 8), std::vector<uint32_t>(8, 0));  // column 0 untouched

  TQoBitmap8 clipped(8, 1, &palette);
  TPlotEngine::PlotMono8(clipped, 0xFF, 1, 2, 0, 0, 3);
  EXPECT_EQ(Row(clipped, 0, 0, 4), (std::vector<uint32_t>{2, 2, 2, 0}));

  TQoBitmap8 four(8, 1, &palette);
  TPlotEngine::PlotMono4(four, 0xA5, 3, 9, 1, 0);  // top nibble 1010
  EXPECT_EQ(Row(four, 0, 4, 4), (std::vector<uint32_t>{9, 3, 9, 3}));

  TQoBitmap8 twoBits(8, 1, &palette);
  TPlotEngine::Plot2bpp(twoBits, 0x1B, 1, 0);  // 00 01 10 11
  EXPECT_EQ(Row(twoBits, 0, 4, 4), (std::vector<uint32_t>{0, 1, 2, 3}));

  TQoBitmap8 lowFirst(4, 1, &palette);
  TPlotEngine::Plot4bppLowFirst(lowFirst, 0x3C, 1, 0);
  EXPECT_EQ(Row(lowFirst, 0, 2, 2), (std::vector<uint32_t>{0xC, 0x3}));
}

TEST_F(DrawingFixture, TwoBitRunAdvancesTheCursor) {
  const uint8_t data[] = {0xE4, 0x1B, 0xFF};
  TQoByteCursor cursor(TQoByteView(data, sizeof data));
  TQoBitmap8 bmp(8, 1, &palette);
  TPlotEngine::Plot2bppRun(bmp, cursor, 0, 0, 2);
  EXPECT_EQ(Row(bmp, 0, 0, 8), (std::vector<uint32_t>{3, 2, 1, 0, 0, 1, 2, 3}));
  EXPECT_EQ(cursor.Pos, 2u);
  EXPECT_THROW(TPlotEngine::Plot2bppRun(bmp, cursor, 0, 0, 2), EQoError);  // data runs out
}

TEST_F(DrawingFixture, PairPlotsFillCombinedAndFrames) {
  TQoBitmap8 combined(8, 1, &palette);
  TQoPalette256 two = Greys(2);
  TQoBitmap1 f1(8, 1, &two), f2(8, 1, &two);
  TPlotEngine::PlotPair1(combined, &f1, &f2, 0x80, 0x01, 0, 0);
  EXPECT_EQ(Row(combined, 0, 0, 8), (std::vector<uint32_t>{2, 0, 0, 0, 0, 0, 0, 1}));
  EXPECT_EQ(Row(f1, 0, 0, 2), (std::vector<uint32_t>{1, 0}));
  EXPECT_EQ(f2.GetPixel(7, 0), 1u);

  TPlotEngine::PlotPair1LsbFirst(combined, &f1, &f2, 0x80, 0x01, 0, 0);
  EXPECT_EQ(Row(combined, 0, 0, 8), (std::vector<uint32_t>{1, 0, 0, 0, 0, 0, 0, 2}));

  TQoBitmap8 pairs(4, 1, &palette);
  TPlotEngine::PlotPair2(pairs, nullptr, nullptr, 0x1B, 0xE4, 0, 0);  // fieldA * 4 + fieldB
  EXPECT_EQ(Row(pairs, 0, 0, 4), (std::vector<uint32_t>{3, 6, 9, 12}));

  TQoBitmap8 nibbles(2, 1, &palette);
  TPlotEngine::PlotPair4(nibbles, nullptr, nullptr, 0x3C, 0xF0, 0, 0);
  EXPECT_EQ(Row(nibbles, 0, 0, 2), (std::vector<uint32_t>{0x3F, 0xC0}));

  TQoPalette256 eight = Greys(8);
  TQoBitmap8 threes(2, 1, &palette);
  TQoBitmap4 t1(2, 1, &eight);
  TPlotEngine::PlotPair3(threes, &t1, nullptr, 0xF9, 0x2B, 0, 0);  // bit 3 of each nibble drops
  EXPECT_EQ(Row(threes, 0, 0, 2), (std::vector<uint32_t>{7 * 8 + 2, 1 * 8 + 3}));
  EXPECT_EQ(Row(t1, 0, 0, 2), (std::vector<uint32_t>{7, 1}));
}

TEST_F(DrawingFixture, PairRunsWalkBothScreens) {
  const uint8_t a[] = {0x12, 0x34};
  const uint8_t b[] = {0xAB, 0xCD};
  TQoByteCursor ca(TQoByteView(a, 2)), cb(TQoByteView(b, 2));
  TQoBitmap8 bmp(4, 1, &palette);
  TPlotEngine::PlotPair4Run(bmp, nullptr, nullptr, ca, cb, 0, 0, 2);
  EXPECT_EQ(Row(bmp, 0, 0, 4), (std::vector<uint32_t>{0x1A, 0x2B, 0x3C, 0x4D}));
  EXPECT_EQ(ca.Pos, 2u);
  EXPECT_EQ(cb.Pos, 2u);

  const uint8_t c[] = {0xFF, 0x00};
  TQoByteCursor c1(TQoByteView(c, 2)), c2(TQoByteView(c + 1, 1));
  TQoBitmap8 mono(16, 1, &palette);
  TPlotEngine::PlotPair1Run(mono, nullptr, nullptr, c1, c2, 1, 0, 1);
  EXPECT_EQ(Row(mono, 0, 8, 8), std::vector<uint32_t>(8, 2));
}

TEST_F(DrawingFixture, AttributePairs) {
  TQoBitmap8 combined(8, 1, &palette);
  TQoPalette256 sixteen = Greys(16);
  TQoBitmap4 f1(8, 1, &sixteen), f2(8, 1, &sixteen);
  TPlotEngine::PlotAttrPair(combined, &f1, &f2, 0xF0, 0xCC, 1, 2, 3, 4, 0, 0);
  EXPECT_EQ(Row(combined, 0, 0, 8),
            (std::vector<uint32_t>{0x24, 0x24, 0x23, 0x23, 0x14, 0x14, 0x13, 0x13}));
  EXPECT_EQ(Row(f1, 0, 3, 2), (std::vector<uint32_t>{2, 1}));
  EXPECT_EQ(Row(f2, 0, 1, 2), (std::vector<uint32_t>{4, 3}));
}

TEST_F(DrawingFixture, ShiftRowsBothWays) {
  engine.Width = 4;
  engine.Height = 2;
  TQoBitmap8 bmp(4, 2, &palette);
  auto fill = [&] {
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 4; ++x) bmp.SetPixel(x, y, static_cast<uint32_t>(x));
  };
  fill();
  engine.ShiftRows(bmp, 1, 9);
  EXPECT_EQ(Row(bmp, 0, 0, 4), (std::vector<uint32_t>{9, 0, 1, 2}));
  EXPECT_EQ(Row(bmp, 1, 0, 4), (std::vector<uint32_t>{9, 0, 1, 2}));
  fill();
  engine.ShiftRows(bmp, -1, 9);
  EXPECT_EQ(Row(bmp, 1, 0, 4), (std::vector<uint32_t>{1, 2, 3, 9}));
  fill();
  engine.ShiftRows(bmp, 6, 5);
  EXPECT_EQ(Row(bmp, 0, 0, 4), std::vector<uint32_t>(4, 5));
  fill();
  engine.ShiftRows(bmp, 0, 5);
  EXPECT_EQ(Row(bmp, 0, 0, 4), (std::vector<uint32_t>{0, 1, 2, 3}));
}

TEST_F(DrawingFixture, ComposeFramesIndexesTheMixedPalette) {
  engine.Width = 2;
  engine.Height = 1;
  TQoPalette256 four = Greys(4), sixteen = Greys(16);
  TQoBitmap4 bmp(2, 1, &sixteen);
  TQoBitmap* f1 = bmp.AddFrame(&four);
  TQoBitmap* f2 = bmp.AddFrame(&four);
  f1->SetPixel(0, 0, 3);
  f2->SetPixel(0, 0, 1);
  f1->SetPixel(1, 0, 1);
  f2->SetPixel(1, 0, 2);
  engine.ComposeFrames(bmp);
  EXPECT_EQ(Row(bmp, 0, 0, 2), (std::vector<uint32_t>{13, 6}));

  TQoBitmap4 mismatched(2, 1, &four);  // 4 colours, not 4 x 4
  mismatched.AddFrame(&four);
  mismatched.AddFrame(&four);
  EXPECT_THROW(engine.ComposeFrames(mismatched), EQoError);
  TQoBitmap4 oneFrame(2, 1, &sixteen);
  oneFrame.AddFrame(&four);
  EXPECT_THROW(engine.ComposeFrames(oneFrame), EQoError);
}

TEST_F(DrawingFixture, ReduceTrueColorToIndexedSortedByLuminance) {
  std::unique_ptr<TQoBitmap> bmp = std::make_unique<TQoBitmap24>(3, 1);
  bmp->SetPixel(0, 0, 0xFFFFFF);
  bmp->SetPixel(1, 0, 0x202020);
  bmp->SetPixel(2, 0, 0xFFFFFF);
  engine.ReduceTrueColor(bmp);
  ASSERT_EQ(bmp->BitsPerPixel, 1);
  EXPECT_EQ(bmp->Palette->GetRGBQuad(0), 0x202020u);  // darker colour first
  EXPECT_EQ(Row(*bmp, 0, 0, 3), (std::vector<uint32_t>{1, 0, 1}));
  EXPECT_EQ(engine.Palette->GetCount(), 2);

  std::unique_ptr<TQoBitmap> rich = std::make_unique<TQoBitmap24>(20, 1);
  for (int x = 0; x < 20; ++x) rich->SetPixel(x, 0, static_cast<uint32_t>(x * 0x0A0A0A));
  engine.ReduceTrueColor(rich);
  EXPECT_EQ(rich->BitsPerPixel, 8);
  EXPECT_EQ(rich->GetPixel(19, 0), 19u);

  std::unique_ptr<TQoBitmap> tooMany = std::make_unique<TQoBitmap24>(300, 1);
  for (int x = 0; x < 300; ++x) tooMany->SetPixel(x, 0, static_cast<uint32_t>(x));
  TQoBitmap* before = tooMany.get();
  engine.ReduceTrueColor(tooMany);
  EXPECT_EQ(tooMany.get(), before);  // kept as true colour
  EXPECT_EQ(engine.Palette->GetCount(), 0);
}

}  // namespace
