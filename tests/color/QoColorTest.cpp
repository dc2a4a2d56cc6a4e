#include "color/QoColor.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(QoColorTest, TransferCurveRoundTripsEveryByteAndRoundsTiesToEven) {
  for (int i = 0; i < 256; ++i) {
    const auto byte = static_cast<uint8_t>(i);
    EXPECT_EQ(byte, qo::LinearToSrgbByte(qo::SrgbByteToLinear(byte))) << i;
  }
  EXPECT_NEAR(0.5, qo::SrgbUnitToLinear(188 / 255.0), 0.003);
  EXPECT_EQ(2, qo::RoundHalfEven(2.5));
  EXPECT_EQ(4, qo::RoundHalfEven(3.5));
  EXPECT_EQ(-2, qo::RoundHalfEven(-2.5));
  EXPECT_EQ(0, qo::LinearToSrgbByte(-1.0));
  EXPECT_EQ(255, qo::LinearToSrgbByte(7.0));
  EXPECT_EQ(0, qo::LinearToSrgbByte(std::nan("")));
}

TEST(QoColorTest, DacLevelsFollowTheTransferOfEachStep) {
  const auto three = qo::DacLevels(3);
  ASSERT_EQ(8u, three.size());
  EXPECT_DOUBLE_EQ(qo::SrgbUnitToLinear(3 / 7.0), three[3]);
  EXPECT_EQ(16u, qo::DacLevels(4).size());
  EXPECT_DOUBLE_EQ(1.0, qo::DacLevels(5)[31]);
  EXPECT_THROW(qo::DacLevels(6), EQoError);
}

TEST(QoColorTest, RepresentationsConvertAndInvalidateEachOther) {
  TQoColor c;
  c.SetStdRGB(255, 255, 255);
  const TQoLabColor white = c.GetLab();
  EXPECT_NEAR(100.0, white.L, 0.01);
  EXPECT_NEAR(0.0, white.A, 0.01);
  EXPECT_NEAR(0.0, white.B, 0.01);
  EXPECT_NEAR(100.0, c.GetXYZ().Y, 0.01);

  c.SetLab(TQoLabColor{53.24, 80.09, 67.20});  // sRGB red
  const TQoStdRGBColor red = c.GetStdRGB();
  EXPECT_EQ(255, red.R);
  EXPECT_LE(red.G, 1);
  EXPECT_LE(red.B, 1);

  c.SetLCh(TQoLChColor{50.0, 0.0, 123.0});  // no chroma: a neutral grey
  const TQoStdRGBColor grey = c.GetStdRGB();
  EXPECT_EQ(grey.R, grey.G);
  EXPECT_EQ(grey.G, grey.B);

  c.SetHSL(TQoHSLColor{0.0, 1.0, 0.5});  // HSL describes linear light
  EXPECT_DOUBLE_EQ(1.0, c.GetLinRGB().R);
  EXPECT_DOUBLE_EQ(0.0, c.GetLinRGB().G);
  c.SetHSL(TQoHSLColor{2.0 / 3.0, 1.0, 0.5});
  EXPECT_EQ(0x0000FFu, c.GetRGBQuad());

  c.SetGray(0.5);
  EXPECT_EQ(188, c.GetGray());
  EXPECT_DOUBLE_EQ(0.5, c.GetLuminance());
  c.SetRGBQuad(0x00FF00);
  EXPECT_NEAR(0.715158, c.GetLuminance(), 1e-12);
}

TEST(QoColorTest, AppendingUniqueAndCapacity) {
  TQoPalette256 p;
  EXPECT_EQ(0, p.AddUnique(0x123456));
  EXPECT_EQ(0, p.AddUnique(0x123456));
  EXPECT_EQ(0, p.AddUnique(TQoStdRGBColor{0x12, 0x34, 0x56}));
  EXPECT_EQ(2, p.GetPColor(0).UseCount);
  EXPECT_EQ(1, p.AddUniqueLinear(TQoLinRGBColor{1.0, 1.0, 1.0}));
  EXPECT_EQ(1, p.IndexOf(0xFFFFFF));
  EXPECT_THROW(p.IndexOf(0x010101), EQoError);

  p.Clear();
  for (int i = 0; i < 256; ++i) p.Add(static_cast<uint32_t>(i));
  EXPECT_THROW(p.Add(1, 2, 3), ETooManyColors);
  EXPECT_THROW(p.AddLinear(TQoLinRGBColor{}), ETooManyColors);
  EXPECT_EQ(256, p.GetCount());
}

TEST(QoColorTest, NearestColourUsesWeightsAndTheFirstOfTies) {
  TQoPalette256 p;
  p.Add(0xFF0000);
  p.Add(0x0000FF);
  p.Add(0xFF0000);
  // Equally far from red and blue in plain terms, but green weighs most: pick by weights.
  TQoColor probe;
  probe.SetStdRGB(255, 0, 0);
  EXPECT_EQ(0, p.NearestIndex(probe.GetLinRGB()));
  TQoPalette256 greys;
  greys.Add(0x000000);
  greys.Add(0xFFFFFF);
  EXPECT_EQ(0, greys.NearestIndex(TQoLinRGBColor{0.5, 0.5, 0.5}));  // a tie: the lower index
  EXPECT_EQ(-1, TQoPalette256().NearestIndex(TQoLinRGBColor{}));
  EXPECT_EQ(1, greys.NearestByLuminance(0.6));
}

TEST(QoColorTest, MixingHappensInLinearLight) {
  TQoPalette256 bw;
  bw.SetBlackWhite();
  TQoPalette256 mixed;
  mixed.Mix(bw, 100, 0);
  ASSERT_EQ(4, mixed.GetCount());
  EXPECT_EQ(0x000000u, mixed.GetRGBQuad(0));
  EXPECT_EQ(0xBCBCBCu, mixed.GetRGBQuad(1));  // 188, not 128
  EXPECT_EQ(0xBCBCBCu, mixed.GetRGBQuad(2));
  EXPECT_EQ(0, mixed.GetPColor(1).Excluded);
  EXPECT_EQ(1, mixed.GetPColor(2).Excluded);

  TQoPalette256 zx;
  zx.SetSpectrum16(192);
  mixed.Mix(zx, 100, 0);
  int excluded = 0;
  for (int i = 0; i < 256; ++i) excluded += mixed.GetPColor(i).Excluded;
  EXPECT_EQ(120, excluded);

  // A threshold of 0 keeps only equal-luminance pairs.
  mixed.Mix(bw, 0, 0);
  EXPECT_EQ(1, mixed.GetPColor(1).Excluded);
  EXPECT_EQ(0x000000u, mixed.GetRGBQuad(1));

  TQoPalette256 pairs;
  pairs.MixPairs(bw, zx);
  EXPECT_EQ(32, pairs.GetCount());
}

TEST(QoColorTest, SortAndNormaliseMoveWholeSlots) {
  TQoPalette256 p;
  p.Add(0xFFFFFF);
  p.Add(0x000000);
  p.Add(0x808080);
  p.GetPColor(0).UseCount = 7;
  p.SortByLuminance(0);
  EXPECT_EQ(0x000000u, p.GetRGBQuad(0));
  EXPECT_EQ(0xFFFFFFu, p.GetRGBQuad(2));
  EXPECT_EQ(7, p.GetPColor(2).UseCount);

  TQoPalette256 dim;
  dim.AddLinear(TQoLinRGBColor{0.25, 0.5, 0.1});
  dim.AddLinear(TQoLinRGBColor{0.2, 0.2, 0.2});
  dim.NormalizeMax(0, 0);
  EXPECT_DOUBLE_EQ(1.0, dim.GetLinRGB(0).G);
  EXPECT_DOUBLE_EQ(0.4, dim.GetLinRGB(1).R);
  dim.NormalizeMin(0, 0);
  EXPECT_NEAR(0.0, dim.GetLinRGB(0).B, 1e-12);
}

TEST(QoColorTest, GeneratorsLayOutTheirChannels) {
  TQoPalette256 p;
  p.SetRGB8();
  EXPECT_EQ(0xFF0000u, p.GetRGBQuad(4));
  p.SetBGR8();
  EXPECT_EQ(0x0000FFu, p.GetRGBQuad(4));
  p.SetGRB16(0, 128, 0, 255);
  EXPECT_EQ(0x008000u, p.GetRGBQuad(4));
  EXPECT_EQ(0xFF0000u, p.GetRGBQuad(10));
  p.SetSpectrum16(192);
  EXPECT_EQ(0xC00000u, p.GetRGBQuad(2));
  EXPECT_EQ(0x00FF00u, p.GetRGBQuad(12));
  p.SetRGB64();
  EXPECT_EQ(64, p.GetCount());
  EXPECT_EQ(0x55AAFFu, p.GetRGBQuad(1 * 16 + 2 * 4 + 3));
  p.SetRGB233();
  EXPECT_EQ(256, p.GetCount());
  EXPECT_EQ(0x24B655u, p.GetRGBQuad(64 + 5 * 8 + 1));
  TQoPalette256 target;
  target.SetSpectrum16(205);
  p.SetGRB16Mapped(&target);
  EXPECT_TRUE(target.ContainsAll(p));
}

TEST(QoColorTest, ChannelCubes) {
  TQoPaletteRGB cube(ptRGB333, true);
  EXPECT_EQ(512, cube.GetCount());
  const uint8_t levels[8] = {0, 36, 73, 109, 146, 182, 219, 255};
  for (int k = 0; k < 8; ++k) EXPECT_EQ(levels[k], cube.Red().Std[static_cast<std::size_t>(k)]);
  // Index = B + (G + R * 8) * 8.
  EXPECT_EQ((TQoStdRGBColor{36, 73, 109}), cube.GetStdRGB(3 + (2 + 1 * 8) * 8));
  EXPECT_THROW(cube.GetStdRGB(512), EQoError);
  const int index = cube.NearestIndex(
      TQoLinRGBColor{qo::SrgbByteToLinear(74), qo::SrgbByteToLinear(0), qo::SrgbByteToLinear(250)});
  EXPECT_EQ((TQoStdRGBColor{73, 0, 255}), cube.GetStdRGB(index));
  ASSERT_NE(nullptr, cube.GrayPalette());
  EXPECT_EQ(8, cube.GrayPalette()->GetCount());
  TQoColor light;
  light.SetStdRGB(250, 250, 250);
  EXPECT_EQ(7, cube.NearestGray(light));

  TQoPalette256 some;
  some.Add(0, 36, 255);
  EXPECT_TRUE(cube.ContainsAll(some));
  some.Add(1, 36, 255);
  EXPECT_FALSE(cube.ContainsAll(some));
  EXPECT_FALSE(cube.ContainsAll(TQoPalette256()));

  TQoPaletteRGB msx(ptMSX9958);
  EXPECT_EQ(33, msx.Green().Std[1]);
  EXPECT_EQ(222, msx.Green().Std[6]);
  EXPECT_THROW(msx.NearestGray(light), EQoError);
  const auto copy = cube.Clone();
  EXPECT_EQ(cube.GetRGBQuad(77), copy->GetRGBQuad(77));
  EXPECT_EQ(32768, TQoPaletteRGB(ptRGB555).GetCount());
  EXPECT_EQ(65536, TQoPaletteRGB(ptRGB565).GetCount());
  EXPECT_THROW(TQoPaletteRGB(static_cast<TQoPaletteType>(40)), EQoError);
}

TEST(QoColorTest, TextPaletteFile) {
  TQoPalette256 p;
  p.Add(1, 2, 3);
  p.Add(255, 0, 128);
  p.Add(0, 0, 0);
  EXPECT_EQ("JASC-PAL\r\n0100\r\n3\r\n1 2 3\r\n255 0 128\r\n0 0 0\r\n", QoPaletteToText(p));
}
