#include "export/QoScaling.h"

#include <gtest/gtest.h>

#include <string>

#include "color/QoAspect.h"

namespace {

TQoBitmap32 Flat(int32_t w, int32_t h, uint32_t argb) {
  TQoBitmap32 picture(w, h);
  std::fill(picture.Pixels.begin(), picture.Pixels.end(), argb);
  return picture;
}

// Left half black, right half white, opaque.
TQoBitmap32 Edge(int32_t w, int32_t h) {
  TQoBitmap32 picture(w, h);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) picture.At(x, y) = x < w / 2 ? 0xFF000000u : 0xFFFFFFFFu;
  }
  return picture;
}

bool SamePixels(const TQoBitmap32& a, const TQoBitmap32& b) {
  return a.Width == b.Width && a.Height == b.Height && a.Pixels == b.Pixels;
}

}  // namespace

TEST(QoScalingTest, FlatPicturesStayFlatAtEverySizeAndKernel) {
  const TQoBitmap32 flat = Flat(37, 23, 0x80C04020u);
  const std::pair<int32_t, int32_t> sizes[] = {{1, 1},    {5, 3},   {36, 24}, {37, 23},
                                               {100, 61}, {74, 46}, {11, 200}};
  for (TQoKernel kernel : {TQoKernel::Linear, TQoKernel::Lanczos3}) {
    for (auto [w, h] : sizes) {
      const auto out = QoResample(flat, w, h, kernel);
      ASSERT_EQ(w, out->Width);
      ASSERT_EQ(h, out->Height);
      for (uint32_t p : out->Pixels) ASSERT_EQ(0x80C04020u, p) << w << "x" << h;
    }
  }
}

TEST(QoScalingTest, SameSizeIsAnExactCopy) {
  TQoBitmap32 picture(9, 7);
  for (std::size_t i = 0; i < picture.Pixels.size(); ++i) {
    picture.Pixels[i] = static_cast<uint32_t>(i * 0x01030507u);
  }
  for (TQoKernel kernel : {TQoKernel::Linear, TQoKernel::Lanczos3}) {
    EXPECT_TRUE(SamePixels(picture, *QoResample(picture, 9, 7, kernel)));
  }
}

TEST(QoScalingTest, LanczosOvershootIsClampedNotWrapped) {
  const TQoBitmap32 edge = Edge(16, 4);
  const auto out = QoResample(edge, 10, 4, TQoKernel::Lanczos3);
  // Ringing beside the edge would leave 0..255 on both sides; wrapped bytes would show
  // as bright pixels in the black half or dark ones in the white half.
  for (int32_t x = 0; x < 10; ++x) {
    const uint32_t blue = out->At(x, 1) & 0xFF;
    if (x < 3) {
      EXPECT_LT(blue, 40u) << x;
    }
    if (x > 6) {
      EXPECT_GT(blue, 215u) << x;
    }
    EXPECT_EQ(0xFFu, out->At(x, 1) >> 24);
  }
  EXPECT_EQ(0xFF000000u, out->At(0, 0));
  EXPECT_EQ(0xFFFFFFFFu, out->At(9, 3));
}

TEST(QoScalingTest, EnlargingWithTheTriangleRepeatsEdgesAndInterpolatesBetween) {
  TQoBitmap32 ramp(2, 1);
  ramp.At(0, 0) = 0xFF000000u;
  ramp.At(1, 0) = 0xFF000080u;
  const auto out = QoResample(ramp, 4, 1, TQoKernel::Linear);
  // Target centres at source positions 0.25, 0.75, 1.25, 1.75.
  EXPECT_EQ(0x00u, out->At(0, 0) & 0xFF);
  EXPECT_EQ(0x20u, out->At(1, 0) & 0xFF);
  EXPECT_EQ(0x60u, out->At(2, 0) & 0xFF);
  EXPECT_EQ(0x80u, out->At(3, 0) & 0xFF);
}

TEST(QoScalingTest, NearestReplicatesWholeFactors) {
  TQoBitmap32 picture(3, 2);
  for (std::size_t i = 0; i < 6; ++i) picture.Pixels[i] = static_cast<uint32_t>(i + 1);
  const auto out = QoStretchNearest(picture, 9, 4);
  for (int32_t y = 0; y < 4; ++y) {
    for (int32_t x = 0; x < 9; ++x) EXPECT_EQ(picture.At(x / 3, y / 2), out->At(x, y));
  }
}

TEST(QoScalingTest, TwoStageReplicatesFirstThenPicksTheKernel) {
  TQoBitmap32 picture(256, 192);
  for (std::size_t i = 0; i < picture.Pixels.size(); ++i) {
    picture.Pixels[i] = 0xFF000000u | static_cast<uint32_t>((i * 2654435761u) & 0xFFFFFF);
  }
  const auto large = QoScaleTwoStage(picture, 1000, 750);
  const auto replicated = QoStretchNearest(picture, 768, 576);
  EXPECT_TRUE(SamePixels(*QoResample(*replicated, 1000, 750, TQoKernel::Linear), *large));

  const auto small = QoScaleTwoStage(picture, 200, 150);
  EXPECT_TRUE(SamePixels(*QoResample(picture, 200, 150, TQoKernel::Lanczos3), *small));
}

TEST(QoScalingTest, GrayIsTheLuminanceOfEachColourAndOpaque) {
  TQoBitmap32 picture(3, 1);
  picture.At(0, 0) = 0x00FF0000u;
  picture.At(1, 0) = 0x12FFFFFFu;
  picture.At(2, 0) = 0x00808080u;
  QoConvertToGray(picture);
  TQoColor red;
  red.SetStdRGB(255, 0, 0);
  EXPECT_EQ(0xFF000000u | red.GetGray() * 0x010101u, picture.At(0, 0));
  EXPECT_EQ(0xFFFFFFFFu, picture.At(1, 0));
  EXPECT_EQ(0xFF808080u, picture.At(2, 0));
}

TEST(QoScalingTest, FitRectangleKeepsDisplayedProportionsAndCentres) {
  const int square = QoAspectIndexByLabel("1:1");
  TQoRect r = QoFitRect(320, 200, 320, 200, square);
  EXPECT_EQ(0, r.Left);
  EXPECT_EQ(320, r.Width());
  EXPECT_EQ(200, r.Height());

  r = QoFitRect(1000, 1000, 256, 192, square);  // wide picture: full width, centred
  EXPECT_EQ(1000, r.Width());
  EXPECT_EQ(750, r.Height());
  EXPECT_EQ(125, r.Top);

  r = QoFitRect(100, 100, 320, 200, QoAspectIndexByLabel("1:2"));  // displayed 320 x 400
  EXPECT_EQ(80, r.Width());
  EXPECT_EQ(100, r.Height());
  EXPECT_EQ(10, r.Left);

  EXPECT_TRUE(QoFitRect(0, 100, 320, 200, square).Empty());
  EXPECT_TRUE(QoFitRect(100, 100, 0, 0, square).Empty());
  r = QoFitRect(1000, 1, 10, 1000, square);  // never a zero side
  EXPECT_EQ(1, r.Width());
}

TEST(QoScalingTest, ThumbnailSizesFitWidthThenHeightWithEvenRounding) {
  const int square = QoAspectIndexByLabel("1:1");
  TQoThumbnailSize s = QoThumbnailSize(256, 192, square, 96, 96);
  EXPECT_EQ(96, s.Width);
  EXPECT_EQ(72, s.Height);
  s = QoThumbnailSize(256, 192, square, 100, 50);
  EXPECT_EQ(67, s.Width);
  EXPECT_EQ(50, s.Height);
  s = QoThumbnailSize(320, 200, QoAspectIndexByLabel("1:2"), 100, 100);
  EXPECT_EQ(80, s.Width);
  EXPECT_EQ(100, s.Height);
  s = QoThumbnailSize(160, 200, QoAspectIndexByLabel("2:1"), 640, 640);
  EXPECT_EQ(640, s.Width);
  EXPECT_EQ(400, s.Height);
  s = QoThumbnailSize(256, 192, square, 0, 0);
  EXPECT_EQ(1, s.Width);
  EXPECT_EQ(1, s.Height);
  s = QoThumbnailSize(4, 1, square, 10, 10);  // 2.5 rounds to 2, halves to even
  EXPECT_EQ(10, s.Width);
  EXPECT_EQ(2, s.Height);
}
