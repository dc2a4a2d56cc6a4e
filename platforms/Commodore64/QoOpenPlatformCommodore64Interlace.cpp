// The interlace engines: two screens the C64 showed alternately, fifty times a second.
// Decode keeps them as the frames of the picture, over the frame palette, and the
// picture itself shows their mix over the pair-mix palette.

#include "platforms/Commodore64/QoOpenPlatformCommodore64.h"

std::unique_ptr<TQoBitmap> TQoCommodore64CommonEngine::NewTwoFramePicture(TQoBitmap*& first,
                                                                          TQoBitmap*& second) {
  BuildMixedPalette();
  auto bmp = QoCreateBitmapFor(Width, Height, Palette.get());
  first = bmp->AddFrame(SourcePalette.get());
  second = bmp->AddFrame(SourcePalette.get());
  return bmp;
}

void TQoCommodore64CommonEngine::ComposeTwoFrames(TQoBitmap& bmp, TQoBitmap& second,
                                                  bool wide) const {
  // The second screen was shown a hires pixel to the right; its first column is black.
  if (wide) ShiftRows(second, 1, 0);
  ComposeFrames(bmp);
}

TQoCommodore64CommonLoResGigascreenEngine::TQoCommodore64CommonLoResGigascreenEngine(
    TQoLoadSource& source, const TQoC64FrameTable& table)
    : TQoCommodore64CommonFramesEngine(source, table) {
  SetTwoFrames(kQoC64MulticolourWidth);
  SetMulticolourAspect();
  TakeRow();
}

std::unique_ptr<TQoBitmap> TQoCommodore64CommonLoResGigascreenEngine::Decode() {
  UnpackOnce();
  const bool wide = Picture.Mode == 1;
  const uint8_t background = Picture.Background;
  LoadCommodore64Palette();
  return DecodeTwoFrames(
      [wide, background](TQoBitmap& bmp, const TQoC64Frame& f) {
        if (wide) {
          DrawMulticolourCellsWide(bmp, f.Bitmap, background, f.Screens, f.Color);
        } else {
          DrawMulticolourCells(bmp, f.Bitmap, background, f.Screens, f.Color);
        }
      },
      wide);
}

TQoCommodore64CommonLoResFLIGigascreenEngine::TQoCommodore64CommonLoResFLIGigascreenEngine(
    TQoLoadSource& source, const TQoC64FrameTable& table)
    : TQoCommodore64CommonFramesEngine(source, table) {
  SetTwoFrames(kQoC64MulticolourWidth);
  SetMulticolourAspect();
  TakeRow();
}

std::unique_ptr<TQoBitmap> TQoCommodore64CommonLoResFLIGigascreenEngine::Decode() {
  UnpackOnce();
  const bool wide = Picture.Mode == 1;
  const uint8_t background = Picture.Background;
  LoadCommodore64Palette();
  return DecodeTwoFrames(
      [wide, background](TQoBitmap& bmp, const TQoC64Frame& f) {
        if (wide) {
          DrawFLICellsWide(bmp, f.Bitmap, background, f.TableView(), f.Screens, f.Color);
        } else {
          DrawFLICells(bmp, f.Bitmap, background, f.TableView(), f.Screens, f.Color);
        }
      },
      wide);
}

TQoCommodore64CommonHiResGigascreenEngine::TQoCommodore64CommonHiResGigascreenEngine(
    TQoLoadSource& source, const TQoC64FrameTable& table)
    : TQoCommodore64CommonFramesEngine(source, table) {
  SetTwoFrames(kQoC64HiresWidth);
  TakeRow();
}

std::unique_ptr<TQoBitmap> TQoCommodore64CommonHiResGigascreenEngine::Decode() {
  UnpackOnce();
  LoadCommodore64Palette();
  return DecodeTwoFrames(
      [](TQoBitmap& bmp, const TQoC64Frame& f) { DrawHiresCells(bmp, f.Bitmap, f.Screens); },
      false);
}

TQoCommodore64CommonHiResFLIGigascreenEngine::TQoCommodore64CommonHiResFLIGigascreenEngine(
    TQoLoadSource& source, const TQoC64FrameTable& table)
    : TQoCommodore64CommonFramesEngine(source, table) {
  SetTwoFrames(kQoC64HiresWidth);
  TakeRow();
}

std::unique_ptr<TQoBitmap> TQoCommodore64CommonHiResFLIGigascreenEngine::Decode() {
  UnpackOnce();
  LoadCommodore64Palette();
  return DecodeTwoFrames(
      [](TQoBitmap& bmp, const TQoC64Frame& f) { DrawHiresFLICells(bmp, f.Bitmap, f.Screens); },
      false);
}

// Members with drawing of their own.

namespace {

// Replaces the 16 colours in palette by the given few, in order.
void KeepColours(TQoPalette256& palette, std::initializer_list<int> colours) {
  TQoPalette256 few;
  for (int colour : colours) few.Add(palette.GetStdRGB(colour));
  palette.Assign(&few);
}

// Multi-Lace Editor: the characters of 7 rows start at 8-byte cells; cells 256 on have
// no character data and show colour 0.
constexpr int kMleCharacters = 256;

}  // namespace

TQoCommodore64LoResGigascreenMleEngine::TQoCommodore64LoResGigascreenMleEngine(
    TQoLoadSource& source)
    : TQoRowEngine(source) {
  ColorDepth = 2;
}

std::unique_ptr<TQoBitmap> TQoCommodore64LoResGigascreenMleEngine::Decode() {
  LoadCommodore64Palette();
  KeepColours(*Palette, {0, 9, 8, 5});
  return DecodeTwoFrames(
      [](TQoBitmap& bmp, const TQoC64Frame& f) {
        for (int y = 0; y < bmp.Height; ++y) {
          for (int x = 0; x < bmp.Width; ++x) {
            const int cell = (y / 8) * kQoC64Columns + x / 8;
            uint32_t pair = 0;
            if (cell < kMleCharacters) {
              const uint8_t b = f.Bitmap.U8(static_cast<std::size_t>(cell * 8 + y % 8));
              pair = (b >> (6 - (x & 6))) & 3u;
            }
            bmp.SetPixel(x, y, pair);
          }
        }
      },
      true);
}

// Hires interlace members with drawing of their own.

TQoCommodore64HiResGigascreenIheEngine::TQoCommodore64HiResGigascreenIheEngine(
    TQoLoadSource& source)
    : TQoRowEngine(source) {
  ColorDepth = 1;
}

std::unique_ptr<TQoBitmap> TQoCommodore64HiResGigascreenIheEngine::Decode() {
  // Black ink on white in both frames.
  LoadCommodore64Palette();
  KeepColours(*Palette, {1, 0});
  return DecodeTwoFrames([](TQoBitmap& bmp, const TQoC64Frame& f) { DrawMonoCells(bmp, f.Bitmap); },
                         false);
}

namespace {

// Interlace-Super-Hires Painter, offsets in a frame: two layers of sprites over the
// left 96 pixels (four columns of ten sprites, layer A in front), one colour byte per
// cell column for the bitmap, and a colour per sprite column and layer.
constexpr std::size_t kIshLayerB = 8192;
constexpr std::size_t kIshLayerA = 10752;
constexpr std::size_t kIshColumnColours = 13312;
constexpr std::size_t kIshColoursB = 15360;
constexpr std::size_t kIshColoursA = 15364;
constexpr int kIshSpriteWidth = 96;

void DrawIshFrame(TQoBitmap& bmp, TQoByteView frame) {
  for (int y = 0; y < bmp.Height; ++y) {
    for (int x = 0; x < bmp.Width; ++x) {
      const auto bit = static_cast<uint8_t>(0x80 >> (x % 8));
      if (x < kIshSpriteWidth) {
        const auto column = static_cast<std::size_t>(x / 24);
        const std::size_t at = (column * 10 + static_cast<std::size_t>(y / 21)) * 64 +
                               static_cast<std::size_t>((y % 21) * 3 + (x / 8) % 3);
        if ((frame.U8(kIshLayerA + at) & bit) != 0) {
          bmp.SetPixel(x, y, frame.U8(kIshColoursA + column) & 15u);
          continue;
        }
        if ((frame.U8(kIshLayerB + at) & bit) != 0) {
          bmp.SetPixel(x, y, frame.U8(kIshColoursB + column) & 15u);
          continue;
        }
      }
      const uint8_t colours = frame.U8(kIshColumnColours + static_cast<std::size_t>(x / 8));
      const uint8_t b = frame.U8(static_cast<std::size_t>((y / 8) * 320 + (x / 8) * 8 + y % 8));
      bmp.SetPixel(x, y, (b & bit) != 0 ? colours >> 4u : colours & 15u);
    }
  }
}

}  // namespace

std::unique_ptr<TQoBitmap> TQoCommodore64HiResGigascreenIshEngine::Decode() {
  LoadCommodore64Palette();
  return DecodeTwoFrames([](TQoBitmap& bmp, const TQoC64Frame& f) { DrawIshFrame(bmp, f.Bitmap); },
                         false);
}
