#include "plugin/QoThumbnail.h"

#include <gtest/gtest.h>

#include "color/QoAspect.h"
#include "export/QoScaling.h"
#include "support/QoTestFiles.h"

namespace {

// "THB" + kind, width and height bytes, an aspect entry, then one index per pixel into
// a four-grey palette. Kind 'F' (fails) raises on decoding.
class TThumbEngine : public TQoSourceEngine {
 public:
  static constexpr const char* ClassName = "TThumbEngine";
  static uint8_t Detect(TQoLoadSource& source) {
    return source.Bytes().Matches(0, "THB") && source.Size >= 7 ? 9 : 0;
  }
  explicit TThumbEngine(TQoLoadSource& source) : TQoSourceEngine(source, ClassName) {
    Width = Bytes().U8(4);
    Height = Bytes().U8(5);
    AspectIndex = Bytes().U8(6);
  }
  std::unique_ptr<TQoBitmap> Decode() override {
    if (Bytes().U8(3) == 'F') throw EQoError("broken");
    Palette->Clear();
    for (int i = 0; i < 4; ++i) Palette->Add(static_cast<uint32_t>(i * 0x555555));
    auto bmp = std::make_unique<TQoBitmap8>(Width, Height, Palette.get());
    for (int y = 0; y < Height; ++y) {
      for (int x = 0; x < Width; ++x) {
        bmp->SetPixel(x, y, Bytes().U8(static_cast<std::size_t>(7 + y * Width + x)));
      }
    }
    return bmp;
  }
};

// Accepts everything "THB" with a lower rating: must never be tried after a failure.
class TFallbackEngine : public TThumbEngine {
 public:
  static constexpr const char* ClassName = "TFallbackEngine";
  static uint8_t Detect(TQoLoadSource& source) { return TThumbEngine::Detect(source) ? 1 : 0; }
  explicit TFallbackEngine(TQoLoadSource& source) : TThumbEngine(source) {}
  std::unique_ptr<TQoBitmap> Decode() override {
    return std::make_unique<TQoBitmap8>(Width, Height, Palette.get());
  }
};

std::vector<uint8_t> ThumbFile(char kind, int w, int h, int aspect, uint8_t fill) {
  std::vector<uint8_t> bytes = {'T',
                                'H',
                                'B',
                                static_cast<uint8_t>(kind),
                                static_cast<uint8_t>(w),
                                static_cast<uint8_t>(h),
                                static_cast<uint8_t>(aspect)};
  bytes.resize(bytes.size() + static_cast<std::size_t>(w * h), fill);
  return bytes;
}

struct ThumbnailFixture : ::testing::Test {
  TQoEngineRegistry registry;
  TQoTempFolder folder;
  void SetUp() override {
    registry.RegisterEngine(QoEngineClassOf<TFallbackEngine>());
    registry.RegisterEngine(QoEngineClassOf<TThumbEngine>());
  }
};

}  // namespace

TEST_F(ThumbnailFixture, BestEngineIsFittedWithItsAspect) {
  const std::string path =
      folder.Write("tall.thb", ThumbFile('N', 160, 100, QoAspectIndexByLabel("1:2"), 2));
  const auto thumb = QoMakeThumbnail(path, 100, 100, registry);
  ASSERT_NE(nullptr, thumb);
  EXPECT_EQ(80, thumb->Width);  // displayed 160 x 200
  EXPECT_EQ(100, thumb->Height);
  for (uint32_t p : thumb->Pixels) ASSERT_EQ(0xFFAAAAAAu, p);
}

TEST_F(ThumbnailFixture, EmptyBoxGivesOnePixel) {
  const std::string path = folder.Write("a.thb", ThumbFile('N', 8, 8, 28, 1));
  const auto thumb = QoMakeThumbnail(path, 0, 0, registry);
  ASSERT_NE(nullptr, thumb);
  EXPECT_EQ(1, thumb->Width);
  EXPECT_EQ(1, thumb->Height);
}

TEST_F(ThumbnailFixture, NothingForUnknownMissingOrFailingFiles) {
  EXPECT_EQ(nullptr, QoMakeThumbnail(folder.Write("x.bin", "not a picture"), 96, 96, registry));
  EXPECT_EQ(nullptr, QoMakeThumbnail(folder.PathOf("missing.thb"), 96, 96, registry));
  EXPECT_EQ(nullptr, QoMakeThumbnail(folder.Write("e.thb", ""), 96, 96, registry));
  // The best engine raises; the lower-rated fallback would decode but is not tried.
  EXPECT_EQ(nullptr,
            QoMakeThumbnail(folder.Write("f.thb", ThumbFile('F', 8, 8, 28, 1)), 96, 96, registry));
}

TEST(QoThumbnailTest, KernelFollowsEnlargingOrShrinking) {
  TQoBitmap32 picture(8, 6);
  for (std::size_t i = 0; i < picture.Pixels.size(); ++i) {
    picture.Pixels[i] = (i * 7 % 5) ? 0xFFFFFFFFu : 0xFF000000u;
  }
  const int square = QoAspectIndexByLabel("1:1");
  // Enlarged in both directions: the triangle kernel.
  EXPECT_EQ(QoResample(picture, 20, 15, TQoKernel::Linear)->Pixels,
            QoThumbnailOf(picture, square, 20, 40)->Pixels);
  // Width kept but the height shrinks (pixels 4:3 wide): Lanczos.
  const int wide = QoAspectIndexByLabel("4:3");
  const TQoThumbnailSize size = QoThumbnailSize(8, 6, wide, 8, 40);
  ASSERT_EQ(8, size.Width);
  ASSERT_LT(size.UnroundedHeight, 6.0);
  EXPECT_EQ(QoResample(picture, size.Width, size.Height, TQoKernel::Lanczos3)->Pixels,
            QoThumbnailOf(picture, wide, 8, 40)->Pixels);
}
