// Digitiser, converter and greyscale pictures of the ST, TT and Falcon.

#include "platforms/AtariST/QoOpenPlatformAtariSTTrueColor.h"

#include <array>
#include <vector>

#include "base/QoErrors.h"
#include "color/QoAspect.h"
#include "color/QoPaletteTypes.h"

namespace {

uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) {
  return r << 16 | g << 8 | b;
}

// The 4-plane values of line y of a low-resolution screen at offset of data.
void LowResolutionLine(TQoByteView data, std::size_t offset, int y, std::vector<uint32_t>& values) {
  const std::size_t line = offset + static_cast<std::size_t>(y) * 160;
  for (std::size_t g = 0; g < 20; ++g) {
    std::array<uint16_t, 4> words{};
    for (std::size_t k = 0; k < 4; ++k) words[k] = data.BE16(line + 8 * g + 2 * k);
    for (int i = 0; i < 16; ++i) {
      uint32_t v = 0;
      for (std::size_t k = 0; k < 4; ++k) v |= ((words[k] >> (15 - i)) & 1u) << k;
      values[16 * g + static_cast<std::size_t>(i)] = v;
    }
  }
}

}  // namespace

// ComputerEyes: the digitiser scans column by column, so every plane is stored by
// columns of 200 values.

namespace {

constexpr std::array<TQoExtensions, 3> kComputerEyesExtensions = {".ce1", ".ce2", ".ce3"};

}  // namespace

uint8_t TQoAtariSTComputerEyesEngine::Detect(TQoLoadSource& source) {
  TQoComputerEyesHeader header;
  if (!header.Read(source.Bytes())) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = kComputerEyesExtensions[header.Mode]});
}

TQoAtariSTComputerEyesEngine::TQoAtariSTComputerEyesEngine(TQoLoadSource& source)
    : TQoAtariSTBaseEngine(source, ClassName) {
  TQoComputerEyesHeader header;
  if (!header.Read(Bytes())) qo::RaiseInternalError();
  mode_ = header.Mode;
  PixelData = Bytes().From(TQoComputerEyesHeader::kData);
  static constexpr int32_t kWidths[] = {320, 640, 640};
  static constexpr int32_t kHeights[] = {200, 200, 400};
  static constexpr int32_t kDepths[] = {18, 15, 8};
  Width = kWidths[mode_];
  Height = kHeights[mode_];
  ColorDepth = kDepths[mode_];
  if (mode_ == 1) {
    AspectMask |= QoAspectBit(kQoAspect1to2);
    AspectIndex = kQoAspect1to2;
  }
  ModeName = "ComputerEyes";
  DefaultExtension = kComputerEyesExtensions[mode_].First();
}

std::unique_ptr<TQoBitmap> TQoAtariSTComputerEyesEngine::Decode() {
  std::vector<uint32_t> values(static_cast<std::size_t>(Width));
  if (mode_ == 2) {
    // 192 grey levels evenly spaced in the stored (sRGB) scale.
    Palette->Clear();
    for (int i = 0; i < 192; ++i) {
      const double v = qo::SrgbUnitToLinear(i / 191.0);
      Palette->AddLinear(TQoLinRGBColor{v, v, v});
    }
    auto bmp = std::make_unique<TQoBitmap8>(Width, Height, Palette.get());
    // Each column holds its 200 even lines, then its 200 odd lines.
    for (int y = 0; y < Height; ++y) {
      const std::size_t row = (y % 2 == 0 ? 0 : 200) + static_cast<std::size_t>(y / 2);
      for (std::size_t x = 0; x < values.size(); ++x) values[x] = PixelData.U8(x * 400 + row);
      bmp->SetRow(y, values.data(), Width);
    }
    return bmp;
  }
  auto bmp = std::make_unique<TQoBitmap24>(Width, Height);
  for (int y = 0; y < Height; ++y) {
    for (std::size_t x = 0; x < values.size(); ++x) {
      const std::size_t at = x * 200 + static_cast<std::size_t>(y);
      if (mode_ == 0) {
        values[x] =
            Rgb(qo::WidenLevel(PixelData.U8(at), 6), qo::WidenLevel(PixelData.U8(64000 + at), 6),
                qo::WidenLevel(PixelData.U8(128000 + at), 6));
      } else {
        const uint16_t w = PixelData.BE16(2 * at);
        values[x] = Rgb(qo::WidenLevel((w >> 10) & 31, 5), qo::WidenLevel((w >> 5) & 31, 5),
                        qo::WidenLevel(w & 31, 5));
      }
    }
    bmp->SetRow(y, values.data(), Width);
  }
  return bmp;
}

// uConvert: a converter's container for every screen mode of the ST, TT and Falcon.

uint8_t TQoAtariSTUIMGEngine::Detect(TQoLoadSource& source) {
  TQoUIMGHeader header;
  if (!header.Read(source.Bytes())) return 0;
  const std::string extension = header.Extension();
  return QoDetect(source, {.Signed = true, .Extensions = extension.c_str()});
}

TQoAtariSTUIMGEngine::TQoAtariSTUIMGEngine(TQoLoadSource& source)
    : TQoAtariSTBaseEngine(source, ClassName) {
  if (!header_.Read(Bytes())) qo::RaiseInternalError();
  Width = static_cast<int32_t>(header_.Width);
  Height = static_cast<int32_t>(header_.Height);
  ColorDepth = header_.Depth;
  PaletteData = header_.Palette;
  PixelData = header_.Pixels;
  switch (header_.PaletteKind) {
    case TQoUIMGHeader::kSTPalette:
      // The ST resolution whose depth the picture has.
      if (header_.Depth == 2) {
        SetSTMediumAspect();
      } else if (header_.Depth == 1 || header_.Depth == 4) {
        SetSTLowAspect();
      } else {
        qo::RaiseInternalError();
      }
      DetectSTPalette(PaletteData, header_.Entries);
      break;
    case TQoUIMGHeader::kTTPalette:
      PlatformName = "Atari TT";
      break;
    default:
      PlatformName = "Atari Falcon";
      break;
  }
  ModeName = "uConvert";
  DefaultExtension = header_.Extension();
}

std::unique_ptr<TQoBitmap> TQoAtariSTUIMGEngine::Decode() {
  switch (header_.PaletteKind) {
    case TQoUIMGHeader::kSTPalette:
      LoadSTPalette(PaletteData, *Palette, header_.Entries, PaletteType);
      break;
    case TQoUIMGHeader::kTTPalette:
      LoadTTPalette(PaletteData, *Palette, header_.Entries);
      break;
    case TQoUIMGHeader::kFalconPalette:
      LoadFalconPalette(PaletteData, *Palette, header_.Entries);
      break;
    default:
      break;
  }
  const uint8_t d = header_.Depth;
  switch (header_.Storage) {
    case TQoUIMGHeader::kPlanes:
      if (header_.PaletteKind == TQoUIMGHeader::kNoPalette) break;
      return DecodeInterleaved(true);
    case TQoUIMGHeader::kBytes:
      if (header_.PaletteKind == TQoUIMGHeader::kNoPalette) break;
      return QoDecodePackedRows(PixelData, Width, Height, 8, d, Palette.get());
    case TQoUIMGHeader::kRGB565:
      return DecodeChunky(TQoChunkyPixel::RGB565, true);
    case TQoUIMGHeader::kRGB24:
      return DecodeChunky(TQoChunkyPixel::RGB24, false);
    case TQoUIMGHeader::kXRGB32:
      return DecodeChunky(TQoChunkyPixel::XRGB32, false);
    case TQoUIMGHeader::kPackedPixels:
      if (header_.PaletteKind != TQoUIMGHeader::kSTPalette &&
          header_.PaletteKind != TQoUIMGHeader::kTTPalette) {
        break;
      }
      if (d == 1) return DecodeInterleaved(true);
      if (d == 2 || d == 4 || d == 8) {
        return QoDecodePackedRows(PixelData, Width, Height, d, d, Palette.get());
      }
      break;
    default:
      break;
  }
  qo::RaiseInternalError();
}

// Image Manager: 128 or 256 pixels square, grey bytes or four byte planes.

uint8_t TQoAtariSTImageManagerEngine::Detect(TQoLoadSource& source,
                                             const TQoAtariImageManagerFormat& row) {
  if (source.Size != row.SmallSize && source.Size != row.LargeSize) return 0;
  return QoDetect(source, {.Extensions = row.Extensions});
}

TQoAtariSTImageManagerEngine::TQoAtariSTImageManagerEngine(TQoLoadSource& source,
                                                           const TQoAtariImageManagerFormat& row)
    : TQoAtariSTBaseEngine(source, row.ClassName), planes_(row.Planes) {
  if (source.Size != row.SmallSize && source.Size != row.LargeSize) qo::RaiseInternalError();
  Width = Height = source.Size == row.SmallSize ? 128 : 256;
  ColorDepth = planes_ ? 24 : 8;
  PixelData = Bytes();
  ModeName = "Atari Image Manager";
  DefaultExtension = row.Extensions.First();
}

std::unique_ptr<TQoBitmap> TQoAtariSTImageManagerEngine::Decode() {
  if (!planes_) {
    SetGrayPalette(false);
    return DecodeChunky8(true);
  }
  // The first plane is not part of the colour; red, green and blue follow it.
  const std::size_t plane = static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height);
  auto bmp = std::make_unique<TQoBitmap24>(Width, Height);
  std::vector<uint32_t> values(static_cast<std::size_t>(Width));
  for (int y = 0; y < Height; ++y) {
    const std::size_t line = static_cast<std::size_t>(y) * values.size();
    for (std::size_t x = 0; x < values.size(); ++x) {
      values[x] = Rgb(PixelData.U8(plane + line + x), PixelData.U8(2 * plane + line + x),
                      PixelData.U8(3 * plane + line + x));
    }
    bmp->SetRow(y, values.data(), Width);
  }
  return bmp;
}

// DeskPic: interleaved planes of any size with a VDI palette behind them.

uint8_t TQoAtariSTDeskPicEngine::Detect(TQoLoadSource& source) {
  TQoDeskPicHeader header;
  if (!header.Read(source.Bytes())) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".gfb"});
}

TQoAtariSTDeskPicEngine::TQoAtariSTDeskPicEngine(TQoLoadSource& source)
    : TQoAtariSTBaseEngine(source, ClassName) {
  TQoDeskPicHeader header;
  if (!header.Read(Bytes())) qo::RaiseInternalError();
  Width = static_cast<int32_t>(header.Width);
  Height = static_cast<int32_t>(header.Height);
  ColorDepth = header.Planes;
  PixelData = header.Pixels;
  PaletteData = header.Palette;
  ModeName = "DeskPic";
  DefaultExtension = ".gfb";
}

std::unique_ptr<TQoBitmap> TQoAtariSTDeskPicEngine::Decode() {
  Palette->Clear();
  LoadVDIPalette(PaletteData, *Palette, 1 << ColorDepth, true);
  return DecodeInterleaved(true);
}

// RGB Intermediate: three DEGAS screens whose colour indices are the red, green and blue
// levels of each pixel.

namespace {

constexpr std::size_t kRGBIntermediateScreens[] = {34, 32068, 64102};

}  // namespace

uint8_t TQoAtariSTRGBIntermediateEngine::Detect(TQoLoadSource& source) {
  return QoDetect(source, {.Size = 96102, .Extensions = ".rgb"});
}

TQoAtariSTRGBIntermediateEngine::TQoAtariSTRGBIntermediateEngine(TQoLoadSource& source)
    : TQoAtariSTBaseEngine(source, ClassName) {
  Width = 320;
  Height = 200;
  ColorDepth = 12;
  PixelData = Bytes();
  PlatformName = "Atari STE";
  Description = " RGB Intermediate";
  DefaultExtension = ".rgb";
}

std::unique_ptr<TQoBitmap> TQoAtariSTRGBIntermediateEngine::Decode() {
  auto bmp = std::make_unique<TQoBitmap24>(Width, Height);
  std::vector<uint32_t> r(320), g(320), b(320), values(320);
  for (int y = 0; y < Height; ++y) {
    LowResolutionLine(PixelData, kRGBIntermediateScreens[0], y, r);
    LowResolutionLine(PixelData, kRGBIntermediateScreens[1], y, g);
    LowResolutionLine(PixelData, kRGBIntermediateScreens[2], y, b);
    for (std::size_t x = 0; x < values.size(); ++x)
      values[x] = Rgb(r[x] * 17, g[x] * 17, b[x] * 17);
    bmp->SetRow(y, values.data(), Width);
  }
  return bmp;
}

// IMG Scan: bare scanner bytes, 0 for white paper.

namespace {

struct TQoImgScanSize {
  int32_t FileSize, Width, Height;
  TQoExtensions Extension;
};

constexpr TQoImgScanSize kImgScanSizes[] = {
    {64000, 320, 200, ".rwl"}, {128000, 640, 200, ".raw"}, {256000, 640, 400, ".rwh"}};

const TQoImgScanSize* FindImgScanSize(int32_t size) {
  for (const TQoImgScanSize& row : kImgScanSizes) {
    if (row.FileSize == size) return &row;
  }
  return nullptr;
}

}  // namespace

uint8_t TQoAtariSTImgScanLabEngine::Detect(TQoLoadSource& source) {
  const TQoImgScanSize* row = FindImgScanSize(source.Size);
  return row ? QoDetect(source, {.Extensions = row->Extension}) : 0;
}

TQoAtariSTImgScanLabEngine::TQoAtariSTImgScanLabEngine(TQoLoadSource& source)
    : TQoAtariSTBaseEngine(source, ClassName) {
  const TQoImgScanSize* row = FindImgScanSize(source.Size);
  if (!row) qo::RaiseInternalError();
  Width = row->Width;
  Height = row->Height;
  ColorDepth = 8;
  PixelData = Bytes();
  PlatformName = "Atari Falcon";
  ModeName = "IMG Scan";
  DefaultExtension = row->Extension.First();
}

std::unique_ptr<TQoBitmap> TQoAtariSTImgScanLabEngine::Decode() {
  SetGrayPalette(true);
  return DecodeChunky8(true);
}

// ImageLab: 256 grey levels behind a small header.

uint8_t TQoAtariSTImageLabEngine::Detect(TQoLoadSource& source) {
  TQoImageLabHeader header;
  if (!header.Read(source.Bytes())) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".b_w .b&w .dit"});
}

TQoAtariSTImageLabEngine::TQoAtariSTImageLabEngine(TQoLoadSource& source)
    : TQoAtariSTBaseEngine(source, ClassName) {
  TQoImageLabHeader header;
  if (!header.Read(Bytes())) qo::RaiseInternalError();
  Width = header.Width;
  Height = header.Height;
  ColorDepth = 8;
  PixelData = Bytes().From(TQoImageLabHeader::kPixels);
  PlatformName = "Atari Falcon";
  ModeName = "ImageLab";
  DefaultExtension = ".b_w";
  if (source.Extension == ".dit") {
    ModeName = "GEM-View Dither";
    DefaultExtension = ".dit";
  } else if (source.Extension == ".b&w") {
    DefaultExtension = ".b&w";
  }
}

std::unique_ptr<TQoBitmap> TQoAtariSTImageLabEngine::Decode() {
  SetGrayPalette(false);
  return DecodeChunky8(true);
}

// Print-Technik: 7-bit grey levels, shown at twice their value.

uint8_t TQoAtariSTPrintTechnikEngine::Detect(TQoLoadSource& source) {
  TQoPrintTechnikHeader header;
  if (!header.Read(source.Bytes())) return 0;
  return QoDetect(source, {.Signed = true, .Extensions = ".hir"});
}

TQoAtariSTPrintTechnikEngine::TQoAtariSTPrintTechnikEngine(TQoLoadSource& source)
    : TQoAtariSTBaseEngine(source, ClassName) {
  TQoPrintTechnikHeader header;
  if (!header.Read(Bytes())) qo::RaiseInternalError();
  Width = header.Width;
  Height = header.Height;
  ColorDepth = 7;
  PixelData = Bytes().From(TQoPrintTechnikHeader::kPixels);
  PlatformName = "Atari Falcon";
  ModeName = "Print-Technik";
  DefaultExtension = ".hir";
}

std::unique_ptr<TQoBitmap> TQoAtariSTPrintTechnikEngine::Decode() {
  Palette->Clear();
  for (int i = 0; i < 128; ++i) {
    const auto v = static_cast<uint8_t>(2 * i);
    Palette->Add(v, v, v);
  }
  return DecodeChunky8(true);
}
