#include "platforms/ElementZX/QoOpenPlatformElementZX.h"

#include <algorithm>

#include "base/QoErrors.h"
#include "color/QoAspect.h"
#include "color/QoPaletteTypes.h"
#include "platforms/Timex/QoPlatformTimex.h"
#include "platforms/ULAplus/QoPlatformULAplus.h"

namespace {

constexpr std::size_t kRadastanPixelBytes = 64 * 96;
constexpr std::size_t kRadastanBytes = kRadastanPixelBytes + 16;
constexpr int kHamColors = 64;

// Ink and paper of a ZX attribute, each plus 8 when bright.
TQoZxCellColors StandardCellColors(uint8_t attribute) {
  const uint32_t bright = (attribute & 0x40) ? 8 : 0;
  return TQoZxCellColors{((attribute >> 3) & 7u) + bright, (attribute & 7u) + bright};
}

}  // namespace

TQoElementZXEngine::TQoElementZXEngine(TQoLoadSource& source, const char* className)
    : TQoSourceEngine(source, className) {
  PlatformName = "EleMeNt ZX/MB03+";
}

uint8_t TQoElementZXEngine::DetectSize(TQoLoadSource& source, std::size_t size,
                                       TQoExtensions extensions) {
  return QoDetect(source, {.Size = size, .Extensions = extensions});
}

void TQoElementZXEngine::Describe(const char* description, TQoExtensions extensions, bool wide) {
  Description = description;
  DefaultExtension = std::string(extensions.First());
  if (wide) {
    // 512 pixels across the width of 256: each pixel half as wide as high.
    AspectIndex = kQoAspect1to2;
    AspectMask |= QoAspectBit(kQoAspect1to2);
  }
}

// Two screens, alternating or layered.

std::size_t TQoElementZXPairEngine::SizeOf(const TQoElementZXPairFormat& format) {
  return 2 * (format.Hrc ? kQoHrcBytes : kZxScreenBytes) + (format.Layer ? 1 : 0);
}

uint8_t TQoElementZXPairEngine::Detect(TQoLoadSource& source,
                                       const TQoElementZXPairFormat& format) {
  const std::size_t size = SizeOf(format);
  if (source.Bytes().Size() != size) return 0;
  if (format.Layer && source.Bytes().U8(size - 1) > 15) return 0;
  return DetectSize(source, size, format.Extensions);
}

TQoElementZXPairEngine::TQoElementZXPairEngine(TQoLoadSource& source,
                                               const TQoElementZXPairFormat& format)
    : TQoElementZXEngine(source, format.ClassName), format_(format) {
  Describe(format.Description, format.Extensions, format.Hrc);
  Width = format.Hrc ? 512 : 256;
  Height = 192;
  ColorDepth = format.Layer ? 4 : 8;
  FrameCount = 2;
}

std::unique_ptr<TQoBitmap> TQoElementZXPairEngine::Decode() {
  const std::size_t size = SizeOf(format_);
  const TQoByteView bytes = Bytes();
  if (bytes.Size() != size) qo::RaiseInternalError();
  const std::size_t second = format_.Hrc ? kQoHrcBytes : kZxScreenBytes;
  auto pixelsOf = [&](std::size_t at) {
    return format_.Hrc ? QoElementHrcPixels(bytes.From(at), StandardCellColors)
                       : QoElementScreenPixels(bytes.From(at), StandardCellColors);
  };
  const std::vector<uint8_t> first = pixelsOf(0), upper = pixelsOf(second);
  std::unique_ptr<TQoBitmap> bmp;
  if (format_.Layer) {
    const int key = bytes.U8(size - 1);
    if (key > 15) qo::RaiseInternalError();
    QoSetElementPalette16(*Palette);
    bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
    for (int y = 0; y < Height; ++y) {
      for (int x = 0; x < Width; ++x) {
        const std::size_t at = static_cast<std::size_t>(y * Width + x);
        bmp->SetPixel(x, y, QoElementLayer(first[at], upper[at], key));
      }
    }
  } else {
    QoSetElementGigaPalette(*Palette);
    PaletteColumns = 16;
    bmp = std::make_unique<TQoBitmap8>(Width, Height, Palette.get());
    for (int y = 0; y < Height; ++y) {
      for (int x = 0; x < Width; ++x) {
        const std::size_t at = static_cast<std::size_t>(y * Width + x);
        bmp->SetPixel(x, y, first[at] * 16u + upper[at]);
      }
    }
  }
  return bmp;
}

// Timex hi-colour screen in the board's colours.

uint8_t TQoElementZXTimexHiColorEngine::Detect(TQoLoadSource& source) {
  return DetectSize(source, kQoTimexScreenBytes, ".thc");
}

TQoElementZXTimexHiColorEngine::TQoElementZXTimexHiColorEngine(TQoLoadSource& source)
    : TQoElementZXEngine(source, ClassName) {
  Describe(" Timex HiColor image", ".thc", false);
  Width = 256;
  Height = 192;
  ColorDepth = 4;
}

std::unique_ptr<TQoBitmap> TQoElementZXTimexHiColorEngine::Decode() {
  QoSetElementPalette16(*Palette);
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  TQoZxCellColorTable colors;
  for (int a = 0; a < 256; ++a) {
    colors[static_cast<std::size_t>(a)] = StandardCellColors(static_cast<uint8_t>(a));
  }
  QoDrawTimexHiColor(*bmp, Bytes(), colors);
  return bmp;
}

// Radastan: 128 x 96 at four bits a pixel, with 16 ULAplus colours.

uint8_t TQoElementZXRadastanEngine::Detect(TQoLoadSource& source) {
  return DetectSize(source, kRadastanBytes, ".rad");
}

TQoElementZXRadastanEngine::TQoElementZXRadastanEngine(TQoLoadSource& source)
    : TQoElementZXEngine(source, ClassName) {
  // The mode came to other ZX Spectrum clones with the ULAplus.
  PlatformName = "ZX Spectrum";
  Describe(" Radastan image", ".rad", false);
  Width = 128;
  Height = 96;
  ColorDepth = 4;
}

std::unique_ptr<TQoBitmap> TQoElementZXRadastanEngine::Decode() {
  const TQoByteView bytes = Bytes();
  Palette->Clear();
  for (std::size_t i = 0; i < 16; ++i) {
    Palette->Add(UlaPlusColour(bytes.U8(kRadastanPixelBytes + i), ptV11));
  }
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  for (int y = 0; y < Height; ++y) {
    const uint8_t* row = bytes.Ptr(64 * static_cast<std::size_t>(y), 64);
    std::copy(row, row + 64, bmp->GetScanLine(y));
  }
  return bmp;
}

// HRC: 512 x 192, monochrome or with an attribute per 8 x 4 pixels.

uint8_t TQoElementZXHRCEngine::Detect(TQoLoadSource& source) {
  const std::size_t size = source.Bytes().Size();
  if (size != kQoHrcPixelBytes && size != kQoHrcBytes) return 0;
  return DetectSize(source, size, ".hrc");
}

TQoElementZXHRCEngine::TQoElementZXHRCEngine(TQoLoadSource& source)
    : TQoElementZXEngine(source, ClassName) {
  Describe(" HRC image", ".hrc", true);
  Width = 512;
  Height = 192;
  ColorDepth = Bytes().Size() == kQoHrcPixelBytes ? 1 : 4;
}

std::unique_ptr<TQoBitmap> TQoElementZXHRCEngine::Decode() {
  const TQoByteView bytes = Bytes();
  if (bytes.Size() == kQoHrcPixelBytes) {
    SetMonoPalette(true);
    auto bmp = std::make_unique<TQoBitmap1>(Width, Height, Palette.get());
    for (int y = 0; y < Height; ++y) {
      const uint8_t* row = bytes.Ptr(64 * static_cast<std::size_t>(y), 64);
      std::copy(row, row + 64, bmp->GetScanLine(y));
    }
    return bmp;
  }
  if (bytes.Size() != kQoHrcBytes) qo::RaiseInternalError();
  QoSetElementPalette16(*Palette);
  auto bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  const uint8_t* picture = bytes.Ptr(0, kQoHrcBytes);
  for (int y = 0; y < Height; ++y) {
    for (int j = 0; j < 64; ++j) {
      const TQoZxCellColors colors =
          StandardCellColors(picture[kQoHrcPixelBytes + 64 * (y / 4) + j]);
      PlotMono8(*bmp, picture[64 * y + j], colors.Paper, colors.Ink, j, y);
    }
  }
  return bmp;
}

// HRXC: the HRC layout with 16 inks and 16 papers of a stored palette.

uint8_t TQoElementZXHRXCScreenEngine::Detect(TQoLoadSource& source,
                                             const TQoElementZXHRXCFormat& format) {
  const std::size_t size = format.Layer ? 2 * kQoHrxcBytes + 1 : kQoHrxcBytes;
  if (source.Bytes().Size() != size) return 0;
  if (format.Layer && source.Bytes().U8(size - 1) >= 32) return 0;
  return DetectSize(source, size, format.Extensions);
}

TQoElementZXHRXCScreenEngine::TQoElementZXHRXCScreenEngine(TQoLoadSource& source,
                                                           const TQoElementZXHRXCFormat& format)
    : TQoElementZXEngine(source, format.ClassName), format_(format) {
  Describe(format.Description, format.Extensions, true);
  Width = 512;
  Height = 192;
  ColorDepth = 8;
  if (format.Layer) FrameCount = 2;
}

std::unique_ptr<TQoBitmap> TQoElementZXHRXCScreenEngine::Decode() {
  const TQoByteView bytes = Bytes();
  Palette->Clear();
  QoAddElementBGRColors(*Palette, bytes.Sub(kQoHrcBytes, 96), 32);
  // The upper picture's colours become entries 32-63.
  if (format_.Layer) QoAddElementBGRColors(*Palette, bytes.Sub(kQoHrxcBytes + kQoHrcBytes, 96), 32);
  const std::vector<uint8_t> lower = QoElementHrcPixels(bytes, QoHrxcColors);
  auto bmp = std::make_unique<TQoBitmap8>(Width, Height, Palette.get());
  if (!format_.Layer) {
    for (int y = 0; y < Height; ++y) std::copy_n(&lower[512u * y], 512, bmp->GetScanLine(y));
    return bmp;
  }
  // Where the upper picture shows its key index, the lower one shows through.
  const std::vector<uint8_t> upper = QoElementHrcPixels(bytes.From(kQoHrxcBytes), QoHrxcColors);
  const uint8_t key = bytes.U8(2 * kQoHrxcBytes);
  if (key >= 32) qo::RaiseInternalError();
  for (int y = 0; y < Height; ++y) {
    uint8_t* row = bmp->GetScanLine(y);
    for (std::size_t x = 0; x < 512; ++x) {
      const uint8_t t = upper[512u * y + x];
      row[x] = t == key ? lower[512u * y + x] : static_cast<uint8_t>(t + 32);
    }
  }
  return bmp;
}

// HGFX: bit planes, the palette after them; or 8 planes read as hold-and-modify.

int TQoElementZXHGFXScreenEngine::PlanesOf(const TQoElementZXHGFXFormat& format, std::size_t size) {
  const std::size_t plane =
      static_cast<std::size_t>(format.Width) * static_cast<std::size_t>(format.Height) / 8;
  if (format.MaxPlanes == 0) return size == 8 * plane + 3 * kHamColors ? 8 : 0;
  for (int n = 1; n <= format.MaxPlanes; ++n) {
    if (size == plane * static_cast<std::size_t>(n) + 3 * (std::size_t{1} << n)) return n;
  }
  return 0;
}

uint8_t TQoElementZXHGFXScreenEngine::Detect(TQoLoadSource& source,
                                             const TQoElementZXHGFXFormat& format) {
  const std::size_t size = source.Bytes().Size();
  if (PlanesOf(format, size) == 0) return 0;
  return DetectSize(source, size, format.Extensions);
}

TQoElementZXHGFXScreenEngine::TQoElementZXHGFXScreenEngine(TQoLoadSource& source,
                                                           const TQoElementZXHGFXFormat& format)
    : TQoElementZXEngine(source, format.ClassName), format_(format) {
  Describe(format.MaxPlanes == 0 ? " HGFX HAM image" : " HGFX image", format.Extensions,
           format.Width == 512 && format.Height == 192);
  Width = format.Width;
  Height = format.Height;
  planes_ = PlanesOf(format, Bytes().Size());
  if (planes_ == 0 && Bytes().Size() != 0) qo::RaiseInternalError();
  ColorDepth = format.MaxPlanes == 0 ? 24 : planes_;
}

std::unique_ptr<TQoBitmap> TQoElementZXHGFXScreenEngine::Decode() {
  if (planes_ == 0) qo::RaiseInternalError();
  if (format_.MaxPlanes == 0) return DecodeHoldAndModify();
  const TQoByteView bytes = Bytes();
  const std::size_t plane = static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height) / 8;
  const uint8_t* planes = bytes.Ptr(0, plane * static_cast<std::size_t>(planes_));
  Palette->Clear();
  QoAddElementBGRColors(*Palette, bytes.From(plane * static_cast<std::size_t>(planes_)),
                        1 << planes_);
  std::unique_ptr<TQoBitmap> bmp;
  if (planes_ == 1) {
    bmp = std::make_unique<TQoBitmap1>(Width, Height, Palette.get());
  } else if (planes_ == 2 || planes_ == 4) {
    bmp = std::make_unique<TQoBitmap4>(Width, Height, Palette.get());
  } else {
    bmp = std::make_unique<TQoBitmap8>(Width, Height, Palette.get());
  }
  for (int y = 0; y < Height; ++y) {
    for (int x = 0; x < Width; ++x) {
      const std::size_t at = (static_cast<std::size_t>(y) * Width + x) / 8;
      const int bit = 7 - (x & 7);
      uint32_t value = 0;
      for (int l = 0; l < planes_; ++l) {
        value |=
            static_cast<uint32_t>((planes[plane * static_cast<std::size_t>(l) + at] >> bit) & 1)
            << l;
      }
      bmp->SetPixel(x, y, value);
    }
  }
  return bmp;
}

std::unique_ptr<TQoBitmap> TQoElementZXHGFXScreenEngine::DecodeHoldAndModify() {
  const TQoByteView bytes = Bytes();
  const std::size_t plane = static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height) / 8;
  const uint8_t* planes = bytes.Ptr(0, 8 * plane);
  Palette->Clear();
  QoAddElementBGRColors(*Palette, bytes.From(8 * plane), kHamColors);
  auto bmp = std::make_unique<TQoBitmap24>(Width, Height);
  // The colour is carried from pixel to pixel and from the end of a row to the next.
  uint32_t red = 0, green = 0, blue = 0;
  for (int y = 0; y < Height; ++y) {
    for (int x = 0; x < Width; ++x) {
      const std::size_t at = (static_cast<std::size_t>(y) * Width + x) / 8;
      const int bit = 7 - (x & 7);
      uint32_t v = 0;
      for (int l = 0; l < 8; ++l) {
        v |= static_cast<uint32_t>((planes[plane * static_cast<std::size_t>(l) + at] >> bit) & 1)
             << l;
      }
      const uint32_t modified = (v & 63) << 2;
      switch (v >> 6) {
        case 0: {
          const TQoStdRGBColor c = Palette->GetStdRGB(static_cast<int>(v & 63));
          red = c.R;
          green = c.G;
          blue = c.B;
          break;
        }
        case 1:
          blue = modified | (blue & 3);
          break;
        case 2:
          red = modified | (red & 3);
          break;
        default:
          green = modified | (green & 3);
          break;
      }
      bmp->SetPixel(x, y, red << 16 | green << 8 | blue);
    }
  }
  return bmp;
}

void RegisterElementZXEngines(TQoEngineRegistry& registry) {
  registry.RegisterEngine(QoEngineClassOf<TQoElementZXSCRGigaEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoElementZXSCRLayerEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoElementZXTimexHiColorEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoElementZXRadastanEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoElementZXHRCEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoElementZXHRCGigaEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoElementZXHRCLayerEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoElementZXHRXCEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoElementZXHRXCLayerEngine>());
  registry.RegisterEngine(QoEngineClassOf<TQoElementZXHGFX256x192Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoElementZXHGFX512x192Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoElementZXHGFX512x384Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoElementZXHGFXHAM256x192Engine>());
  registry.RegisterEngine(QoEngineClassOf<TQoElementZXHGFXHAM512x192Engine>());
}
