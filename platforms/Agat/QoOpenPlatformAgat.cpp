#include "platforms/Agat/QoOpenPlatformAgat.h"

#include <vector>

#include "base/QoErrors.h"
#include "color/QoPaletteTypes.h"
#include "platforms/AppleII/QoPlatformAppleII.h"

namespace {

struct TModeLayout {
  uint8_t Mode;
  TQoAgatLayout Layout;
};

// clang-format off
constexpr TModeLayout kModes[] = {
    {0x10, {TQoAgatSetup::Bits1, 256, 256, 1, kQoAspect4to3, false}},
    {0x1D, {TQoAgatSetup::Bits1, 256, 256, 2, kQoAspect4to3, false}},
    {0x40, {TQoAgatSetup::Bits4, 64, 64, 1, kQoAspect4to3, false}},
    {0x4D, {TQoAgatSetup::Bits4, 64, 64, 2, kQoAspect4to3, false}},
    {0x50, {TQoAgatSetup::Bits4, 128, 128, 1, kQoAspect4to3, false}},
    {0x5D, {TQoAgatSetup::Bits4, 128, 128, 2, kQoAspect4to3, false}},
    {0x60, {TQoAgatSetup::Bits2, 256, 256, 1, kQoAspect4to3, true}},
    {0x6D, {TQoAgatSetup::Bits2, 256, 256, 2, kQoAspect4to3, true}},
    {0x70, {TQoAgatSetup::Bits1, 512, 256, 1, kQoAspect2to3, true}},
    {0x7D, {TQoAgatSetup::Bits1, 512, 256, 2, kQoAspect2to3, true}},
    {0x80, {TQoAgatSetup::Bits4, 128, 256, 1, kQoAspect8to3, true}},
    {0x8D, {TQoAgatSetup::Bits4, 128, 256, 2, kQoAspect8to3, true}},
    {0x9A, {TQoAgatSetup::AppleHR, 280, 192, 1, kQoAspect32to35, false}},
    {0xCA, {TQoAgatSetup::AppleLR, 40, 48, 1, kQoAspect8to5, false}},
    {0xDA, {TQoAgatSetup::AppleDLR, 80, 48, 1, kQoAspect4to5, false}},
    {0xEA, {TQoAgatSetup::AppleDHRColor, 140, 192, 1, kQoAspect64to35, false}},
    {0xFA, {TQoAgatSetup::AppleDHRBW, 560, 192, 1, kQoAspect16to35, false}},
};
// clang-format on

constexpr int kLineGroups = 32;
constexpr std::size_t kLinePixelBytes = 8192;
constexpr std::size_t kLineColorsPerGroup = 8;

// True when a byte of the 192 hi-res rows has bit 7 set (the holes between rows do not
// count).
bool HiResHasColorBit(TQoByteView video) {
  for (int y = 0; y < kQoAppleIIHiResRows; ++y) {
    const uint8_t* row = video.Ptr(QoAppleIIHiResRow(y), kQoAppleIIHiResRowBytes);
    for (int x = 0; x < kQoAppleIIHiResRowBytes; ++x) {
      if (row[x] & 0x80) return true;
    }
  }
  return false;
}

}  // namespace

TQoAgatBaseSourceEngine::TQoAgatBaseSourceEngine(TQoLoadSource& source, const char* className)
    : TQoSourceEngine(source, className) {
  PlatformName = "Agat";
  DefaultExtension = ".fil";
}

TQoByteView TQoAgatBaseSourceEngine::Trailer() const {
  if (TrailerStart == 0) return TQoByteView();
  return Bytes().Sub(TrailerStart, kQoAgatTrailerSize);
}

void TQoAgatBaseSourceEngine::SetUp(const TQoAgatLayout& layout, uint8_t kind) {
  layout_ = layout;
  Width = layout.Width;
  Height = layout.Height;
  FrameCount = layout.Frames;
  AspectIndex = layout.AspectIndex;
  AspectMask |= QoAspectBit(layout.AspectIndex);
  switch (layout.Setup) {
    case TQoAgatSetup::Bits1:
      ColorDepth = 1;
      break;
    case TQoAgatSetup::Bits2:
      ColorDepth = 2;
      PaletteTypes = {ptColoredBRGB, ptColoredWRGB, ptGrayBRGB, ptGrayWRGB};
      if (kind == 0xF) PaletteTypes.insert(PaletteTypes.begin(), ptColored4096);
      switch (kind) {
        case 0x1:
          PaletteType = ptColoredWRGB;
          break;
        case 0x8:
          PaletteType = ptGrayBRGB;
          Description = " gray image";
          break;
        case 0x9:
          PaletteType = ptGrayWRGB;
          Description = " gray image";
          break;
        case 0xF:
          PaletteType = ptColored4096;
          Description = " palette image";
          break;
        default:
          PaletteType = ptColoredBRGB;
          break;
      }
      break;
    case TQoAgatSetup::Bits4: {
      if (kind == 0xE) {
        ColorDepth = 4;
        PaletteType = ptColored4096;
        LinePaletteMode = true;
        Description = " palette PCHG image";
        break;
      }
      // Colours 8-15 set bit 3 or bit 7 of a byte.
      bool bright = false;
      const TQoByteView video = Video();
      for (std::size_t i = 0; i < video.Size() && !bright; ++i) bright = (video.U8(i) & 0x88) != 0;
      if (bright) {
        PaletteTypes = {ptColored16, ptGray16};
      } else {
        PaletteTypes = {ptColored16, ptColored8, ptGray16, ptGray8};
      }
      ColorDepth = bright ? 4 : 3;
      if (kind == 0xF) {
        PaletteTypes.insert(PaletteTypes.begin(), ptColored4096);
        ColorDepth = 4;
        PaletteType = ptColored4096;
        Description = " palette image";
      } else if (kind == 0x8) {
        PaletteType = bright ? ptGray16 : ptGray8;
        Description = " gray image";
      } else {
        PaletteType = bright ? ptColored16 : ptColored8;
      }
      break;
    }
    case TQoAgatSetup::AppleHR:
      layout_.Setup =
          HiResHasColorBit(Video()) ? TQoAgatSetup::AppleHRColor : TQoAgatSetup::AppleHRBW;
      SetUp(layout_, kind);
      break;
    case TQoAgatSetup::AppleHRBW:
      ColorDepth = 1;
      PlatformName = "Apple II";
      Description = " HR B/W image";
      break;
    case TQoAgatSetup::AppleHRColor:
      ColorDepth = 2;
      PlatformName = "Apple II";
      Description = " HR image";
      break;
    case TQoAgatSetup::AppleLR:
      ColorDepth = 4;
      AspectMask = QoAspectBit(kQoAspect3to2) | QoAspectBit(kQoAspect8to5);
      PlatformName = "Agat";
      Description = " LR image";
      break;
    case TQoAgatSetup::AppleDLR:
      ColorDepth = 4;
      PlatformName = "Apple II";
      Description = " DLR image";
      break;
    case TQoAgatSetup::AppleDHRColor:
      ColorDepth = 4;
      AspectMask = QoAspectBit(kQoAspect64to35) | QoAspectBit(kQoAspect2to1);
      PlatformName = "Apple II";
      Description = " DHR image";
      break;
    case TQoAgatSetup::AppleDHRBW:
      ColorDepth = 1;
      AspectMask = QoAspectBit(kQoAspect16to35) | QoAspectBit(kQoAspect1to2);
      PlatformName = "Apple II";
      Description = " DHR B/W image";
      break;
  }
}

int TQoAgatBaseSourceEngine::BuildPalette() {
  QoSetAgatPalette(*Palette, PaletteType, Trailer(), layout_.Setup == TQoAgatSetup::Bits2);
  PaletteColumns = Palette->GetCount();
  return PaletteColumns;
}

int TQoAgatBaseSourceEngine::DataRow(int y) const {
  if (!layout_.Interleaved) return y;
  return (y & 1) * (Height / 2) + y / 2;
}

std::unique_ptr<TQoBitmap> TQoAgatBaseSourceEngine::Decode() {
  if (Width <= 0 || Height <= 0) qo::RaiseInternalError();
  const TQoByteView video = Video();
  switch (layout_.Setup) {
    case TQoAgatSetup::Bits1:
    case TQoAgatSetup::Bits2:
    case TQoAgatSetup::Bits4:
      if (LinePaletteMode) return DecodeLinePalettes(video);
      return layout_.Frames == 2 ? DecodePair(video) : DecodeSingle(video);
    default:
      return DecodeApple(video);
  }
}

std::unique_ptr<TQoBitmap> TQoAgatBaseSourceEngine::DecodeSingle(TQoByteView video) {
  std::vector<uint32_t> values(static_cast<std::size_t>(Width));
  std::unique_ptr<TQoBitmap> bmp;
  if (layout_.Setup == TQoAgatSetup::Bits1) {
    SetMonoPalette(false);
    bmp = std::make_unique<TQoBitmap1>(Width, Height, Palette.get());
  } else {
    BuildPalette();
    bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  }
  const int bits = layout_.Setup == TQoAgatSetup::Bits1   ? 1
                   : layout_.Setup == TQoAgatSetup::Bits2 ? 2
                                                          : 4;
  const std::size_t rowBytes = static_cast<std::size_t>(Width) * bits / 8;
  const int perByte = 8 / bits;
  const unsigned mask = (1u << bits) - 1;
  for (int y = 0; y < Height; ++y) {
    const uint8_t* row = video.Ptr(static_cast<std::size_t>(DataRow(y)) * rowBytes, rowBytes);
    for (int x = 0; x < Width; ++x) {
      const int shift = 8 - bits * (x % perByte + 1);
      values[static_cast<std::size_t>(x)] = (row[x / perByte] >> shift) & mask;
    }
    bmp->SetRow(y, values.data(), Width);
  }
  return bmp;
}

std::unique_ptr<TQoBitmap> TQoAgatBaseSourceEngine::DecodePair(TQoByteView video) {
  const std::size_t half = video.Size() / 2;
  const TQoByteView first = video.Sub(0, half);
  const TQoByteView second = video.Sub(half, half);
  std::unique_ptr<TQoBitmap> bmp;
  int bits = 4;
  bool threeBits = false;
  if (layout_.Setup == TQoAgatSetup::Bits1) {
    bits = 1;
    SetMonoMixedPalette();
    bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  } else if (layout_.Setup == TQoAgatSetup::Bits2) {
    bits = 2;
    BuildPalette();
    BuildMixedPalette();
    bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  } else {
    threeBits = BuildPalette() == 8;
    BuildMixedPalette();
    bmp = std::make_unique<TQoBitmap8>(Width, Height, Palette.get());
  }
  TQoBitmap* frame1 = bmp->AddFrame(SourcePalette.get());
  TQoBitmap* frame2 = bmp->AddFrame(SourcePalette.get());
  const std::size_t rowBytes = static_cast<std::size_t>(Width) * bits / 8;
  const int count = static_cast<int>(rowBytes);
  for (int y = 0; y < Height; ++y) {
    const std::size_t at = static_cast<std::size_t>(DataRow(y)) * rowBytes;
    TQoByteCursor a(first.Sub(at, rowBytes));
    TQoByteCursor b(second.Sub(at, rowBytes));
    if (bits == 1) {
      PlotPair1Run(*bmp, frame1, frame2, a, b, 0, y, count);
    } else if (bits == 2) {
      PlotPair2Run(*bmp, frame1, frame2, a, b, 0, y, count);
    } else if (threeBits) {
      PlotPair3Run(*bmp, frame1, frame2, a, b, 0, y, count);
    } else {
      PlotPair4Run(*bmp, frame1, frame2, a, b, 0, y, count);
    }
  }
  return bmp;
}

// Mode 0x50 with a palette of eight colours for every four rows.
std::unique_ptr<TQoBitmap> TQoAgatBaseSourceEngine::DecodeLinePalettes(TQoByteView video) {
  std::vector<uint32_t> colors(kLineGroups * kLineColorsPerGroup);
  for (std::size_t i = 0; i < colors.size(); ++i) {
    const uint8_t* rgb = video.Ptr(kLinePixelBytes + 3 * i, 3);
    colors[i] = ((rgb[0] & 15u) * 17u << 16) | ((rgb[1] & 15u) * 17u << 8) | (rgb[2] & 15u) * 17u;
  }
  Palette->Clear();
  for (uint32_t color : colors) Palette->AddUnique(color);
  Palette->SortByLuminance(0);
  PaletteColumns = Palette->GetCount();
  std::unique_ptr<TQoBitmap> bmp;
  if (Palette->GetCount() <= 16) {
    bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  } else {
    bmp = std::make_unique<TQoBitmap8>(Width, Height, Palette.get());
  }
  std::vector<uint32_t> lookup(colors.size());
  for (std::size_t i = 0; i < colors.size(); ++i) {
    lookup[i] = static_cast<uint32_t>(Palette->IndexOf(colors[i]));
  }
  const std::size_t rowBytes = static_cast<std::size_t>(Width) / 2;
  std::vector<uint32_t> values(static_cast<std::size_t>(Width));
  for (int y = 0; y < Height; ++y) {
    const uint8_t* row = video.Ptr(static_cast<std::size_t>(y) * rowBytes, rowBytes);
    const std::size_t group = static_cast<std::size_t>(y / 4 % kLineGroups) * kLineColorsPerGroup;
    for (std::size_t j = 0; j < rowBytes; ++j) {
      values[2 * j] = lookup[group + ((row[j] >> 4) & 7u)];
      values[2 * j + 1] = lookup[group + (row[j] & 7u)];
    }
    bmp->SetRow(y, values.data(), Width);
  }
  return bmp;
}

std::unique_ptr<TQoBitmap> TQoAgatBaseSourceEngine::DecodeApple(TQoByteView video) {
  std::vector<uint32_t> values(static_cast<std::size_t>(Width));
  auto applePalette = [&] {
    Palette->Clear();
    for (int i = 32; i < 48; ++i) Palette->Add(QoAgatTableColor(i));
    PaletteColumns = 16;
  };
  std::unique_ptr<TQoBitmap> bmp;
  switch (layout_.Setup) {
    case TQoAgatSetup::AppleLR:
    case TQoAgatSetup::AppleDLR: {
      applePalette();
      bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
      const bool dbl = layout_.Setup == TQoAgatSetup::AppleDLR;
      std::vector<uint32_t> bottom(values.size());
      for (int t = 0; t < 24; ++t) {
        const std::size_t start =
            static_cast<std::size_t>(t & 7) * 128 + static_cast<std::size_t>(t / 8) * 40;
        for (std::size_t j = 0; j < 40; ++j) {
          if (dbl) {
            const uint8_t odd = video.U8(start + j);
            const uint8_t even = video.U8(1024 + start + j);
            values[2 * j] = even & 15u;
            values[2 * j + 1] = odd & 15u;
            bottom[2 * j] = even >> 4;
            bottom[2 * j + 1] = odd >> 4;
          } else {
            const uint8_t v = video.U8(start + j);
            values[j] = v & 15u;
            bottom[j] = v >> 4;
          }
        }
        bmp->SetRow(2 * t, values.data(), Width);
        bmp->SetRow(2 * t + 1, bottom.data(), Width);
      }
      return bmp;
    }
    case TQoAgatSetup::AppleHRBW:
      SetMonoPalette(false);
      bmp = std::make_unique<TQoBitmap1>(Width, Height, Palette.get());
      for (int y = 0; y < Height; ++y) {
        const uint8_t* row = video.Ptr(QoAppleIIHiResRow(y), kQoAppleIIHiResRowBytes);
        for (int x = 0; x < Width; ++x)
          values[static_cast<std::size_t>(x)] = (row[x / 7] >> (x % 7)) & 1u;
        bmp->SetRow(y, values.data(), Width);
      }
      return bmp;
    case TQoAgatSetup::AppleHRColor:
      applePalette();
      bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
      for (int y = 0; y < Height; ++y) {
        QoAppleIIHiResColorRow(video.Ptr(QoAppleIIHiResRow(y), kQoAppleIIHiResRowBytes),
                               values.data());
        bmp->SetRow(y, values.data(), Width);
      }
      return bmp;
    case TQoAgatSetup::AppleDHRColor:
    case TQoAgatSetup::AppleDHRBW: {
      const bool color = layout_.Setup == TQoAgatSetup::AppleDHRColor;
      if (color) {
        applePalette();
        bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
      } else {
        SetMonoPalette(false);
        bmp = std::make_unique<TQoBitmap1>(Width, Height, Palette.get());
      }
      for (int y = 0; y < Height; ++y) {
        const std::size_t row = QoAppleIIHiResRow(y);
        const uint8_t* aux = video.Ptr(row, kQoAppleIIHiResRowBytes);
        const uint8_t* main = video.Ptr(kQoAppleIIHiResSize + row, kQoAppleIIHiResRowBytes);
        for (int k = 0; k < 20; ++k) {
          const uint32_t group = QoAppleIIDoubleGroup(aux, main, k);
          if (color) {
            for (int l = 0; l < 7; ++l)
              values[static_cast<std::size_t>(7 * k + l)] = QoAppleIIDoubleColor(group >> (4 * l));
          } else {
            for (int l = 0; l < 28; ++l)
              values[static_cast<std::size_t>(28 * k + l)] = (group >> l) & 1u;
          }
        }
        bmp->SetRow(y, values.data(), Width);
      }
      return bmp;
    }
    default:
      qo::RaiseInternalError();
  }
}

// Files with a trailer.

uint8_t TQoAgatSourceEngine::Detect(TQoLoadSource& source) {
  TQoAgatFile file;
  if (!QoParseAgatFile(source.Bytes(), file) || !file.Trailer) return 0;
  if (!QoAgatTrailerModeAccepted(file.DataLength, file.Mode, file.PaletteKind())) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".fil"});
}

TQoAgatSourceEngine::TQoAgatSourceEngine(TQoLoadSource& source)
    : TQoAgatBaseSourceEngine(source, ClassName) {
  TQoAgatFile file;
  if (!QoParseAgatFile(Bytes(), file) || !file.Trailer ||
      !QoAgatTrailerModeAccepted(file.DataLength, file.Mode, file.PaletteKind())) {
    qo::RaiseInternalError();
  }
  VideoLength = file.DataLength;
  TrailerStart = kQoAgatHeaderSize + file.DataLength;
  const TQoByteView comment = Bytes().Sub(TrailerStart + kQoAgatCommentOffset, kQoAgatCommentSize);
  bool any = false;
  for (std::size_t i = 0; i < comment.Size(); ++i) any = any || comment.U8(i) != 0;
  if (any) InfoComment = QoAgatCommentText(comment);
  for (const TModeLayout& mode : kModes) {
    if (mode.Mode == file.Mode) {
      SetUp(mode.Layout, file.PaletteKind());
      return;
    }
  }
  qo::RaiseInternalError();
}

// Files without a trailer.

uint8_t TQoAgatSourceFixedEngine::Detect(TQoLoadSource& source, const TQoAgatFixedFormat& row) {
  TQoAgatFile file;
  const TQoByteView bytes = source.Bytes();
  if (!QoParseAgatFile(bytes, file) || file.Trailer || file.DataLength != row.DataLength) return 0;
  if (row.Layout.Setup == TQoAgatSetup::AppleHRBW &&
      HiResHasColorBit(bytes.Sub(kQoAgatHeaderSize, row.DataLength))) {
    return 0;
  }
  return QoDetect(source, {.Signed = true, .Extensions = ".fil"});
}

TQoAgatSourceFixedEngine::TQoAgatSourceFixedEngine(TQoLoadSource& source,
                                                   const TQoAgatFixedFormat& row)
    : TQoAgatBaseSourceEngine(source, row.ClassName) {
  TQoAgatFile file;
  if (!QoParseAgatFile(Bytes(), file) || file.Trailer || file.DataLength != row.DataLength) {
    qo::RaiseInternalError();
  }
  VideoLength = row.DataLength;
  SetUp(row.Layout, 0);
}

void RegisterAgatEngines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoAgatSourceEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAgatSource64x64x4Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAgatSource128x128x4Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAgatSource128x256x4Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAgatSource256x256x1Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAgatSource256x256x2Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAgatSource512x256x1Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoAgatSource40x48x4EngineLR>());
  registry.RegisterEngine(QoEngineClassOf<TQoAgatSource80x48x4EngineDLR>());
  registry.RegisterEngine(QoEngineClassOf<TQoAgatSource280x192x4EngineHRBW>());
  registry.RegisterEngine(QoEngineClassOf<TQoAgatSource280x192x4EngineHRColor>());
  registry.RegisterEngine(QoEngineClassOf<TQoAgatSource140x192x4EngineDHR>());
}
